#include "host/capture_file.h"

#include <cstring>

#include "host/output_file.h"

namespace {

void PrintSize(std::FILE* out, uint32_t size, size_t contract) {
  if (size == contract) std::fprintf(out, "size=contract");
  else std::fprintf(out, "size=%u", size);
}

void PrintColours(std::FILE* out, const RgbColour* colours, size_t count) {
  for (size_t i = 0; i < count; ++i)
    std::fprintf(out, "%02x%02x%02x%c", colours[i].red, colours[i].green, colours[i].blue,
                 (i % 16 == 15 || i + 1 == count) ? '\n' : ' ');
}

void PrintEscaped(std::FILE* out, const std::string& text) {
  std::fputc('"', out);
  for (unsigned char c : text) {
    if (c == '\r') std::fputs("\\r", out);
    else if (c == '\n') std::fputs("\\n", out);
    else if (c == '\t') std::fputs("\\t", out);
    else if (c == '"' || c == '\\') std::fprintf(out, "\\%c", c);
    else if (c < 32 || c >= 127) std::fprintf(out, "\\x%02x", c);
    else std::fputc(c, out);
  }
  std::fputs("\"\n", out);
}

void PrintFrame(std::FILE* out, size_t index, const DeliveredImage& frame) {
  std::fprintf(out, "frame %lu\nrecord ", static_cast<unsigned long>(index));
  PrintSize(out, frame.recordSize, sizeof(AddImageRecord));
  std::fprintf(out, " version=0x%x image=%s zero12=%d delay=%d zero20=%d,%d,%d number=%d key=%d", frame.version,
               frame.imageSet ? "set" : "null", frame.zero12, frame.delay, frame.zero20[0], frame.zero20[1],
               frame.zero20[2], frame.frameNumber, frame.transparentKey);
  bool tailZero = true;
  for (int32_t value : frame.zero40) tailZero = tailZero && value == 0;
  if (tailZero) {
    std::fprintf(out, " zero40=zero\n");
  } else {
    std::fprintf(out, " zero40=");
    for (int i = 0; i < 16; ++i) std::fprintf(out, "%d%c", frame.zero40[i], i == 15 ? '\n' : ',');
  }
  DibHeader h;
  std::memcpy(&h, frame.bitmap.data(), sizeof h);
  std::fprintf(out, "header %u %d %d %u %u %u %u %d %d %u %u\n", h.biSize, h.biWidth, h.biHeight, h.biPlanes,
               h.biBitCount, h.biCompression, h.biSizeImage, h.biXPelsPerMeter, h.biYPelsPerMeter, h.biClrUsed,
               h.biClrImportant);
  FramePicture picture;
  if (!ReadFramePicture(frame.bitmap, &picture)) {
    std::fprintf(out, "unreadable\n");
    return;
  }
  if (picture.bits <= 8) {
    std::fprintf(out, "table\n");
    PrintColours(out, picture.table.data(), picture.table.size());
  }
  std::string row;
  char digits[8];
  for (int32_t y = 0; y < picture.height; ++y) {
    row.clear();
    for (int32_t x = 0; x < picture.width; ++x) {
      if (picture.bits <= 8) {
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned>(picture.pixel(x, y)));
      } else {
        RgbColour c = picture.colour(x, y);
        std::snprintf(digits, sizeof digits, "%02x%02x%02x", c.red, c.green, c.blue);
      }
      row += digits;
    }
    std::fprintf(out, "row %d %s\n", y, row.c_str());
  }
}

}  // namespace

void WriteCapture(const Delivery& d, std::FILE* out) {
  std::fprintf(out, "kestrel-capture 1\ntask operation=%d ", d.test ? HostOpCreateTestTask : HostOpCreateTask);
  PrintSize(out, d.recordSize, sizeof(NewTaskRecord));
  std::fprintf(out, " version=0x%x window=%s width=%d height=%d bits=%d zero24=%d zero796=%d frames=%d tail=%s\n",
               d.version, d.windowSet ? "set" : "null", d.width, d.height, d.bits, d.zero24, d.zero796,
               d.frameCount, d.tailZero ? "zero" : "nonzero");
  std::fprintf(out, "palette\n");
  PrintColours(out, d.palette.entries, 256);
  for (size_t i = 0; i < d.frames.size(); ++i) PrintFrame(out, i, d.frames[i]);
  if (d.hasComment) {
    std::fprintf(out, "comment %lu ", static_cast<unsigned long>(d.comment.size()));
    PrintEscaped(out, d.comment);
  }
  std::fprintf(out, "finish %d\nsequence", d.finished);
  for (int32_t op : d.sequence) std::fprintf(out, " %d", op);
  std::fprintf(out, "\n");
}

bool WriteCaptureFile(const Delivery& delivery, const std::string& path, std::string* error) {
  return WriteOutputFile(path, error, [&](OutputFile& file) {
    WriteCapture(delivery, file.stream());
    return true;
  });
}
