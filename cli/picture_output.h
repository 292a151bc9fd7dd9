// Writing the renderer's picture of a symbol record to a file, for people
// to look at.
#pragma once

#include <string>

#include "engine/barcode_symbol.h"

// Paints the record as it stands (the renderer's painting, without a new
// encoding) and writes the picture as a binary PPM (P6). False, with a
// message on stderr, when there is no picture or the file cannot be written.
bool write_rendering_ppm(BarcodeSymbol& symbol, const std::string& path);
