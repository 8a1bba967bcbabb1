// Animated WebP files written from deliveries, read back with libwebp's decoder.
#include "host/webp_file.h"

#include <gtest/gtest.h>

#include <cmath>

#include "samples/scenes.h"
#include "tests/host/delivery_support.h"
#include "tests/host/gif_decoder.h"
#include "tests/host/webp_decoder.h"

namespace {

// Three photograph frames with different delays; the last is paletted with a key, as a
// Supercompress delivery would be.
Delivery MixedDelivery() {
  Delivery delivery;
  delivery.width = 48;
  delivery.height = 32;
  delivery.bits = 8;
  delivery.hasComment = true;
  delivery.comment = "not written";
  const int32_t delays[] = {7, 12, 30};
  for (int i = 0; i < 2; ++i) {
    DibImage scene = RenderScene(48, 32, 10 + static_cast<uint32_t>(i));
    delivery.frames.push_back(DeliveredFrame(scene, delays[i], -1));
    FreeDibImage(scene);
  }
  RgbPalette palette{};
  for (int i = 0; i < 256; ++i) palette.entries[i] = {uint8_t(i), uint8_t(i * 3), uint8_t(255 - i)};
  DibImage patch = CreateDibImage(48, 32, &palette, 8);
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 48; ++x) SetDibPixel(patch, x, y, x > 20 && y > 10 ? x + y : 0);
  delivery.frames.push_back(DeliveredFrame(patch, delays[2], 0));
  FreeDibImage(patch);
  return delivery;
}

DecodedWebp WriteAndDecode(const Delivery& delivery, int quality) {
  std::vector<uint8_t> bytes;
  std::string error;
  ByteSink sink = [&bytes](const uint8_t* data, size_t count) {
    bytes.insert(bytes.end(), data, data + count);
    return true;
  };
  EXPECT_TRUE(WriteWebpAnimation(delivery, WebpOptions{quality}, sink, &error)) << error;
  DecodedWebp webp;
  EXPECT_TRUE(DecodeWebp(bytes, &webp, &error)) << error;
  return webp;
}

TEST(WebpFileTest, LosslessRoundTripKeepsFramesDelaysAndPixels) {
  Delivery delivery = MixedDelivery();
  DecodedWebp webp = WriteAndDecode(delivery, -1);
  EXPECT_EQ(webp.width, 48);
  EXPECT_EQ(webp.height, 32);
  EXPECT_EQ(webp.loopCount, 0);  // for ever
  std::vector<std::vector<RgbColour>> expected = ComposeDelivery(delivery);
  ASSERT_EQ(webp.frames.size(), 3u);
  const int ends[] = {70, 190, 490};
  for (size_t f = 0; f < 3; ++f) {
    EXPECT_EQ(webp.frames[f].endTime, ends[f]) << "frame " << f;
    for (size_t p = 0; p < expected[f].size(); ++p) {
      ASSERT_EQ(webp.frames[f].alpha[p], 255) << "frame " << f << " pixel " << p;
      ASSERT_TRUE(SameColour(webp.frames[f].screen[p], expected[f][p])) << "frame " << f << " pixel " << p;
    }
  }
}

TEST(WebpFileTest, LossyIsCloseAndSmaller) {
  Delivery delivery = MixedDelivery();
  std::vector<std::vector<RgbColour>> expected = ComposeDelivery(delivery);
  DecodedWebp webp = WriteAndDecode(delivery, 90);
  ASSERT_EQ(webp.frames.size(), 3u);
  for (size_t f = 0; f < 3; ++f) {
    double squares = 0;
    for (size_t p = 0; p < expected[f].size(); ++p) {
      const RgbColour &a = webp.frames[f].screen[p], &b = expected[f][p];
      squares += (a.red - b.red) * (a.red - b.red) + (a.green - b.green) * (a.green - b.green) +
                 (a.blue - b.blue) * (a.blue - b.blue);
    }
    double psnr = 10 * std::log10(255.0 * 255.0 * 3.0 * static_cast<double>(expected[f].size()) / squares);
    EXPECT_GE(psnr, 30.0) << "frame " << f;
  }
}

TEST(WebpFileTest, RefusesWhatItCannotWrite) {
  Delivery delivery = MixedDelivery();
  std::string error;
  ByteSink sink = [](const uint8_t*, size_t) { return true; };
  EXPECT_FALSE(WriteWebpAnimation(delivery, WebpOptions{101}, sink, &error));
  EXPECT_NE(error.find("quality"), std::string::npos);
  delivery.frames[1].bitmap.resize(20);  // damaged
  EXPECT_FALSE(WriteWebpAnimation(delivery, WebpOptions{-1}, sink, &error));
  EXPECT_NE(error.find("frame 1"), std::string::npos);
  ByteSink full = [](const uint8_t*, size_t) { return false; };
  EXPECT_FALSE(WriteWebpAnimation(MixedDelivery(), WebpOptions{-1}, full, &error));
  EXPECT_FALSE(WriteWebpFile(MixedDelivery(), WebpOptions{-1}, "/nonexistent-dir/x.webp", &error));
}

}  // namespace
