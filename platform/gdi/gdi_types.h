// The structures and constants of the drawing surface: font and bitmap
// descriptions, object kinds, background modes and text format flags, with
// the platform's values.
#pragma once

#include "platform/win_types.h"

constexpr int LF_FACESIZE = 32;

struct LOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  char lfFaceName[LF_FACESIZE];
};
static_assert(sizeof(LOGFONTA) == 60);

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

// Font weights.
constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_BOLD = 700;

// Character sets: which code page maps a text's bytes to characters.
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE EASTEUROPE_CHARSET = 238;

// GetCurrentObject kinds.
constexpr UINT OBJ_FONT = 6;
constexpr UINT OBJ_BITMAP = 7;

// SetBkMode modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// DrawTextA format flags.
constexpr UINT DT_TOP = 0x000;
constexpr UINT DT_LEFT = 0x000;
constexpr UINT DT_CENTER = 0x001;
constexpr UINT DT_RIGHT = 0x002;
constexpr UINT DT_VCENTER = 0x004;
constexpr UINT DT_BOTTOM = 0x008;
constexpr UINT DT_SINGLELINE = 0x020;
constexpr UINT DT_NOCLIP = 0x100;
