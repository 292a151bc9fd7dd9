#include "com/exact_palette.h"

#include <unordered_map>
#include <vector>

namespace {

constexpr std::size_t MOST_COLOURS = 256;
constexpr WORD TRUE_COLOUR_BPP = 24;

DWORD colour_key(const BYTE* bgr) { return DWORD{bgr[0]} | DWORD{bgr[1]} << 8 | DWORD{bgr[2]} << 16; }

// Every pixel's palette index, row by row, with the palette in first-seen
// order; false past 256 colours.
bool index_pixels(const TxImage& source, std::vector<RGBQUAD>& palette, std::vector<BYTE>& indices) {
  std::unordered_map<DWORD, BYTE> index_of;
  const DWORD width = source.GetWidth();
  const DWORD height = source.GetHeight();
  indices.resize(static_cast<std::size_t>(width) * height);
  std::size_t at = 0;
  for (DWORD y = 0; y < height; ++y) {
    const BYTE* pixel = source.GetBits(y);
    for (DWORD x = 0; x < width; ++x, pixel += 3) {
      DWORD key = colour_key(pixel);
      auto found = index_of.find(key);
      if (found == index_of.end()) {
        if (palette.size() == MOST_COLOURS) return false;
        found = index_of.emplace(key, static_cast<BYTE>(palette.size())).first;
        palette.push_back({pixel[0], pixel[1], pixel[2], 0});
      }
      indices[at++] = found->second;
    }
  }
  return true;
}

}  // namespace

bool make_exact_palette_image(const TxImage& source, TxImage& indexed) {
  if (!source.IsValid() || source.GetBpp() != TRUE_COLOUR_BPP) return false;
  std::vector<RGBQUAD> palette;
  std::vector<BYTE> indices;
  if (!index_pixels(source, palette, indices)) return false;
  const DWORD width = source.GetWidth();
  const DWORD height = source.GetHeight();
  if (indexed.Create(width, height, 8, FORMAT_GIF) == nullptr) return false;
  indexed.SetPalette(palette.data(), static_cast<DWORD>(palette.size()));
  for (DWORD y = 0; y < height; ++y) {
    BYTE* row = indexed.GetBits(y);
    for (DWORD x = 0; x < width; ++x) row[x] = indices[static_cast<std::size_t>(y) * width + x];
  }
  indexed.SetXDPI(source.GetXDPI());
  indexed.SetYDPI(source.GetYDPI());
  return true;
}
