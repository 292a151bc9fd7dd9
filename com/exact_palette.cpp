#include "com/exact_palette.h"

#include <unordered_map>
#include <vector>

namespace {

constexpr std::size_t MOST_COLOURS = 256;
constexpr WORD TRUE_COLOUR_BPP = 24;

// No pixel has this key: keys hold 24 bits.
constexpr DWORD NO_COLOUR = 0xFFFFFFFF;

DWORD colour_key(const BYTE* bgr) { return DWORD{bgr[0]} | DWORD{bgr[1]} << 8 | DWORD{bgr[2]} << 16; }

// Writes every pixel's palette index into indexed (8 bits, the source's
// size), with the palette in first-seen order; false past 256 colours.
// Pictures repeat a colour along a row, so the last colour's index is kept
// at hand.
bool index_pixels(const TxImage& source, TxImage& indexed, std::vector<RGBQUAD>& palette) {
  std::unordered_map<DWORD, BYTE> index_of;
  DWORD last_key = NO_COLOUR;
  BYTE last_index = 0;
  const DWORD width = source.GetWidth();
  const DWORD height = source.GetHeight();
  for (DWORD y = 0; y < height; ++y) {
    const BYTE* pixel = source.GetBits(y);
    BYTE* row = indexed.GetBits(y);
    for (DWORD x = 0; x < width; ++x, pixel += 3) {
      const DWORD key = colour_key(pixel);
      if (key != last_key) {
        auto found = index_of.find(key);
        if (found == index_of.end()) {
          if (palette.size() == MOST_COLOURS) return false;
          found = index_of.emplace(key, static_cast<BYTE>(palette.size())).first;
          palette.push_back({pixel[0], pixel[1], pixel[2], 0});
        }
        last_key = key;
        last_index = found->second;
      }
      row[x] = last_index;
    }
  }
  return true;
}

}  // namespace

bool make_exact_palette_image(const TxImage& source, TxImage& indexed) {
  if (!source.IsValid() || source.GetBpp() != TRUE_COLOUR_BPP) return false;
  TxImage made;
  if (made.Create(source.GetWidth(), source.GetHeight(), 8, FORMAT_GIF) == nullptr) return false;
  std::vector<RGBQUAD> palette;
  if (!index_pixels(source, made, palette)) return false;
  made.SetPalette(palette.data(), static_cast<DWORD>(palette.size()));
  made.SetXDPI(source.GetXDPI());
  made.SetYDPI(source.GetYDPI());
  return indexed.Transfer(made);
}
