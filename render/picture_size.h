// The largest picture the renderer and the rotation make.
#pragma once

constexpr long long MAX_PICTURE_PIXELS = 100'000'000;

constexpr bool picture_size_in_range(long long width, long long height) {
  return width > 0 && height > 0 && width <= MAX_PICTURE_PIXELS / height;
}
