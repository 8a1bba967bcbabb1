#include "tests/host/delivery_support.h"

#include "platform/memory.h"

DeliveredImage DeliveredFrame(DibImage image, int32_t delay, int32_t key) {
  DeliveredImage frame;
  frame.recordSize = sizeof(AddImageRecord);
  frame.version = kInterfaceVersion;
  frame.imageSet = true;
  frame.delay = delay;
  frame.transparentKey = key;
  platform::BlockLock lock(image);
  const auto* bytes = static_cast<const uint8_t*>(lock.data());
  frame.bitmap.assign(bytes, bytes + platform::BlockSize(image));
  return frame;
}

std::vector<std::vector<RgbColour>> ComposeDelivery(const Delivery& delivery) {
  std::vector<std::vector<RgbColour>> screens;
  std::vector<RgbColour> screen(static_cast<size_t>(delivery.width) * delivery.height, RgbColour{0, 0, 0});
  for (const DeliveredImage& frame : delivery.frames) {
    FramePicture picture;
    if (ReadFramePicture(frame.bitmap, &picture)) {
      for (int32_t y = 0; y < picture.height && y < delivery.height; ++y)
        for (int32_t x = 0; x < picture.width && x < delivery.width; ++x)
          if (picture.pixel(x, y) != frame.transparentKey)
            screen[static_cast<size_t>(y) * delivery.width + x] = picture.colour(x, y);
    }
    screens.push_back(screen);
  }
  return screens;
}
