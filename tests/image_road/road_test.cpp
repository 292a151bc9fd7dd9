// The renderer's bitmap through the image library's road: imported with
// CreateFromHBITMAP, saved as PNG, GIF and BMP, and read back pixel for
// pixel, by our decoders where we have them and by Pillow.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/barcode_symbol.h"
#include "image/bmp_codec.h"
#include "image/png_codec.h"
#include "image/tximage.h"
#include "platform/gdi/gdi.h"
#include "render/renderer.h"
#include "tests/support/scratch_folder.h"

namespace {

constexpr int CODE_128 = 20;

// Red, green, blue of every pixel, top row first.
using Rgb = std::vector<BYTE>;

// The bitmap's pixels read one by one through a memory context, a road
// independent of the DIB conversion the import uses.
Rgb bitmap_pixels(HBITMAP bitmap, int* width, int* height) {
  BITMAP description{};
  GetObjectA(bitmap, sizeof description, &description);
  *width = description.bmWidth;
  *height = description.bmHeight;
  HDC context = CreateCompatibleDC(nullptr);
  HBITMAP old = SelectObject(context, bitmap);
  Rgb rgb;
  for (int y = 0; y < *height; ++y) {
    for (int x = 0; x < *width; ++x) {
      const COLORREF c = GetPixel(context, x, y);
      rgb.insert(rgb.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
    }
  }
  SelectObject(context, old);
  DeleteDC(context);
  return rgb;
}

Rgb image_pixels(const TxImage& image) {
  Rgb rgb;
  for (long y = static_cast<long>(image.GetHeight()) - 1; y >= 0; --y) {
    for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) {
      const RGBQUAD c = image.GetPixelColor(x, y, false);
      rgb.insert(rgb.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
    }
  }
  return rgb;
}

std::vector<BYTE> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <typename Codec>
Rgb decoded_with(const std::string& path) {
  std::vector<BYTE> bytes = read_file(path);
  TxMemFile stream(bytes.data(), static_cast<DWORD>(bytes.size()));
  Codec codec;
  if (!codec.Decode(&stream)) return {};
  return image_pixels(codec);
}

bool have_pillow() { return std::system("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") == 0; }

// The picture as Pillow composes it (all frames of a GIF mosaic), as RGB.
Rgb pillow_pixels(const std::string& path) {
  const std::string out = path + ".rgb";
  const std::string command =
      "/usr/bin/python3 -c \"import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
      "im.seek(getattr(im, 'n_frames', 1) - 1)\nopen(sys.argv[2], 'wb').write(im.convert('RGB').tobytes())\" '" +
      path + "' '" + out + "'";
  if (std::system(command.c_str()) != 0) return {};
  return read_file(out);
}

struct RoadCase {
  const char* name;
  const char* data;
  int char_size;
  int rotate_angle;
  COLORREF fore_color;
  COLORREF back_color;
};

const RoadCase road_cases[] = {
    {"defaults", "TRESSLIN-ROAD-123456", 0, 0, RGB(0, 0, 0), RGB(255, 255, 255)},
    {"text, turned a quarter, coloured", "Road 42", 14, 90, RGB(20, 40, 160), RGB(250, 240, 200)},
    {"turned by 30 degrees", "ABC", 0, 30, RGB(0, 0, 0), RGB(255, 255, 255)},
};

TEST(ImageRoad, RenderedPictureReadsBackPixelExactFromEveryFormat) {
  const ScratchFolder folder("tresslin-road");
  ASSERT_FALSE(folder.path().empty());
  const bool pillow = have_pillow();
  for (const auto& c : road_cases) {
    SCOPED_TRACE(c.name);
    BarcodeSymbol& symbol = workspace.symbol;
    reset_symbol(symbol);
    symbol.symbology = CODE_128;
    std::strcpy(symbol.data_text, c.data);
    symbol.char_size = c.char_size;
    symbol.rotate_angle = c.rotate_angle;
    symbol.fore_color = c.fore_color;
    symbol.back_color = c.back_color;
    HBITMAP bitmap = render_symbol(symbol);
    ASSERT_NE(bitmap, nullptr) << symbol.error_text;
    int width = 0;
    int height = 0;
    const Rgb expected = bitmap_pixels(bitmap, &width, &height);

    TxImage image;
    ASSERT_TRUE(image.CreateFromHBITMAP(bitmap)) << image.GetLastError();
    ASSERT_EQ(image.GetBpp(), 24);
    ASSERT_EQ(static_cast<int>(image.GetWidth()), width);
    ASSERT_EQ(static_cast<int>(image.GetHeight()), height);
    EXPECT_EQ(image_pixels(image), expected);

    const std::string png = folder.file("road.png");
    const std::string gif = folder.file("road.gif");
    const std::string bmp = folder.file("road.bmp");
    ASSERT_TRUE(image.Save(png.c_str(), FORMAT_PNG)) << image.GetLastError();
    ASSERT_TRUE(image.Save(gif.c_str(), FORMAT_GIF)) << image.GetLastError();
    ASSERT_TRUE(image.Save(bmp.c_str(), FORMAT_BMP)) << image.GetLastError();
    EXPECT_EQ(decoded_with<TxPngCodec>(png), expected);
    EXPECT_EQ(decoded_with<TxBmpCodec>(bmp), expected);
    if (pillow) {
      EXPECT_EQ(pillow_pixels(png), expected);
      EXPECT_EQ(pillow_pixels(gif), expected);
      EXPECT_EQ(pillow_pixels(bmp), expected);
    }
  }
  DeleteObject(workspace.symbol_bitmap);
  workspace.symbol_bitmap = nullptr;
}

}  // namespace
