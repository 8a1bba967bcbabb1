// Deliveries made in tests from pictures, and what a viewer shows of them.
#pragma once

#include <vector>

#include "framework/dib_image.h"
#include "host/delivery.h"

// A delivered frame holding a copy of `image` (which stays the caller's).
DeliveredImage DeliveredFrame(DibImage image, int32_t delay, int32_t key);

// The screen after each frame: every frame drawn at the top-left corner over the
// frames before it, its key pixels left out.
std::vector<std::vector<RgbColour>> ComposeDelivery(const Delivery& delivery);
