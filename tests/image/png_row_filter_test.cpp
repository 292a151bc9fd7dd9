// The PNG encoder names libpng's filter choice itself for a row equal to the
// row above; the file must stay byte for byte what libpng's own adaptive
// filtering writes.
#include <gtest/gtest.h>

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <random>
#include <string>
#include <vector>

#include "image/tximage.h"

namespace {

void append(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<std::vector<BYTE>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void no_flush(png_structp) {}

// Holds no object with a destructor, as libpng may jump out of it.
bool write_rows(png_structp png, png_infop info, const TxImage& image, BYTE* row, std::vector<BYTE>* out) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, out, append, no_flush);
  const png_uint_32 width = image.GetWidth();
  const png_uint_32 height = image.GetHeight();
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color_16 white = {0, 255, 255, 255, 0};
  png_set_bKGD(png, info, &white);
  const auto per_metre = static_cast<png_uint_32>(std::floor(image.GetXDPI() / 0.0254 + 0.5));
  png_set_pHYs(png, info, per_metre, per_metre, PNG_RESOLUTION_METER);
  png_write_info(png, info);
  for (png_uint_32 k = 0; k < height; ++k) {
    for (png_uint_32 x = 0; x < width; ++x) {
      const RGBQUAD c = image.GetPixelColor(x, height - 1 - k, false);
      row[3 * x] = c.rgbRed;
      row[3 * x + 1] = c.rgbGreen;
      row[3 * x + 2] = c.rgbBlue;
    }
    png_write_row(png, row);
  }
  png_write_end(png, info);
  return true;
}

// The image's pixels written by libpng with its default filtering.
std::vector<BYTE> libpng_file(const TxImage& image) {
  std::vector<BYTE> out;
  std::vector<BYTE> row(3 * image.GetWidth());
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  const bool written = write_rows(png, info, image, row.data(), &out);
  png_destroy_write_struct(&png, &info);
  return written ? out : std::vector<BYTE>();
}

std::vector<BYTE> our_file(TxImage& image) {
  BYTE* buffer = nullptr;
  long size = 0;
  if (!image.Encode(buffer, size, FORMAT_PNG)) return {};
  std::vector<BYTE> file(buffer, buffer + size);
  image.FreeMemory(buffer);
  return file;
}

// A 24-bit picture from rows of letters: '#' black, '.' white, 'r' red; any
// other letter a random colour that depends on the row's text, so equal
// texts make equal rows.
TxImage picture(const std::vector<std::string>& rows) {
  const long height = static_cast<long>(rows.size());
  const long width = static_cast<long>(rows[0].size());
  TxImage image(width, height, 24);
  for (long k = 0; k < height; ++k) {
    std::mt19937 random(static_cast<unsigned>(std::hash<std::string>{}(rows[k])));
    for (long x = 0; x < width; ++x) {
      COLORREF c = 0;
      switch (rows[k][x]) {
        case '#': c = RGB(0, 0, 0); break;
        case '.': c = RGB(255, 255, 255); break;
        case 'r': c = RGB(200, 0, 0); break;
        default: c = random() & 0xFFFFFF;
      }
      image.SetPixelColor(x, height - 1 - k, c);
    }
  }
  return image;
}

std::vector<std::string> repeated(std::vector<std::pair<std::string, int>> runs) {
  std::vector<std::string> rows;
  for (const auto& [row, count] : runs) rows.insert(rows.end(), count, row);
  return rows;
}

TEST(PngRowFilters, RepeatedRowsWriteTheFileLibpngWrites) {
  const std::string bars = "..##.#..###.#.#..##..";
  const std::string black(bars.size(), '#');
  const std::vector<std::vector<std::string>> cases = {
      repeated({{bars, 40}}),  // a barcode
      repeated({{black, 5}, {bars, 3}, {black, 4}, {bars, 1}}),
      repeated({{black, 1}, {std::string(bars.size(), '.'), 1}, {black, 3}}),
      repeated({{"r.r.r", 2}, {"?????", 1}, {"????x", 1}, {"r.r.r", 3}}),
      repeated({{std::string(23, '?'), 6}, {std::string(23, '!'), 2}}),  // noise, repeated
      repeated({{"#", 4}, {".", 3}, {"?", 2}}),                          // one pixel wide
      repeated({{bars, 1}}),
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    TxImage image = picture(cases[i]);
    const std::vector<BYTE> expected = libpng_file(image);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(our_file(image), expected);
  }
}

}  // namespace
