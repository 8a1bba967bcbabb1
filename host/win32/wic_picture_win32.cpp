// PNG and JPEG pictures on Windows through the system's imaging component (WIC), with
// the contract of the native decoders: the same pixels from the same file (JPEG decoders
// may differ by rounding), transparency shown over white, an indexed-colour PNG as an
// 8-bit picture of its palette when every pixel is opaque.
//
// The component's own decoders hold the whole decoded picture (and a progressive JPEG's
// coefficients) and cannot be given a cap, so what they will hold is worked out from the
// header first and a file that would take them past the decoders' cap is refused. The
// pixels are then taken in bands of rows in the format the decoder gives and converted
// here, so that a format conversion of the system never decides a colour: samples of
// 16 bits keep their high byte, grey becomes grey red, green and blue, CMYK ink is taken
// away from white. Formats not listed are converted by the component to blue, green,
// red, alpha.
#include <windows.h>
#include <initguid.h>
#include <wincodec.h>

#include <cstring>
#include <vector>

#include "host/decoder_memory.h"
#include "host/picture_canvas.h"
#include "host/picture_decoders.h"

namespace {

// A COM interface pointer, released with it.
template <class T>
class Com {
 public:
  Com() = default;
  ~Com() {
    if (p_) p_->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T** out() { return &p_; }
  T* operator->() const { return p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

// COM for the calling thread while the picture is decoded (pictures are decoded on
// several threads): left as it was afterwards.
class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT result_;
};

std::string Hex(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
  return text;
}

// How the pixels of a format are read: bits a pixel, and what they hold.
enum class Layout { Indexed, Grey, Grey16, Bgr, Bgrx, Bgra, Rgba, Rgb48, Rgba64, Cmyk, Other };

struct FormatRow {
  const GUID* format;
  Layout layout;
  int bits;
};

const FormatRow kFormats[] = {
    {&GUID_WICPixelFormat1bppIndexed, Layout::Indexed, 1}, {&GUID_WICPixelFormat2bppIndexed, Layout::Indexed, 2},
    {&GUID_WICPixelFormat4bppIndexed, Layout::Indexed, 4}, {&GUID_WICPixelFormat8bppIndexed, Layout::Indexed, 8},
    {&GUID_WICPixelFormatBlackWhite, Layout::Grey, 1},     {&GUID_WICPixelFormat2bppGray, Layout::Grey, 2},
    {&GUID_WICPixelFormat4bppGray, Layout::Grey, 4},       {&GUID_WICPixelFormat8bppGray, Layout::Grey, 8},
    {&GUID_WICPixelFormat16bppGray, Layout::Grey16, 16},   {&GUID_WICPixelFormat24bppBGR, Layout::Bgr, 24},
    {&GUID_WICPixelFormat32bppBGR, Layout::Bgrx, 32},      {&GUID_WICPixelFormat32bppBGRA, Layout::Bgra, 32},
    {&GUID_WICPixelFormat32bppRGBA, Layout::Rgba, 32},     {&GUID_WICPixelFormat48bppRGB, Layout::Rgb48, 48},
    {&GUID_WICPixelFormat64bppRGBA, Layout::Rgba64, 64},   {&GUID_WICPixelFormat32bppCMYK, Layout::Cmyk, 32},
};

FormatRow RowOf(const GUID& format) {
  for (const FormatRow& row : kFormats)
    if (IsEqualGUID(*row.format, format)) return row;
  return FormatRow{&GUID_WICPixelFormat32bppBGRA, Layout::Other, 32};
}

// The packed sample of `bits` at pixel x of a row, scaled to 0..255 for grey.
unsigned Sample(const uint8_t* row, int32_t x, int bits) {
  if (bits == 8) return row[x];
  const size_t bit = static_cast<size_t>(x) * bits;
  return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

// One row of the source as red, green, blue, alpha.
void ToRgba(const FormatRow& format, const uint8_t* in, int32_t width, const std::vector<TableColour>& table,
            uint8_t* out) {
  for (int32_t x = 0; x < width; ++x, out += 4) {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    switch (format.layout) {
      case Layout::Indexed: {
        const unsigned index = Sample(in, x, format.bits);
        const TableColour c = index < table.size() ? table[index] : TableColour{0, 0, 0, 255};
        r = c.red, g = c.green, b = c.blue, a = c.alpha;
        break;
      }
      case Layout::Grey: {
        const unsigned scale = format.bits == 1 ? 255 : format.bits == 2 ? 85 : format.bits == 4 ? 17 : 1;
        r = g = b = static_cast<uint8_t>(Sample(in, x, format.bits) * scale);
        break;
      }
      case Layout::Grey16: r = g = b = in[2 * x + 1]; break;  // little-endian samples: the high byte
      case Layout::Bgr: b = in[3 * x], g = in[3 * x + 1], r = in[3 * x + 2]; break;
      case Layout::Bgrx: b = in[4 * x], g = in[4 * x + 1], r = in[4 * x + 2]; break;
      case Layout::Bgra:
      case Layout::Other: b = in[4 * x], g = in[4 * x + 1], r = in[4 * x + 2], a = in[4 * x + 3]; break;
      case Layout::Rgba: r = in[4 * x], g = in[4 * x + 1], b = in[4 * x + 2], a = in[4 * x + 3]; break;
      case Layout::Rgb48: r = in[6 * x + 1], g = in[6 * x + 3], b = in[6 * x + 5]; break;
      case Layout::Rgba64: r = in[8 * x + 1], g = in[8 * x + 3], b = in[8 * x + 5], a = in[8 * x + 7]; break;
      case Layout::Cmyk: {
        // Ink taken away from white: each channel keeps what its ink and the black leave.
        const unsigned c = 255 - in[4 * x], m = 255 - in[4 * x + 1], y = 255 - in[4 * x + 2], k = 255 - in[4 * x + 3];
        r = static_cast<uint8_t>((c * k + 127) / 255);
        g = static_cast<uint8_t>((m * k + 127) / 255);
        b = static_cast<uint8_t>((y * k + 127) / 255);
        break;
      }
    }
    out[0] = r, out[1] = g, out[2] = b, out[3] = a;
  }
}

// What the component's decoder will hold for the file, from its header.
uint64_t HeldBytes(const PictureHeader& header) {
  const uint64_t pixels = static_cast<uint64_t>(header.width) * static_cast<uint64_t>(header.height);
  if (header.format == PictureFormat::Jpeg) {
    const uint64_t components = header.bitsPerPixel > 0 ? header.bitsPerPixel / 8 : 3;
    // The decoded picture, and 2 bytes a sample of coefficients for a progressive file.
    return pixels * components * (header.progressive ? 3 : 1);
  }
  // The decoded picture: an indexed one a byte a pixel at most, any other widened to
  // four samples (grey with alpha, a transparent colour) of its depth at most.
  if (header.indexedColour) return pixels;
  return pixels * (header.sampleBits == 16 ? 8 : 4);
}

DibImage DecodeWithWic(const unsigned char* data, size_t size, const PictureHeader& header, std::string* error) {
  if (HeldBytes(header) > DecoderMemoryCap()) {
    *error = OverDecoderCap();
    return nullptr;
  }
  if (size > MAXDWORD) {
    *error = "the file is too large";
    return nullptr;
  }
  ComApartment apartment;
  Com<IWICImagingFactory> factory;
  HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    reinterpret_cast<void**>(factory.out()));
  if (FAILED(result)) {
    *error = "the system's imaging component is not available (" + Hex(result) + ")";
    return nullptr;
  }
  Com<IWICStream> stream;
  Com<IWICBitmapDecoder> decoder;
  Com<IWICBitmapFrameDecode> frame;
  if (SUCCEEDED(result = factory->CreateStream(stream.out())))
    result = stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size));
  if (SUCCEEDED(result))
    result = factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.out());
  if (SUCCEEDED(result)) result = decoder->GetFrame(0, frame.out());
  if (FAILED(result)) {
    *error = result == E_OUTOFMEMORY ? "not enough memory for the picture"
                                     : "damaged (the system's decoder refused it: " + Hex(result) + ")";
    return nullptr;
  }
  UINT width = 0, height = 0;
  GUID format;
  if (FAILED(result = frame->GetSize(&width, &height)) || FAILED(result = frame->GetPixelFormat(&format))) {
    *error = "damaged (" + Hex(result) + ")";
    return nullptr;
  }
  *error = CheckPictureSize(width, height);
  if (!error->empty()) return nullptr;
  FormatRow row = RowOf(format);

