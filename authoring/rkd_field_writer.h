#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qx {

// Appends fixed-width bit fields least significant bit first (field j at bits j*w to
// j*w + w - 1, bit k in bit k mod 8 of byte k div 8) and pads the area to whole 32-bit words.
class RkdFieldWriter {
  public:
    explicit RkdFieldWriter(uint32_t width) : width_(width) {}
    // Writes the low `width` bits of `value` (two's complement for negative values).
    void put(int32_t value);
    // Appends the padded area to `out`.
    void finish_into(std::vector<uint8_t>& out) const;

  private:
    uint32_t width_;
    uint64_t bits_ = 0;
    std::vector<uint8_t> bytes_;
};

}  // namespace qx
