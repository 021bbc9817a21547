#pragma once
#include <cstdint>
#include <vector>

#include "platform/display.h"

namespace qx {

// Brightness applied to finished 16-bit display pixels, on the curve the player's own
// brightness follows: each component, widened to 8 bits, times percent / 100 (truncated),
// at most 255, narrowed back. At 100 every pixel stays as it is.
class PictureBrightness {
  public:
    // False for formats other than 15 or 16 bits a pixel, which are then left alone.
    bool set(const PixelFormat& format, int32_t percent);
    int32_t percent() const { return percent_; }
    bool unchanged() const { return percent_ == 100 || table_.empty(); }

    uint16_t apply(uint16_t pixel) const { return table_.empty() ? pixel : table_[pixel]; }
    // `rows` rows of `width` pixels, `pitch` bytes apart.
    void apply(uint8_t* pixels, int32_t pitch, int32_t width, int32_t rows) const;

  private:
    int32_t percent_ = 100;
    std::vector<uint16_t> table_;  // every 16-bit pixel, brightened
};

}  // namespace qx
