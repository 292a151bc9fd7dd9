// The standard 16- and 256-colour palettes.
#include <array>
#include <cstring>

#include "image/tximage.h"

namespace {

struct Rgb {
  BYTE red;
  BYTE green;
  BYTE blue;
};

constexpr Rgb STD_PALETTE_16[] = {
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},     {128, 0, 128},
    {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

constexpr Rgb STD_PALETTE_256_FIRST[] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128}, {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
};

// Each base colour gives six tints and six shades.
constexpr Rgb STD_PALETTE_256_BASES[] = {
    {255, 170, 0}, {255, 85, 0},   {255, 0, 0},   {255, 0, 85},   {255, 0, 170}, {255, 0, 255},
    {170, 0, 255}, {85, 0, 255},   {0, 0, 255},   {0, 85, 255},   {0, 170, 255}, {0, 255, 255},
    {0, 255, 170}, {0, 255, 85},   {0, 255, 0},   {85, 255, 0},   {170, 255, 0}, {255, 255, 0},
};

constexpr Rgb STD_PALETTE_256_LAST[] = {
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255},
};

constexpr int TINTS_PER_BASE = 6;
constexpr int GREY_COUNT = 20;

static_assert(std::size(STD_PALETTE_16) == 16);
static_assert(std::size(STD_PALETTE_256_FIRST) + std::size(STD_PALETTE_256_BASES) * 2 * TINTS_PER_BASE +
                  GREY_COUNT + std::size(STD_PALETTE_256_LAST) ==
              256);

constexpr BYTE tint(BYTE component, int t) {
  switch (component) {
    case 255: return 255;
    case 170: return static_cast<BYTE>(240 - 14 * t);
    case 85: return static_cast<BYTE>(227 - 28 * t);
    default: return static_cast<BYTE>(212 - 35 * t);
  }
}

constexpr BYTE shade(BYTE component, int t, bool pure) {
  switch (component) {
    case 255: return static_cast<BYTE>(t == 0 && pure ? 254 : 255 - 35 * t);
    case 170: return static_cast<BYTE>(170 - 24 * t);
    case 85: return static_cast<BYTE>(85 - 12 * t);
    default: return 0;
  }
}

constexpr bool is_pure(const Rgb& c) {
  const auto extreme = [](BYTE v) { return v == 0 || v == 255; };
  return extreme(c.red) && extreme(c.green) && extreme(c.blue);
}

constexpr RGBQUAD quad(const Rgb& c) { return RGBQUAD{c.blue, c.green, c.red, 0}; }

constexpr std::array<RGBQUAD, 256> build_std_palette_256() {
  std::array<RGBQUAD, 256> palette{};
  size_t n = 0;
  for (const Rgb& c : STD_PALETTE_256_FIRST) palette[n++] = quad(c);
  for (const Rgb& base : STD_PALETTE_256_BASES) {
    for (int t = 0; t < TINTS_PER_BASE; ++t) {
      palette[n++] = quad({tint(base.red, t), tint(base.green, t), tint(base.blue, t)});
    }
    const bool pure = is_pure(base);
    for (int t = 0; t < TINTS_PER_BASE; ++t) {
      palette[n++] = quad({shade(base.red, t, pure), shade(base.green, t, pure), shade(base.blue, t, pure)});
    }
  }
  for (int k = 0; k < GREY_COUNT; ++k) {
    const BYTE grey = static_cast<BYTE>(242 - 12 * k);
    palette[n++] = quad({grey, grey, grey});
  }
  for (const Rgb& c : STD_PALETTE_256_LAST) palette[n++] = quad(c);
  return palette;
}

constexpr std::array<RGBQUAD, 256> STD_PALETTE_256 = build_std_palette_256();

}  // namespace

void TxImage::SetStdPalette() {
  if (DibBlock == nullptr) return;
  if (Header.biBitCount == 4) {
    RGBQUAD entries[16];
    for (size_t i = 0; i < 16; ++i) entries[i] = quad(STD_PALETTE_16[i]);
    SetPalette(entries, 16);
  } else if (Header.biBitCount == 8) {
    SetPalette(STD_PALETTE_256.data(), 256);
  }
}
