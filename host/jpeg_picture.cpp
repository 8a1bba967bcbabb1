// JPEG pictures through libjpeg-turbo, scanline by scanline straight into the 24-bit
// picture (grey, colour and CMYK files alike; progressive files too). The library's
// large buffers (a progressive file's coefficients) are held to the decoders' cap by its
// own memory limit; a progressive file of more than kMaxScans scans is refused, since
// each scan costs a pass over the whole picture and hostile files use thousands. A file
// cut short is refused as damaged; damaged entropy data inside a whole file is shown as
// the library recovers it, as viewers show it.
//
// libjpeg reports errors by longjmp: the functions that call it hold only plain values,
// and everything that must be freed lives in their callers.
#include <cstdio>
#include <csetjmp>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "host/decoder_memory.h"
#include "host/picture_canvas.h"
#include "host/picture_decoders.h"

namespace {

constexpr int kMaxScans = 500;

struct JpegErrors {
  jpeg_error_mgr manager;  // first, so that the library's pointer is ours
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void Stop(j_common_ptr info, const char* message) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  std::snprintf(errors->message, sizeof errors->message, "%s", message);
  std::longjmp(errors->jump, 1);
}

void OnJpegError(j_common_ptr info) {
  char message[JMSG_LENGTH_MAX];
  info->err->format_message(info, message);
  Stop(info, message);
}

void OnJpegMessage(j_common_ptr info, int level) {
  // A file cut short would be finished in grey: it is damaged.
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) Stop(info, "the file is cut short");
}

void OnJpegProgress(j_common_ptr info) {
  auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
  if (decompress->input_scan_number > kMaxScans) Stop(info, "more than 500 scans");
}

// The decompressor and its error and progress handlers, destroyed with it.
class JpegReader {
 public:
  JpegReader(const unsigned char* data, size_t size) {
    info_.err = jpeg_std_error(&errors_.manager);
    errors_.manager.error_exit = OnJpegError;
    errors_.manager.emit_message = OnJpegMessage;
    errors_.message[0] = 0;
    progress_.progress_monitor = OnJpegProgress;
    if (setjmp(errors_.jump)) return;  // creating it ran out of memory: ok() stays false
    jpeg_create_decompress(&info_);
    created_ = true;
    info_.progress = &progress_;
    info_.mem->max_memory_to_use = static_cast<long>(DecoderMemoryCap());
    jpeg_mem_src(&info_, data, static_cast<unsigned long>(size));
  }
  ~JpegReader() {
    if (created_) jpeg_destroy_decompress(&info_);
  }
  JpegReader(const JpegReader&) = delete;
  JpegReader& operator=(const JpegReader&) = delete;

  bool ok() const { return created_; }
  j_decompress_ptr info() { return &info_; }
  JpegErrors& errors() { return errors_; }
  std::string reason() const {
    if (std::strstr(errors_.message, "Insufficient memory") || std::strstr(errors_.message, "Backing store"))
      return OverDecoderCap();
    return std::string("damaged (") + errors_.message + ")";
  }

 private:
  jpeg_decompress_struct info_{};
  JpegErrors errors_{};
  jpeg_progress_mgr progress_{};
  bool created_ = false;
};

// Reads the header and chooses the colours handed out: blue, green, red, or CMYK.
bool ReadJpegHeader(JpegReader* reader, bool* cmyk) {
  j_decompress_ptr info = reader->info();
  if (setjmp(reader->errors().jump)) return false;
  jpeg_read_header(info, TRUE);
  *cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
  info->out_color_space = *cmyk ? JCS_CMYK : JCS_EXT_BGR;
  return true;
}

// Decodes every scanline into the canvas (through `cmykRow` for a CMYK file).
bool ReadJpegRows(JpegReader* reader, const PictureCanvas* canvas, uint8_t* cmykRow) {
  j_decompress_ptr info = reader->info();
  if (setjmp(reader->errors().jump)) return false;
  jpeg_start_decompress(info);
  if (static_cast<int32_t>(info->output_width) != canvas->width() ||
      static_cast<int32_t>(info->output_height) != canvas->height() ||
      info->output_components != (cmykRow ? 4 : 3))
    Stop(reinterpret_cast<j_common_ptr>(info), "an unexpected picture layout");
  // An Adobe file stores CMYK inverted (255 no ink); others store the ink.
  const bool inverted = info->saw_Adobe_marker;
  while (info->output_scanline < info->output_height) {
    const int32_t y = static_cast<int32_t>(info->output_scanline);
    JSAMPROW row = cmykRow ? cmykRow : canvas->row(y);
    if (jpeg_read_scanlines(info, &row, 1) != 1) Stop(reinterpret_cast<j_common_ptr>(info), "the file is cut short");
    if (!cmykRow) continue;
    uint8_t* out = canvas->row(y);
    const uint8_t* in = cmykRow;
    for (int32_t x = 0; x < canvas->width(); ++x, in += 4, out += 3) {
      // Without ink a channel is full; each ink takes its share away.
      const unsigned c = inverted ? in[0] : 255 - in[0], m = inverted ? in[1] : 255 - in[1],
                     yellow = inverted ? in[2] : 255 - in[2], k = inverted ? in[3] : 255 - in[3];
      out[0] = static_cast<uint8_t>((yellow * k + 127) / 255);
      out[1] = static_cast<uint8_t>((m * k + 127) / 255);
      out[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
  }
  return true;
}

}  // namespace

DibImage DecodeJpegPicture(const unsigned char* data, size_t size, const PictureHeader&, std::string* error) {
  JpegReader reader(data, size);
  if (!reader.ok()) {
    *error = "not enough memory for the picture";
    return nullptr;
  }
  bool cmyk = false;
  if (!ReadJpegHeader(&reader, &cmyk)) {
    *error = reader.reason();
    return nullptr;
  }
  const j_decompress_ptr info = reader.info();
  *error = CheckPictureSize(info->image_width, info->image_height);
  if (!error->empty()) return nullptr;
  const int32_t width = static_cast<int32_t>(info->image_width), height = static_cast<int32_t>(info->image_height);
  PictureCanvas canvas;
  DecoderBuffer cmykRow(cmyk ? 4 * static_cast<size_t>(width) : 0);
  if ((cmyk && !cmykRow) || !canvas.startTrueColour(width, height, false)) {
    *error = "not enough memory for the picture";
    return nullptr;
  }
  if (!ReadJpegRows(&reader, &canvas, cmyk ? cmykRow.data() : nullptr)) {
    *error = reader.reason();
    return nullptr;
  }
  DibImage image = canvas.finish();
  if (!image) *error = "not enough memory for the picture";
  return image;
}
