#pragma once
#include <cstdint>

#include "platform/display.h"

namespace qx {

// Turns frame-buffer pixels of one display depth into 0x00RRGGBB words for the window
// (a texture or its own surface). Components narrower than 8 bits are widened by repeating their
// top bits, so 0x1F becomes 0xFF and 0 stays 0.
class XrgbConverter {
  public:
    explicit XrgbConverter(int32_t depth);

    // `palette` (256 entries) is read only at depth 8. `out` holds height rows of width words,
    // `out_pitch` bytes apart.
    void convert(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height,
                 const PaletteEntry* palette, uint32_t* out, int32_t out_pitch) const;

  private:
    int32_t depth_;
};

// One 5-6-5 or 5-5-5 pixel as 0x00RRGGBB.
uint32_t xrgb_from_16bit(uint16_t pixel, int32_t depth);

}  // namespace qx
