#include "host/picture_fit.h"

#include <cstdint>
#include <vector>

#include "framework/dib_view.h"
#include "host/memory_estimate.h"

#define STB_IMAGE_RESIZE_STATIC
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb_image_resize.h>

OwnedDib FitPicture(OwnedDib picture, int fitWidth, int fitHeight) {
  if (!picture) return picture;
  PictureSize original;
  int bits = 0;
  {
    DibView view(picture.get());
    if (!view.ok()) return picture;
    original = PictureSize{view.width(), view.height()};
    bits = view.bits();
  }
  PictureSize size = FittedSize(original, fitWidth, fitHeight);
  if (size.width == original.width && size.height == original.height) return picture;

  OwnedDib converted(bits == 24 ? nullptr : ConvertToTrueColour(picture.get()));
  DibImage source = bits == 24 ? picture.get() : converted.get();
  OwnedDib scaled(source ? CreateDibImage(size.width, size.height, nullptr, 24) : nullptr);
  if (!scaled) return OwnedDib();
  // The views close before the owners free what they view.
  DibView in(source), out(scaled.get());
  // Packed rows run bottom-up at a padded stride: the scaler gets plain top-down copies.
  std::vector<unsigned char> from(static_cast<size_t>(in.width()) * in.height() * 3);
  std::vector<unsigned char> to(static_cast<size_t>(size.width) * size.height * 3);
  for (int32_t y = 0; y < in.height(); ++y) {
    const uint8_t* row = in.pictureRow(y);
    std::copy(row, row + 3 * static_cast<size_t>(in.width()), from.begin() + 3 * static_cast<size_t>(y) * in.width());
  }
  if (stbir_resize_uint8_srgb(from.data(), in.width(), in.height(), 0, to.data(), size.width, size.height, 0, 3,
                              STBIR_ALPHA_CHANNEL_NONE, 0) == 0)
    return OwnedDib();
  for (int32_t y = 0; y < size.height; ++y)
    std::copy(to.begin() + 3 * static_cast<size_t>(y) * size.width,
              to.begin() + 3 * static_cast<size_t>(y + 1) * size.width, out.pictureRow(y));
  return scaled;
}
