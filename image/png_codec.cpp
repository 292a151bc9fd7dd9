// libpng reports errors by a long jump back to the point armed with setjmp.
// The functions that arm it (WriteImage, ReadImage) and every function of
// ours that the jump can cross hold only plain data: the structures, the row
// buffer and the temporary alpha plane live in a job record owned by the
// caller, which releases them whichever way the work ended.
#include "image/png_codec.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace {

// Background used for transparent files without a bKGD chunk: grey 192, in
// the grey field too, so that grey files compose onto it as colour files do.
constexpr png_color_16 default_background = {0, 192, 192, 192, 192};
// Grey levels of a 2-bit grey file widened to four bits.
constexpr BYTE grey_levels_2bit[4] = {0, 85, 170, 255};
// Palettes up to this many pixels are cut to the indices they use.
constexpr unsigned long long PALETTE_SCAN_LIMIT = 65536;
constexpr size_t ROW_SLACK = 10;
constexpr double INCHES_PER_METRE = 0.0254;

// libpng filters a true-colour row by trying all five filters and keeping
// the first whose output has the smallest sum. For a row equal to the row
// above, that choice is known beforehand: Up, whose output is all zeros, or
// None when the row itself is all zeros (None is tried first and keeps a
// tie). Naming that filter alone for such rows writes the same file without
// the trials; barcode pictures are made almost wholly of such rows. Returns
// the filters now set.
int set_row_filters(png_structp png, int current, const BYTE* row, const BYTE* above, size_t bytes) {
  int wanted = PNG_ALL_FILTERS;
  if (std::memcmp(row, above, bytes) == 0) {
    const bool all_zero = row[0] == 0 && std::memcmp(row, row + 1, bytes - 1) == 0;
    wanted = all_zero ? PNG_FILTER_NONE : PNG_FILTER_UP;
  }
  if (wanted != current) png_set_filter(png, PNG_FILTER_TYPE_BASE, wanted);
  return wanted;
}

}  // namespace

struct TxPngCodec::WriteJob {
  png_structp png;
  png_infop info;
  BYTE* row;
  bool alpha_created;  // the alpha plane was made for this write only
};

struct TxPngCodec::ReadJob {
  png_structp png;
  png_infop info;
  BYTE* row;
  int bit_depth;
  int color_type;
  int pixel_bits;  // bits per pixel of the file
  bool with_alpha;
};

TxPngCodec::TxPngCodec() : TxImage(FORMAT_PNG) {}

// ---- callbacks ------------------------------------------------------------

void TxPngCodec::ReadData(png_struct_def* png, unsigned char* buffer, size_t length) {
  auto* stream = static_cast<TxFile*>(png_get_io_ptr(png));
  if (stream->Read(buffer, 1, length) != length) png_error(png, "Read Error");
}

void TxPngCodec::WriteData(png_struct_def* png, unsigned char* buffer, size_t length) {
  auto* stream = static_cast<TxFile*>(png_get_io_ptr(png));
  if (stream->Write(buffer, 1, length) != length) png_error(png, "Write Error");
}

void TxPngCodec::FlushData(png_struct_def* png) {
  auto* stream = static_cast<TxFile*>(png_get_io_ptr(png));
  if (!stream->Flush()) png_error(png, "Flush Error");
}

void TxPngCodec::ErrorExit(png_struct_def* png, const char* message) {
  auto* codec = static_cast<TxPngCodec*>(png_get_error_ptr(png));
  codec->Fail(message);
  png_longjmp(png, 1);
}

// ---- encoder --------------------------------------------------------------

bool TxPngCodec::Encode(TxFile* stream) {
  if (EncodeSafeCheck(stream)) return false;
  WriteJob job{};
  job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!job.png) return Fail("Failed to create PNG structure");
  job.info = png_create_info_struct(job.png);
  if (!job.info) {
    png_destroy_write_struct(&job.png, nullptr);
    return Fail("Failed to initialize PNG info structure");
  }
  const bool written = WriteImage(stream, &job);
  ReleaseWriteJob(&job);
  return written || Fail("Error saving PNG file");
}

bool TxPngCodec::WriteImage(TxFile* stream, WriteJob* job) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_set_write_fn(job->png, stream, WriteData, FlushData);
  WriteHeader(job);
  if (AlphaIsValid()) {
    WriteRgbaRows(job);
  } else {
    WriteDibRows(job);
  }
  png_write_end(job->png, job->info);
  return true;
}

