#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/platform/gdi/canvas.h"

namespace {

template <class To, class From>
To cast_handle(From handle) {
  return reinterpret_cast<To>(handle);
}

// Context handles that name no usable context: null, released, never made,
// and handles of other kinds.
std::vector<HDC> bad_contexts(HBITMAP live_bitmap, HFONT live_font) {
  HDC released = CreateCompatibleDC(nullptr);
  DeleteDC(released);
  return {nullptr, released, cast_handle<HDC>(std::uintptr_t{0xDEADBEEF}),
          cast_handle<HDC>(live_bitmap), cast_handle<HDC>(live_font)};
}

TEST(GdiHandles, EveryContextCallFailsOnABadContext) {
  Canvas canvas(4, 4);
  LOGFONTA attributes{};
  HFONT font = CreateFontIndirectA(&attributes);
  for (HDC bad : bad_contexts(canvas.bitmap(), font)) {
    SCOPED_TRACE(reinterpret_cast<std::uintptr_t>(bad));
    RECT rect{0, 0, 10, 10};
    SIZE size{};
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    unsigned char bits[64];
    if (bad != nullptr) {
      EXPECT_EQ(CreateCompatibleDC(bad), nullptr);
    }
    EXPECT_EQ(CreateCompatibleBitmap(bad, 2, 2), nullptr);
    EXPECT_EQ(SelectObject(bad, font), nullptr);
    EXPECT_EQ(GetCurrentObject(bad, OBJ_FONT), nullptr);
    EXPECT_EQ(SetPixel(bad, 0, 0, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(bad, 0, 0), CLR_INVALID);
    EXPECT_EQ(FloodFill(bad, 0, 0, 0), FALSE);
    EXPECT_EQ(SetBkMode(bad, TRANSPARENT), 0);
    EXPECT_EQ(SetTextColor(bad, 0), CLR_INVALID);
    EXPECT_EQ(GetTextExtentPoint32A(bad, "A", 1, &size), FALSE);
    EXPECT_EQ(DrawTextA(bad, "A", 1, &rect, DT_SINGLELINE), 0);
    EXPECT_EQ(GetDIBits(bad, canvas.bitmap(), 0, 4, bits, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(DeleteDC(bad), FALSE);
    EXPECT_EQ(ReleaseDC(nullptr, bad), 0);
  }
  // The canvas and the font survived all of it.
  EXPECT_EQ(SetPixel(canvas.context(), 1, 1, 0x123456), 0x123456u);
  EXPECT_EQ(DeleteObject(font), TRUE);
}

TEST(GdiHandles, EveryObjectCallFailsOnABadObject) {
  Canvas canvas(4, 4);
  HBITMAP released = CreateCompatibleBitmap(canvas.screen(), 2, 2);
  DeleteObject(released);
  LOGFONTA attributes{};
  HFONT released_font = CreateFontIndirectA(&attributes);
  DeleteObject(released_font);
  const std::vector<HGDIOBJ> bad = {nullptr, as_object(released), as_object(released_font),
                                    cast_handle<HGDIOBJ>(std::uintptr_t{0xDEADBEEF}),
                                    cast_handle<HGDIOBJ>(canvas.screen())};
  for (HGDIOBJ object : bad) {
    SCOPED_TRACE(reinterpret_cast<std::uintptr_t>(object));
    BITMAP description{};
    EXPECT_EQ(SelectObject(canvas.context(), object), nullptr);
    EXPECT_EQ(GetObjectA(object, sizeof description, &description), 0);
    EXPECT_EQ(DeleteObject(object), FALSE);
  }
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  unsigned char bits[16];
  EXPECT_EQ(GetDIBits(canvas.screen(), released, 0, 2, bits, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(canvas.screen(), cast_handle<HBITMAP>(released_font), 0, 2, bits, &info,
                      DIB_RGB_COLORS),
            0);
  EXPECT_EQ(GetCurrentObject(canvas.context(), OBJ_BITMAP), as_object(canvas.bitmap()));
}

TEST(GdiHandles, AReleasedSlotIsReusedUnderANewHandle) {
  HDC screen = GetDC(nullptr);
  HBITMAP first = CreateCompatibleBitmap(screen, 1, 1);
  DeleteObject(first);
  HBITMAP second = CreateCompatibleBitmap(screen, 3, 3);
  EXPECT_NE(first, second);
  BITMAP description{};
  EXPECT_EQ(GetObjectA(first, sizeof description, &description), 0);
  EXPECT_EQ(DeleteObject(first), FALSE);
  EXPECT_EQ(GetObjectA(second, sizeof description, &description), int{sizeof description});
  EXPECT_EQ(DeleteObject(second), TRUE);
  ReleaseDC(nullptr, screen);
}

TEST(GdiHandles, SelectedObjectsCannotBeDeletedAndBitmapsBelongToOneContext) {
  Canvas canvas(2, 2);
  HDC other = CreateCompatibleDC(canvas.screen());
  EXPECT_EQ(SelectObject(other, canvas.bitmap()), nullptr);
  EXPECT_EQ(SelectObject(canvas.screen(), canvas.bitmap()), nullptr);
  EXPECT_EQ(DeleteObject(canvas.bitmap()), FALSE);

  LOGFONTA attributes{};
  HFONT font = CreateFontIndirectA(&attributes);
  HFONT stock = SelectObject(canvas.context(), font);
  ASSERT_NE(stock, nullptr);
  EXPECT_NE(SelectObject(other, font), nullptr);  // fonts serve many contexts
  EXPECT_EQ(DeleteObject(font), FALSE);
  SelectObject(canvas.context(), stock);
  EXPECT_EQ(DeleteObject(font), FALSE);
  EXPECT_EQ(DeleteDC(other), TRUE);  // deleting a context deselects its objects
  EXPECT_EQ(DeleteObject(font), TRUE);
  EXPECT_EQ(DeleteObject(stock), TRUE);  // stock objects ignore deletion
  EXPECT_EQ(GetCurrentObject(canvas.context(), OBJ_FONT), as_object(stock));
}

TEST(GdiHandles, ContextsAreReleasedOnlyByTheirOwnCall) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  EXPECT_EQ(GetDC(cast_handle<HWND>(std::uintptr_t{1})), nullptr);
  EXPECT_EQ(DeleteDC(screen), FALSE);
  EXPECT_EQ(ReleaseDC(nullptr, memory), 0);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(DeleteObject(cast_handle<HGDIOBJ>(memory)), TRUE);
}

TEST(GdiHandles, LiveObjectsCountWhatIsMadeAndNotReleased) {
  int before = live_gdi_objects();
  {
    Canvas canvas(2, 2);
    EXPECT_EQ(live_gdi_objects(), before + 3);
  }
  EXPECT_EQ(live_gdi_objects(), before);
}

}  // namespace

namespace {

// Once the process runs more than one thread, calls on the one table from
// several threads at once keep every object whole.
TEST(GdiHandles, ThreadsDrawingAtOnceKeepTheirOwnPictures) {
  constexpr int THREADS = 4;
  constexpr int ROUNDS = 1000;
  std::vector<int> wrong(THREADS, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < THREADS; ++t) {
    threads.emplace_back([t, &wrong] {
      const COLORREF colour = RGB(10 * t, 20, 30);
      for (int round = 0; round < ROUNDS; ++round) {
        Canvas canvas(8, 8);
        for (int i = 0; i < 64; ++i) SetPixel(canvas.context(), i % 8, i / 8, colour);
        for (int i = 0; i < 64; ++i) wrong[t] += GetPixel(canvas.context(), i % 8, i / 8) != colour;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(THREADS, 0));
}

}  // namespace
