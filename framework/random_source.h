// The seeded random source shared by the effects that draw random numbers (Ripple,
// Pyrotechnics): a 64-bit linear congruential generator. The order in which an effect
// takes its draws is part of the animation it makes, so the same seed always gives the
// same frames on every target.
#pragma once

#include <cstdint>

class RandomSource {
 public:
  // The state becomes `seed`, its upper half zero.
  void SeedRandom(uint32_t seed) { state_ = seed; }

  // Advances the state (S = S * 0x000015A400004E35 + 1 mod 2^64) and yields bits 32 to 62
  // of the new state: 0 to 2147483647.
  int32_t RandomDraw() {
    state_ = state_ * kMultiplier + 1;
    return static_cast<int32_t>((state_ >> 32) & 0x7FFFFFFFu);
  }

  // A fraction from 0 to 0.999999 in steps of one millionth: (draw mod 1000000) / 1000000.
  double UnitDraw() { return (RandomDraw() % 1000000) * 0.000001; }

  uint64_t state() const { return state_; }

 private:
  static constexpr uint64_t kMultiplier = 0x000015A400004E35ull;
  uint64_t state_ = 0;
};
