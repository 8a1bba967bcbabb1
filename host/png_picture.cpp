// PNG pictures through libpng, row by row straight into the picture: an indexed-colour
// file into an 8-bit picture of its palette (its transparency, if any, with it), any
// other into a 24-bit picture. Samples of 16 bits keep their high byte; grey becomes
// grey red, green and blue; a transparent colour key becomes transparency. Gamma and
// colour profiles are not applied (as the system's imaging component does not). An
// interlaced file is read pass by pass, each pixel put where it belongs, so no
// whole-picture buffer is held. libpng's memory is counted against the decoders' cap.
//
// libpng reports errors by longjmp: the functions that call it hold only plain values,
// and everything that must be freed lives in their callers.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host/decoder_memory.h"
#include "host/picture_canvas.h"
#include "host/picture_decoders.h"

namespace {

struct PngSource {
  const unsigned char* data;
  size_t size;
  size_t at;
  char message[200];
};

void ReadPngBytes(png_structp png, png_bytep out, png_size_t count) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (count > source->size - source->at) png_error(png, "the file is cut short");
  std::memcpy(out, source->data + source->at, count);
  source->at += count;
}

void OnPngError(png_structp png, png_const_charp message) {
  auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
  std::snprintf(source->message, sizeof source->message, "%s", message ? message : "unreadable");
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

png_voidp AllocateForPng(png_structp, png_alloc_size_t bytes) { return DecoderAllocate(bytes); }
void FreeForPng(png_structp, png_voidp block) { DecoderFree(block); }

// What the header says, after the transformations are chosen.
struct PngLayout {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  bool indexed = false;
  bool interlaced = false;
  std::vector<TableColour>* table = nullptr;  // filled for an indexed file
};

// Reads the header and sets libpng to hand out rows of indexes (indexed colour) or of
// red, green, blue, alpha bytes. False with libpng's message in the source.
bool ReadPngHeader(png_structp png, png_infop info, PngLayout* layout) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
  // A checksum that does not match is not held against the chunk, as the system's
  // imaging component on Windows does not: the data itself is still checked by inflate.
  png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
  png_set_chunk_malloc_max(png, 8u << 20);  // no ancillary chunk may take more than 8 MiB
  png_read_info(png, info);
  layout->width = png_get_image_width(png, info);
  layout->height = png_get_image_height(png, info);
  layout->interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  const int colourType = png_get_color_type(png, info);
  layout->indexed = colourType == PNG_COLOR_TYPE_PALETTE;
  if (layout->indexed) {
    png_colorp colours = nullptr;
    int count = 0;
    if (!png_get_PLTE(png, info, &colours, &count)) png_error(png, "an indexed-colour picture without its palette");
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    if (!png_get_tRNS(png, info, &alphas, &alphaCount, nullptr)) alphaCount = 0;
    for (int i = 0; i < count && i < 256; ++i)
      layout->table->push_back(TableColour{colours[i].red, colours[i].green, colours[i].blue,
                                           static_cast<uint8_t>(i < alphaCount ? alphas[i] : 255)});
    png_set_packing(png);  // 1, 2 and 4 bits: one index a byte
  } else {
    png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);  // opaque where the file has no alpha
  }
  png_read_update_info(png, info);
  const png_size_t expected = layout->indexed ? layout->width : 4 * static_cast<png_size_t>(layout->width);
  if (png_get_rowbytes(png, info) != expected) png_error(png, "an unexpected row layout");
  return true;
}

// Reads every row into the canvas, pass by pass for an interlaced file. False with
// libpng's message in the source.
bool ReadPngRows(png_structp png, const PngLayout& layout, const PictureCanvas* canvas, uint8_t* row) {
  if (setjmp(png_jmpbuf(png))) return false;
  const int passes = layout.interlaced ? 7 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    png_uint_32 rows = layout.height, columns = layout.width, firstColumn = 0, columnStep = 1;
    if (layout.interlaced) {
      rows = PNG_PASS_ROWS(layout.height, pass);
      columns = PNG_PASS_COLS(layout.width, pass);
      firstColumn = PNG_PASS_START_COL(pass);
      columnStep = 1u << PNG_PASS_COL_SHIFT(pass);
      if (rows == 0 || columns == 0) continue;  // libpng skips an empty pass
    }
    for (png_uint_32 r = 0; r < rows; ++r) {
      png_read_row(png, row, nullptr);
      const png_uint_32 y = layout.interlaced ? PNG_ROW_FROM_PASS_ROW(r, pass) : r;
      if (layout.indexed)
        canvas->putIndexes(static_cast<int32_t>(y), row, static_cast<int32_t>(columns),
                           static_cast<int32_t>(firstColumn), static_cast<int32_t>(columnStep));
      else
        canvas->putRgba(static_cast<int32_t>(y), row, static_cast<int32_t>(columns),
                        static_cast<int32_t>(firstColumn), static_cast<int32_t>(columnStep));
    }
  }
  return true;
}

// libpng's read and info records, destroyed with it.
class PngReader {
 public:
  explicit PngReader(PngSource* source) {
    png_ = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, source, OnPngError, OnPngWarning, nullptr,
                                    AllocateForPng, FreeForPng);
    if (png_) info_ = png_create_info_struct(png_);
    if (png_) png_set_read_fn(png_, source, ReadPngBytes);
  }
  ~PngReader() { png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr); }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;
  bool ok() const { return png_ && info_; }
  png_structp png() const { return png_; }
  png_infop info() const { return info_; }

 private:
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

std::string PngReason(const PngSource& source) {
  // libpng's memory comes from the decoders' counted allocator.
  if (std::strstr(source.message, "Out of memory") || std::strstr(source.message, "out of memory"))
    return OverDecoderCap();
  return std::string("damaged (") + source.message + ")";
}

}  // namespace

DibImage DecodePngPicture(const unsigned char* data, size_t size, const PictureHeader&, std::string* error) {
  PngSource source{data, size, 0, {0}};
  PngReader reader(&source);
  if (!reader.ok()) {
    *error = "not enough memory for the picture";
    return nullptr;
  }
  std::vector<TableColour> table;
  PngLayout layout;
  layout.table = &table;
  if (!ReadPngHeader(reader.png(), reader.info(), &layout)) {
    *error = PngReason(source);
    return nullptr;
  }
  *error = CheckPictureSize(layout.width, layout.height);
  if (!error->empty()) return nullptr;
  PictureCanvas canvas;
  DecoderBuffer row(layout.indexed ? layout.width : 4 * static_cast<size_t>(layout.width));
  const int32_t width = static_cast<int32_t>(layout.width), height = static_cast<int32_t>(layout.height);
  if (!row || !(layout.indexed ? canvas.startIndexed(width, height, table) : canvas.startTrueColour(width, height, false))) {
    *error = "not enough memory for the picture";
    return nullptr;
  }
  if (!ReadPngRows(reader.png(), layout, &canvas, row.data())) {
    *error = PngReason(source);
    return nullptr;
  }
  DibImage image = canvas.finish();
  if (!image) *error = "not enough memory for the picture";
  return image;
}
