#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/rotation.h"
#include "tests/render/picture.h"

namespace {

// A memory context holding a picture drawn from rows of letters (one colour
// each), released at the end.
class Source {
 public:
  explicit Source(const std::vector<std::string>& rows)
      : screen_(GetDC(nullptr)), context_(CreateCompatibleDC(screen_)) {
    width_ = static_cast<int>(rows[0].size());
    height_ = static_cast<int>(rows.size());
    bitmap_ = CreateCompatibleBitmap(screen_, width_, height_);
    stock_ = SelectObject(context_, bitmap_);
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) SetPixel(context_, x, y, color_of(rows[y][x]));
  }
  ~Source() {
    SelectObject(context_, stock_);
    DeleteObject(bitmap_);
    DeleteDC(context_);
    ReleaseDC(nullptr, screen_);
  }

  static COLORREF color_of(char letter) {
    return letter == '.' ? WHITE : RGB(static_cast<BYTE>(letter), 0, 0);
  }

  // The turned picture as rows of letters ('.' for white), the bitmap
  // released.
  std::vector<std::string> turned(int angle) const {
    HBITMAP bitmap = rotate_bitmap(context_, width_, height_, angle);
    Picture p = read_picture(bitmap);
    DeleteObject(bitmap);
    std::vector<std::string> rows(p.height, std::string(p.width, '?'));
    for (int y = 0; y < p.height; ++y) {
      for (int x = 0; x < p.width; ++x) {
        COLORREF c = p.at(x, y);
        rows[y][x] = c == WHITE ? '.' : static_cast<char>(GetRValue(c));
      }
    }
    return rows;
  }

  HDC context() const { return context_; }

 private:
  HDC screen_;
  HDC context_;
  HBITMAP bitmap_;
  HBITMAP stock_;
  int width_;
  int height_;
};

TEST(Rotation, AQuarterTurnOfFourByTwo) {
  // Destination columns 0 and 1 show source row 0, column 2 row 1, column 3
  // stays white; destination rows 0 to 3 show source columns 3 to 0, row 4
  // repeats column 0, row 5 stays white.
  Source source({"abcd", "efgh"});
  EXPECT_EQ(source.turned(90),
            std::vector<std::string>({"ddh.", "ccg.", "bbf.", "aae.", "aae.", "...."}));
  EXPECT_EQ(source.turned(450), source.turned(90));
}

TEST(Rotation, TheOtherWayAndAHalfTurn) {
  Source source({"abcd", "efgh"});
  EXPECT_EQ(source.turned(-90),
            std::vector<std::string>({"eaa.", "eaa.", "fbb.", "gcc.", "hdd.", "...."}));
  // sin(-pi) is a hair below 0, so the image of (W, 0) rounds down to row -1.
  EXPECT_EQ(source.turned(180),
            std::vector<std::string>({"......", "hgfee.", "dcbaa.", "dcbaa.", "......"}));
}

TEST(Rotation, SizesFollowTheCornerImages) {
  struct Case {
    int width;
    int height;
    int angle;
    std::size_t turned_width;
    std::size_t turned_height;
  };
  const Case cases[] = {
      {188, 100, 90, 102, 190}, {188, 100, -90, 102, 190}, {188, 100, 180, 190, 103},
      {1, 1, 90, 3, 3},         {1, 1, 1, 2, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " by " << c.angle);
    Source source(std::vector<std::string>(c.height, std::string(c.width, 'x')));
    std::vector<std::string> rows = source.turned(c.angle);
    ASSERT_EQ(rows.size(), c.turned_height);
    EXPECT_EQ(rows[0].size(), c.turned_width);
    // Nothing stays black: pixels without a source are white.
    for (const std::string& row : rows) EXPECT_EQ(row.find('\0'), std::string::npos);
  }
}

TEST(Rotation, ASmallAngleLeavesWhiteWedgesAtTheCorners) {
  Source source(std::vector<std::string>(50, std::string(80, 'x')));
  std::vector<std::string> rows = source.turned(1);
  ASSERT_GT(rows.size(), 50u);
  ASSERT_LT(rows.size(), 56u);
  ASSERT_GT(rows[0].size(), 80u);
  ASSERT_LT(rows[0].size(), 86u);
  EXPECT_EQ(rows.front().front(), '.');
  EXPECT_EQ(rows.front().back(), '.');
  EXPECT_EQ(rows.back().front(), '.');
  EXPECT_EQ(rows.back().back(), '.');
  EXPECT_EQ(rows[rows.size() / 2][rows[0].size() / 2], 'x');
}

TEST(Rotation, PicturesTooLargeWhenTurnedAreRefused) {
  // 10000 x 10000 stays within 100 megapixels upright but not at 45 degrees.
  HDC context = CreateCompatibleDC(nullptr);
  int live = live_gdi_objects();
  EXPECT_EQ(rotate_bitmap(context, 10000, 10000, 45), nullptr);
  EXPECT_EQ(rotate_bitmap(context, 100000000, 1, 45), nullptr);
  EXPECT_EQ(live_gdi_objects(), live);
  DeleteDC(context);
}

}  // namespace
