#include "cli/picture_output.h"

#include <cstdio>
#include <vector>

#include "platform/gdi/gdi.h"
#include "render/renderer.h"

namespace {

// The bitmap's pixels as RGB triplets, top row first.
bool read_rgb(HBITMAP bitmap, int& width, int& height, std::vector<BYTE>& rgb) {
  BITMAP description{};
  if (GetObjectA(bitmap, sizeof description, &description) == 0) return false;
  width = description.bmWidth;
  height = description.bmHeight;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<RGBQUAD> bits(static_cast<std::size_t>(width) * height);
  HDC screen = GetDC(nullptr);
  int rows = GetDIBits(screen, bitmap, 0, height, bits.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  rgb.clear();
  for (const RGBQUAD& pixel : bits) rgb.insert(rgb.end(), {pixel.rgbRed, pixel.rgbGreen, pixel.rgbBlue});
  return rows == height;
}

}  // namespace

bool write_rendering_ppm(BarcodeSymbol& symbol, const std::string& path) {
  HBITMAP bitmap = paint_symbol(symbol);
  int width = 0;
  int height = 0;
  std::vector<BYTE> rgb;
  if (bitmap == nullptr || !read_rgb(bitmap, width, height, rgb)) {
    std::fprintf(stderr, "tresslin modules: no picture to write: %s\n", symbol.error_text);
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  bool written = file != nullptr && std::fprintf(file, "P6\n%d %d\n255\n", width, height) > 0 &&
                 std::fwrite(rgb.data(), 1, rgb.size(), file) == rgb.size();
  if (file != nullptr && std::fclose(file) != 0) written = false;
  if (!written) std::fprintf(stderr, "tresslin modules: cannot write %s\n", path.c_str());
  return written;
}
