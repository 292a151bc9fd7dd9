// The floor for PNG saving: rows of red, green, blue bytes written straight
// through libpng with the settings and chunks the PNG codec uses for a
// true-colour picture (default filters and compression, no interlacing, a
// white background chunk, the resolution), into a memory buffer.
#pragma once

#include <cstddef>
#include <vector>

struct PngFloorPicture {
  const unsigned char* rgb;  // top row first, 3 x width bytes per row
  unsigned width;
  unsigned height;
  unsigned pixels_per_metre;
};

// False when libpng reports an error.
bool write_png_floor(const PngFloorPicture& picture, std::vector<unsigned char>* out);
