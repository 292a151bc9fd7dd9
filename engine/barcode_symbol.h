// The symbol record shared by every stage of the encoding road, and the
// process-wide Workspace around it.
#pragma once

#include "platform/win_types.h"

constexpr int MAX_ROWS = 8;
constexpr int MAX_MODULES = 1000;
constexpr int DATA_TEXT_SIZE = 100;
constexpr int ERROR_TEXT_SIZE = 100;
constexpr int FONT_NAME_SIZE = 32;
constexpr int AFFIX_SIZE = 16;

struct BarcodeSymbol {
  int symbology;
  int height;
  int white_space_width;
  int border_width;
  int output_options;
  int rotate_angle;
  int row_count;
  int width;
  int char_size;
  int text_align;
  char font_name[FONT_NAME_SIZE];
  char prefix[AFFIX_SIZE];
  char suffix[AFFIX_SIZE];
  COLORREF fore_color;
  COLORREF back_color;
  char data_text[DATA_TEXT_SIZE];
  char module_rows[MAX_ROWS][MAX_MODULES];
  char error_text[ERROR_TEXT_SIZE];
};

// output_options values the renderer understands.
constexpr int OUTPUT_BIND = 2;
constexpr int OUTPUT_BOX = 4;

struct Workspace {
  BarcodeSymbol symbol;
  char char_set_value[128];
  char prefix_value[32];
  char surfix_value[32];
  HDC memory_context;
  HBITMAP symbol_bitmap;
};

// The one Workspace of the process; all zero bytes until InitWorkspace.
extern Workspace workspace;

// Zeroes the record, then sets symbology 1, a quiet zone of 20 modules and a
// white background.
void reset_symbol(BarcodeSymbol& symbol);

// Clears the three setting texts of the Workspace and resets its record; the
// drawing handles are left alone.
void reset_workspace(Workspace& workspace);