void TxPngCodec::WriteHeader(WriteJob* job) {
  const long transparent_index = GetTransIndex();
  const int interlace = GetCodecOption(FORMAT_PNG) == 1 ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE;

  png_color_16 background = {0, 255, 255, 255, 0};
  if (transparent_index != -1) {
    background.red = Info.TransColor.rgbRed;
    background.green = Info.TransColor.rgbGreen;
    background.blue = Info.TransColor.rgbBlue;
  }
  png_set_bKGD(job->png, job->info, &background);
  // A decoded BMP may carry a negative resolution; the chunk holds none.
  png_set_pHYs(job->png, job->info, static_cast<png_uint_32>(std::max<LONG>(Header.biXPelsPerMeter, 0)),
               static_cast<png_uint_32>(std::max<LONG>(Header.biYPelsPerMeter, 0)), PNG_RESOLUTION_METER);

  if (GetPalette()) WritePalette(job);
  if (GetBpp() == 24 && transparent_index >= 0) MarkTransparentColor(job);

  int color_type = PNG_COLOR_TYPE_PALETTE;
  int bit_depth = GetBpp();
  if (AlphaIsValid()) {
    color_type = PNG_COLOR_TYPE_RGB_ALPHA;
    bit_depth = 8;
  } else if (GetBpp() > 8) {
    color_type = PNG_COLOR_TYPE_RGB;
    bit_depth = 8;
  }
  png_set_IHDR(job->png, job->info, GetWidth(), GetHeight(), bit_depth, color_type,
               interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
}

// The palette chunk, and the transparency chunk for a transparent index or
// an alpha palette. The transparent colour moves to index 0 (in the shared
// pixels and palette), so that one transparency value describes it.
void TxPngCodec::WritePalette(WriteJob* job) {
  const DWORD colours = GetNumColors();
  const long transparent_index = GetTransIndex();
  const bool has_trans_index = transparent_index >= 0 && static_cast<DWORD>(transparent_index) < colours;
  const bool alpha_channel = AlphaIsValid();
  png_byte trans[256] = {};
  if (has_trans_index) {
    if (transparent_index != 0) {
      SwapIndex(0, static_cast<BYTE>(transparent_index));
      SetTransIndex(0);
      if (TxImage* owner = Info.GhostOf) {
        owner->SetTransIndex(0);
        owner->Info.LastColorValid = false;
      }
    }
    if (!alpha_channel) png_set_tRNS(job->png, job->info, trans, 1, nullptr);
  }

  DWORD used = colours;
  const unsigned long long pixels = static_cast<unsigned long long>(GetWidth()) * GetHeight();
  if (used > 2 && pixels < PALETTE_SCAN_LIMIT) {
    BYTE largest = 0;
    const long width = GetWidth();
    const long height = GetHeight();
    for (long y = 0; y < height; ++y) {
      for (long x = 0; x < width; ++x) largest = std::max(largest, GetPixelIndex(x, y));
    }
    used = largest + 1u;
  }

  const RGBQUAD* palette = GetPalette();
  if (Info.AlphaPaletteEnabled && !alpha_channel) {
    for (DWORD i = 0; i < used; ++i) trans[i] = palette[i].rgbReserved;
    png_set_tRNS(job->png, job->info, trans, static_cast<int>(used), nullptr);
  }
  png_color entries[256];
  for (DWORD i = 0; i < used; ++i) {
    GetPaletteColor(static_cast<BYTE>(i), &entries[i].red, &entries[i].green, &entries[i].blue);
  }
  png_set_PLTE(job->png, job->info, entries, static_cast<int>(used));
}

// A true-colour image with a transparent colour is written with alpha: 0
// where a pixel has that colour. The caller's alpha plane, when there is
// one, is changed in place; otherwise a plane is made for this write.
void TxPngCodec::MarkTransparentColor(WriteJob* job) {
  if (!AlphaIsValid()) {
    AlphaCreate();
    job->alpha_created = AlphaIsValid();
    if (!job->alpha_created) return;
  }
  const RGBQUAD trans = GetTransColor();
  const long width = GetWidth();
  const long height = GetHeight();
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      const RGBQUAD c = GetPixelColor(x, y, false);
      if (std::memcmp(&c, &trans, sizeof(c)) == 0) AlphaSet(x, y, 0);
    }
  }
}

void TxPngCodec::WriteRgbaRows(WriteJob* job) {
  png_write_info(job->png, job->info);
  const long width = GetWidth();
  const long height = GetHeight();
  job->row = static_cast<BYTE*>(std::malloc(4 * static_cast<size_t>(width) + ROW_SLACK));
  if (!job->row) png_error(job->png, "can't allocate memory");
  const int passes = png_set_interlace_handling(job->png);
  const unsigned alpha_max = AlphaGetMax();
  for (int pass = 0; pass < passes; ++pass) {
    for (long k = 0; k < height; ++k) {
      const long y = height - 1 - k;
      BYTE* out = job->row;
      for (long x = 0; x < width; ++x, out += 4) {
        const RGBQUAD c = GetPixelColor(x, y, true);
        out[0] = c.rgbRed;
        out[1] = c.rgbGreen;
        out[2] = c.rgbBlue;
        out[3] = static_cast<BYTE>(AlphaGet(x, y) * alpha_max / 255);
      }
      png_write_row(job->png, job->row);
    }
  }
}

