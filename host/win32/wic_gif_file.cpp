// Animated GIFs on Windows, through the system's imaging component (its GIF encoder):
// every delivered frame becomes one 8-bit frame with its own colour table, its delay and
// transparent index in the graphic control block and the disposal "leave in place"; the
// file loops for ever (the NETSCAPE2.0 application block) and carries the delivery's
// comment. Only paletted deliveries are written; a true-colour build goes to .png.
#include <windows.h>
#include <wincodec.h>

#include <string>
#include <vector>

#include "host/gif_file.h"

namespace {

template <typename T>
struct ComPointer {
  T* p = nullptr;
  ~ComPointer() {
    if (p) p->Release();
  }
  T** out() { return &p; }
  T* operator->() const { return p; }
};

bool Failed(HRESULT result, const char* what, std::string* error) {
  if (SUCCEEDED(result)) return false;
  char text[160];
  wsprintfA(text, "the system's GIF encoder failed (%s, 0x%08lX)", what, static_cast<unsigned long>(result));
  *error = text;
  return true;
}

HRESULT SetByName(IWICMetadataQueryWriter* writer, const wchar_t* name, PROPVARIANT& value) {
  return writer->SetMetadataByName(name, &value);
}

HRESULT SetBytes(IWICMetadataQueryWriter* writer, const wchar_t* name, const uint8_t* bytes, ULONG count) {
  PROPVARIANT value;
  PropVariantInit(&value);
  value.vt = VT_UI1 | VT_VECTOR;
  value.caub.cElems = count;
  value.caub.pElems = const_cast<UCHAR*>(bytes);
  return SetByName(writer, name, value);
}

HRESULT SetByte(IWICMetadataQueryWriter* writer, const wchar_t* name, uint8_t byte) {
  PROPVARIANT value;
  PropVariantInit(&value);
  value.vt = VT_UI1;
  value.bVal = byte;
  return SetByName(writer, name, value);
}

HRESULT SetBool(IWICMetadataQueryWriter* writer, const wchar_t* name, bool flag) {
  PROPVARIANT value;
  PropVariantInit(&value);
  value.vt = VT_BOOL;
  value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
  return SetByName(writer, name, value);
}

// One frame: its indices top-down, one byte each, and its colour table.
bool WriteFrame(IWICImagingFactory* factory, IWICBitmapEncoder* encoder, const DeliveredImage& image,
                std::string* error) {
  FramePicture picture;
  if (!ReadFramePicture(image.bitmap, &picture) || picture.bits > 8) {
    *error = "a delivered frame is not a paletted picture";
    return false;
  }
  std::vector<BYTE> indices(static_cast<size_t>(picture.width) * picture.height);
  for (int32_t y = 0; y < picture.height; ++y)
    for (int32_t x = 0; x < picture.width; ++x)
      indices[static_cast<size_t>(y) * picture.width + x] = static_cast<BYTE>(picture.pixel(x, y));
  std::vector<WICColor> colours;
  for (const RgbColour& c : picture.table)
    colours.push_back(0xFF000000u | (c.red << 16) | (c.green << 8) | c.blue);

  ComPointer<IWICBitmapFrameEncode> frame;
  ComPointer<IPropertyBag2> options;
  if (Failed(encoder->CreateNewFrame(frame.out(), options.out()), "new frame", error) ||
      Failed(frame->Initialize(options.p), "frame", error) ||
      Failed(frame->SetSize(picture.width, picture.height), "frame size", error))
    return false;
  WICPixelFormatGUID format = GUID_WICPixelFormat8bppIndexed;
  ComPointer<IWICPalette> palette;
  if (Failed(frame->SetPixelFormat(&format), "pixel format", error) ||
      Failed(factory->CreatePalette(palette.out()), "palette", error) ||
      Failed(palette->InitializeCustom(colours.data(), static_cast<UINT>(colours.size())), "palette", error) ||
      Failed(frame->SetPalette(palette.p), "palette", error))
    return false;

  ComPointer<IWICMetadataQueryWriter> metadata;
  if (Failed(frame->GetMetadataQueryWriter(metadata.out()), "frame metadata", error)) return false;
  PROPVARIANT delay;
  PropVariantInit(&delay);
  delay.vt = VT_UI2;
  delay.uiVal = static_cast<USHORT>(image.delay < 0 ? 0 : image.delay > 65535 ? 65535 : image.delay);
  bool transparent = image.transparentKey >= 0 && image.transparentKey < static_cast<int32_t>(colours.size());
  if (Failed(SetByName(metadata.p, L"/grctlext/Delay", delay), "delay", error) ||
      Failed(SetByte(metadata.p, L"/grctlext/Disposal", 1), "disposal", error) ||
      Failed(SetBool(metadata.p, L"/grctlext/TransparencyFlag", transparent), "transparency", error))
    return false;
  if (transparent && Failed(SetByte(metadata.p, L"/grctlext/TransparentColorIndex",
                                    static_cast<uint8_t>(image.transparentKey)),
                            "transparent index", error))
    return false;

  UINT stride = static_cast<UINT>(picture.width);
  return !Failed(frame->WritePixels(picture.height, stride, static_cast<UINT>(indices.size()), indices.data()),
                 "pixels", error) &&
         !Failed(frame->Commit(), "frame commit", error);
}

bool Encode(const Delivery& delivery, IStream* stream, std::string* error) {
  ComPointer<IWICImagingFactory> factory;
  ComPointer<IWICBitmapEncoder> encoder;
  if (Failed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.out())),
             "imaging factory", error) ||
      Failed(CoCreateInstance(CLSID_WICGifEncoder, nullptr, CLSCTX_INPROC_SERVER, IID_IWICBitmapEncoder,
                              reinterpret_cast<void**>(encoder.out())),
             "GIF encoder", error) ||
      Failed(encoder->Initialize(stream, WICBitmapEncoderNoCache), "encoder", error))
    return false;

  // The file's own blocks: looping for ever, and the comment.
  ComPointer<IWICMetadataQueryWriter> metadata;
  if (Failed(encoder->GetMetadataQueryWriter(metadata.out()), "file metadata", error)) return false;
  static const uint8_t kApplication[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
  static const uint8_t kLoopForEver[] = {3, 1, 0, 0, 0};  // sub-block size 3, id 1, count 0, end
  if (Failed(SetBytes(metadata.p, L"/appext/application", kApplication, sizeof kApplication), "application", error) ||
      Failed(SetBytes(metadata.p, L"/appext/data", kLoopForEver, sizeof kLoopForEver), "loop", error))
    return false;
  if (delivery.hasComment) {
    PROPVARIANT comment;
    PropVariantInit(&comment);
    comment.vt = VT_LPSTR;
    comment.pszVal = const_cast<char*>(delivery.comment.c_str());
    if (Failed(SetByName(metadata.p, L"/commentext/TextEntry", comment), "comment", error)) return false;
  }
  for (const DeliveredImage& image : delivery.frames)
    if (!WriteFrame(factory.p, encoder.p, image, error)) return false;
  return !Failed(encoder->Commit(), "commit", error);
}

}  // namespace

