// Saving the barcode picture to memory as PNG, GIF and BMP, and the PNG floor.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "bench/barcode_picture.h"
#include "bench/png_floor.h"

namespace {

constexpr double DOTS_PER_METRE_PER_DPI = 39.37007874015748;

void add_picture_label(benchmark::State& state, const TxImage& picture, long bytes) {
  state.SetLabel(std::to_string(picture.GetWidth()) + "x" + std::to_string(picture.GetHeight()) + ", " +
                 std::to_string(bytes) + " bytes");
}

void save_to_memory(benchmark::State& state, DWORD format) {
  TxImage* picture = barcode_picture();
  if (!picture) {
    state.SkipWithError("the barcode picture could not be rendered");
    return;
  }
  long size = 0;
  for (auto _ : state) {
    BYTE* buffer = nullptr;
    if (!picture->Encode(buffer, size, format)) {
      state.SkipWithError(picture->GetLastError());
      return;
    }
    benchmark::DoNotOptimize(buffer);
    picture->FreeMemory(buffer);
  }
  add_picture_label(state, *picture, size);
}

void BM_SavePng(benchmark::State& state) { save_to_memory(state, FORMAT_PNG); }
void BM_SaveGif(benchmark::State& state) { save_to_memory(state, FORMAT_GIF); }
void BM_SaveBmp(benchmark::State& state) { save_to_memory(state, FORMAT_BMP); }

// The picture's pixels as top-down RGB rows, the form libpng takes.
std::vector<unsigned char> rgb_rows(const TxImage& picture) {
  std::vector<unsigned char> rgb;
  for (long y = static_cast<long>(picture.GetHeight()) - 1; y >= 0; --y) {
    for (long x = 0; x < static_cast<long>(picture.GetWidth()); ++x) {
      const RGBQUAD c = picture.GetPixelColor(x, y, false);
      rgb.insert(rgb.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
    }
  }
  return rgb;
}

void BM_PngFloor(benchmark::State& state) {
  TxImage* picture = barcode_picture();
  if (!picture) {
    state.SkipWithError("the barcode picture could not be rendered");
    return;
  }
  const std::vector<unsigned char> rgb = rgb_rows(*picture);
  const PngFloorPicture floor = {rgb.data(), picture->GetWidth(), picture->GetHeight(),
                                 static_cast<unsigned>(std::floor(picture->GetXDPI() * DOTS_PER_METRE_PER_DPI + 0.5))};
  // The floor must write the very file the codec writes, or it measures
  // something else.
  std::vector<unsigned char> out;
  BYTE* ours = nullptr;
  long ours_size = 0;
  if (!write_png_floor(floor, &out) || !picture->Encode(ours, ours_size, FORMAT_PNG) ||
      out != std::vector<unsigned char>(ours, ours + ours_size)) {
    picture->FreeMemory(ours);
    state.SkipWithError("the libpng floor does not write the codec's file");
    return;
  }
  picture->FreeMemory(ours);
  for (auto _ : state) {
    out.clear();
    out.shrink_to_fit();
    write_png_floor(floor, &out);
    benchmark::DoNotOptimize(out.data());
  }
  add_picture_label(state, *picture, static_cast<long>(out.size()));
}

BENCHMARK(BM_SavePng)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PngFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveGif)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveBmp)->Unit(benchmark::kMicrosecond);

}  // namespace