void TxPngCodec::WriteDibRows(WriteJob* job) {
  png_write_info(job->png, job->info);
  const DWORD row_bytes = GetEffWidth();
  job->row = static_cast<BYTE*>(std::malloc(row_bytes + ROW_SLACK));
  if (!job->row) png_error(job->png, "can't allocate memory");
  const int passes = png_set_interlace_handling(job->png);
  const long height = GetHeight();
  const bool true_color = GetBpp() > 8;
  const size_t pixel_bytes = 3 * static_cast<size_t>(GetWidth());
  int filters = PNG_ALL_FILTERS;
  for (int pass = 0; pass < passes; ++pass) {
    for (long k = 0; k < height; ++k) {
      const BYTE* dib_row = GetBits(height - 1 - k);
      if (true_color && passes == 1 && k > 0) {
        filters = set_row_filters(job->png, filters, dib_row, GetBits(height - k), pixel_bytes);
      }
      std::memcpy(job->row, dib_row, row_bytes);
      if (true_color) RGBtoBGR(job->row, static_cast<int>(row_bytes));
      png_write_row(job->png, job->row);
    }
  }
}

void TxPngCodec::ReleaseWriteJob(WriteJob* job) {
  std::free(job->row);
  job->row = nullptr;
  if (job->alpha_created) AlphaDelete();
  png_destroy_write_struct(&job->png, &job->info);
}

// ---- decoder --------------------------------------------------------------

bool TxPngCodec::Decode(TxFile* stream) {
  ReadJob job{};
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, ErrorExit, nullptr);
  if (!job.png) return Fail("Failed to create PNG structure");
  job.info = png_create_info_struct(job.png);
  if (!job.info) {
    png_destroy_read_struct(&job.png, nullptr, nullptr);
    return Fail("Failed to initialize PNG info structure");
  }
  const bool read = ReadImage(stream, &job);
  ReleaseReadJob(&job);
  return read;
}

bool TxPngCodec::ReadImage(TxFile* stream, ReadJob* job) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_set_read_fn(job->png, stream, ReadData);
  png_read_info(job->png, job->info);
  if (!ReadHeader(job)) return false;
  if (Info.Escape) return false;
  if (!ReadRows(job)) return false;
  png_read_end(job->png, nullptr);
  return true;
}