  // The palette of an indexed format, with each colour's opacity.
  std::vector<TableColour> table;
  if (row.layout == Layout::Indexed) {
    Com<IWICPalette> palette;
    UINT count = 0;
    WICColor colours[256];
    if (FAILED(result = factory->CreatePalette(palette.out())) || FAILED(result = frame->CopyPalette(palette.get())) ||
        FAILED(result = palette->GetColors(256, colours, &count))) {
      *error = "damaged (a palette the system cannot read: " + Hex(result) + ")";
      return nullptr;
    }
    for (UINT i = 0; i < count; ++i)
      table.push_back(TableColour{static_cast<uint8_t>(colours[i] >> 16), static_cast<uint8_t>(colours[i] >> 8),
                                  static_cast<uint8_t>(colours[i]), static_cast<uint8_t>(colours[i] >> 24)});
  }
  // Any other format is converted by the component.
  Com<IWICBitmapSource> converted;
  IWICBitmapSource* source = frame.get();
  if (row.layout == Layout::Other) {
    if (FAILED(result = WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), converted.out()))) {
      *error = "a pixel format the system cannot convert (" + Hex(result) + ")";
      return nullptr;
    }
    source = converted.get();
  }

  // An indexed-colour PNG keeps its indexes; everything else becomes 24-bit.
  const bool indexes = header.indexedColour && row.layout == Layout::Indexed;
  PictureCanvas canvas;
  const int32_t w = static_cast<int32_t>(width), h = static_cast<int32_t>(height);
  const uint64_t stride = (static_cast<uint64_t>(width) * row.bits + 31) / 32 * 4;
  const int32_t band = static_cast<int32_t>(stride * 64 <= (4u << 20) ? 64 : 1 + (4u << 20) / stride);
  DecoderBuffer pixels(static_cast<size_t>(stride) * band), rgba(indexes ? 0 : static_cast<size_t>(w) * 4);
  if (!pixels || (!indexes && !rgba) ||
      !(indexes ? canvas.startIndexed(w, h, table) : canvas.startTrueColour(w, h, false))) {
    *error = "not enough memory for the picture";
    return nullptr;
  }
  for (int32_t top = 0; top < h; top += band) {
    const int32_t rows = h - top < band ? h - top : band;
    const WICRect rect{0, top, w, rows};
    result = source->CopyPixels(&rect, static_cast<UINT>(stride), static_cast<UINT>(stride * rows), pixels.data());
    if (FAILED(result)) {
      *error = "damaged (the system's decoder stopped: " + Hex(result) + ")";
      return nullptr;
    }
    for (int32_t i = 0; i < rows; ++i) {
      const uint8_t* in = pixels.data() + static_cast<size_t>(i) * stride;
      if (indexes) {
        uint8_t* out = canvas.row(top + i);
        for (int32_t x = 0; x < w; ++x) out[x] = static_cast<uint8_t>(Sample(in, x, row.bits));
      } else {
        ToRgba(row, in, w, table, rgba.data());
        canvas.putRgba(top + i, rgba.data(), w);
      }
    }
  }
  DibImage image = canvas.finish();
  if (!image) *error = "not enough memory for the picture";
  return image;
}

}  // namespace

DibImage DecodePngPicture(const unsigned char* data, size_t size, const PictureHeader& header, std::string* error) {
  return DecodeWithWic(data, size, header, error);
}

DibImage DecodeJpegPicture(const unsigned char* data, size_t size, const PictureHeader& header, std::string* error) {
  return DecodeWithWic(data, size, header, error);
}
