#include "bench/png_floor.h"

#include <png.h>

#include <csetjmp>

namespace {

void append(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void flush(png_structp) {}

// Holds no object with a destructor, as libpng may jump out of it.
bool write_rows(png_structp png, png_infop info, const PngFloorPicture& picture,
                std::vector<unsigned char>* out) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, out, append, flush);
  png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color_16 white = {0, 255, 255, 255, 0};
  png_set_bKGD(png, info, &white);
  png_set_pHYs(png, info, picture.pixels_per_metre, picture.pixels_per_metre, PNG_RESOLUTION_METER);
  png_write_info(png, info);
  for (unsigned y = 0; y < picture.height; ++y) {
    png_write_row(png, picture.rgb + static_cast<size_t>(y) * 3 * picture.width);
  }
  png_write_end(png, info);
  return true;
}

}  // namespace

bool write_png_floor(const PngFloorPicture& picture, std::vector<unsigned char>* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  const bool written = info && write_rows(png, info, picture, out);
  png_destroy_write_struct(&png, &info);
  return written;
}
