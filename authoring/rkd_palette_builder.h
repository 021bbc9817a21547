#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <unordered_map>

namespace qx {

// Up to 256 RGB colours, three bytes each.
struct RkdPalette {
    std::array<uint8_t, 768> rgb{};
    int32_t count = 0;
};

// A palette for RGB pixels (three bytes each, any number of frames back to back): exactly
// their colours when there are at most 256, otherwise a median-cut palette refined by a few
// rounds of nearest-colour averaging.
RkdPalette rkd_make_palette(std::span<const uint8_t> rgb_pixels);

// True when every pixel's colour is in the palette.
bool rkd_palette_holds(const RkdPalette& palette, std::span<const uint8_t> rgb_pixels);

// Squared RGB distance between two palette entries.
int32_t rkd_colour_distance(const RkdPalette& palette, uint8_t a, uint8_t b);

// Maps RGB pixels to their nearest palette entries, remembering the colours it has seen.
class RkdColourMapper {
  public:
    explicit RkdColourMapper(const RkdPalette& palette) : palette_(palette) {}
    uint8_t index_of(uint8_t r, uint8_t g, uint8_t b);
    // `indices` holds one entry per pixel of `rgb_pixels`.
    void map(std::span<const uint8_t> rgb_pixels, std::span<uint8_t> indices);

  private:
    RkdPalette palette_;
    std::unordered_map<uint32_t, uint8_t> seen_;
};

}  // namespace qx