// Sets the transformations, creates the image and takes over resolution,
// palette and transparency.
bool TxPngCodec::ReadHeader(ReadJob* job) {
  png_structp png = job->png;
  png_infop info = job->info;
  job->bit_depth = png_get_bit_depth(png, info);
  job->color_type = png_get_color_type(png, info);
  job->pixel_bits = job->bit_depth * png_get_channels(png, info);

  png_color_16p file_background = nullptr;
  const bool has_background = png_get_bKGD(png, info, &file_background) != 0;
  if (job->pixel_bits != 32) {
    if (has_background) {
      png_set_background(png, file_background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    } else {
      png_set_background(png, &default_background, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
  } else if (has_background) {
    Info.TransColor = {static_cast<BYTE>(file_background->blue & 0xFF),
                       static_cast<BYTE>(file_background->green & 0xFF),
                       static_cast<BYTE>(file_background->red & 0xFF), 0};
  }
  if (job->bit_depth == 16) png_set_strip_16(png);

  const int bpp = job->pixel_bits == 16 ? 8 : job->pixel_bits > 16 ? 24 : job->pixel_bits;
  if (!Create(png_get_image_width(png, info), png_get_image_height(png, info), bpp, FORMAT_PNG)) {
    return false;
  }
  ReadResolution(job);
  ReadPalette(job);

  job->with_alpha = job->color_type == PNG_COLOR_TYPE_RGB_ALPHA ||
                    (job->color_type == PNG_COLOR_TYPE_GRAY_ALPHA && job->bit_depth == 16);
  if (job->with_alpha) {
    if (job->color_type == PNG_COLOR_TYPE_GRAY_ALPHA) {
      png_set_gray_to_rgb(png);
      png_set_expand(png);
    }
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    AlphaCreate();
    if (!AlphaIsValid()) return Fail("can't allocate memory");
  }
  if (job->color_type & PNG_COLOR_MASK_COLOR) png_set_bgr(png);
  return true;
}

void TxPngCodec::ReadResolution(ReadJob* job) {
  png_uint_32 x = 0;
  png_uint_32 y = 0;
  int unit = PNG_RESOLUTION_UNKNOWN;
  png_get_pHYs(job->png, job->info, &x, &y, &unit);
  if (unit == PNG_RESOLUTION_METER) {
    SetXDPI(static_cast<long>(std::floor(x * INCHES_PER_METRE + 0.5)));
    SetYDPI(static_cast<long>(std::floor(y * INCHES_PER_METRE + 0.5)));
  } else if (unit == PNG_RESOLUTION_UNKNOWN) {
    SetXDPI(static_cast<long>(x));
    SetYDPI(static_cast<long>(y));
  }
}

// The file's palette, or a grey ramp; then the palette's transparency: one
// fully transparent first entry becomes the transparent index, anything else
// an alpha palette.
void TxPngCodec::ReadPalette(ReadJob* job) {
  png_colorp file_palette = nullptr;
  int count = 0;
  if (png_get_PLTE(job->png, job->info, &file_palette, &count) && count > 0) {
    rgb_color entries[256];
    const int n = std::min(count, 256);
    for (int i = 0; i < n; ++i) {
      entries[i] = {file_palette[i].red, file_palette[i].green, file_palette[i].blue};
    }
    SetPalette(entries, static_cast<DWORD>(n));
  } else if (job->bit_depth == 2) {
    for (BYTE i = 0; i < 4; ++i) {
      SetPaletteColor(i, grey_levels_2bit[i], grey_levels_2bit[i], grey_levels_2bit[i], 0);
    }
  } else {
    SetGrayPalette();
  }

  png_bytep trans_alpha = nullptr;
  int trans_count = 0;
  if (job->color_type != PNG_COLOR_TYPE_PALETTE ||
      !png_get_tRNS(job->png, job->info, &trans_alpha, &trans_count, nullptr) || trans_count <= 0) {
    return;
  }
  RGBQUAD* palette = GetPalette();
  const DWORD colours = GetNumColors();
  const DWORD given = std::min(static_cast<DWORD>(trans_count), colours);
  for (DWORD i = 0; i < given; ++i) palette[i].rgbReserved = trans_alpha[i];
  if (trans_count == 1 && trans_alpha[0] == 0) {
    SetTransIndex(0);
  } else {
    AlphaPaletteEnable(true);
    for (DWORD i = given; i < colours; ++i) palette[i].rgbReserved = 255;
  }
}

bool TxPngCodec::ReadRows(ReadJob* job) {
  png_structp png = job->png;
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, job->info);
  const long width = GetWidth();
  const long height = GetHeight();
  const size_t file_row = static_cast<size_t>((job->pixel_bits + 7) / 8) * width + ROW_SLACK;
  const size_t row_size = std::max(file_row, static_cast<size_t>(png_get_rowbytes(png, job->info)));
  job->row = static_cast<BYTE*>(std::calloc(row_size, 1));
  if (!job->row) return Fail("can't allocate memory");
  SetCodecOption(passes > 1 ? 1 : 0, FORMAT_PNG);

  const DWORD row_bytes = GetEffWidth();
  for (int pass = 0; pass < passes; ++pass) {
    for (long k = 0; k < height; ++k) {
      if (Info.Escape) return false;
      const long y = height - 1 - k;
      BYTE* dib = GetBits(y);
      if (job->with_alpha) {
        BYTE* alpha = AlphaGetPointer(0, y);
        if (pass > 0) {
          for (long x = 0; x < width; ++x) {
            std::memcpy(job->row + 4 * x, dib + 3 * x, 3);
            job->row[4 * x + 3] = alpha[x];
          }
        }
        png_read_row(png, job->row, nullptr);
        for (long x = 0; x < width; ++x) {
          std::memcpy(dib + 3 * x, job->row + 4 * x, 3);
          alpha[x] = job->row[4 * x + 3];
        }
      } else {
        if (pass > 0) std::memcpy(job->row, dib, row_bytes);
        png_read_row(png, job->row, nullptr);
        if (job->bit_depth == 2 && pass == passes - 1) Expand2to4(job->row);
        std::memcpy(dib, job->row, row_bytes);
      }
    }
  }
  return true;
}

void TxPngCodec::ReleaseReadJob(ReadJob* job) {
  std::free(job->row);
  job->row = nullptr;
  png_destroy_read_struct(&job->png, &job->info, nullptr);
}

// From the last pixel down, so that every 2-bit value is read before its
// byte is overwritten.
void TxPngCodec::Expand2to4(BYTE* buffer) {
  for (long x = static_cast<long>(GetWidth()) - 1; x >= 0; --x) {
    const int shift = 6 - 2 * (x % 4);
    const BYTE value = static_cast<BYTE>((buffer[x / 4] >> shift) & 3);
    BYTE& out = buffer[x / 2];
    out = (x % 2 == 0) ? static_cast<BYTE>((out & 0x0F) | (value << 4))
                       : static_cast<BYTE>((out & 0xF0) | value);
  }
}