bool GifCanHold(const Delivery& delivery) {
  for (const DeliveredImage& image : delivery.frames) {
    FramePicture picture;
    if (!ReadFramePicture(image.bitmap, &picture) || picture.bits > 8) return false;
  }
  return true;
}

bool WriteGifAnimation(const Delivery& delivery, const ByteSink& sink, std::string* error, int /*threads*/) {
  if (delivery.frames.empty()) {
    *error = "the delivery holds no frames";
    return false;
  }
  HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool ok = false;
  {
    ComPointer<IStream> stream;
    if (!Failed(CreateStreamOnHGlobal(nullptr, TRUE, stream.out()), "memory stream", error) &&
        Encode(delivery, stream.p, error)) {
      HGLOBAL memory = nullptr;
      STATSTG status = {};
      if (!Failed(GetHGlobalFromStream(stream.p, &memory), "memory stream", error) &&
          !Failed(stream->Stat(&status, STATFLAG_NONAME), "memory stream", error)) {
        const uint8_t* bytes = static_cast<const uint8_t*>(GlobalLock(memory));
        ok = bytes && sink(bytes, static_cast<size_t>(status.cbSize.QuadPart));
        if (bytes) GlobalUnlock(memory);
        if (!ok && error->empty()) *error = "cannot write the GIF file";
      }
    }
  }
  if (SUCCEEDED(initialised)) CoUninitialize();
  return ok;
}
