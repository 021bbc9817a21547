#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/end_to_end/private_x_server.h"

namespace qx {

// What a window of `qx play` or `qxhost` must show, from the frames `qx export` decodes.

// The bits of each channel a 5-6-5 display holds; how the lower ones are filled in when a
// stage widens a channel to 8 bits is its own affair.
inline uint32_t displayed_bits(uint32_t rgb) {
    return rgb & 0xF8FCF8;
}

// Pixel `index` of a picture of RGB triples as 0x00RRGGBB.
inline uint32_t rgb_at(const std::vector<uint8_t>& rgb, size_t index) {
    return uint32_t{rgb[3 * index]} << 16 | uint32_t{rgb[3 * index + 1]} << 8 | rgb[3 * index + 2];
}

// A display's whole memory as 0x00RRGGBB words.
struct DisplayPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// `qx play`: a display of the movie's size, the picture (RGB triples) filling it.
DisplayPicture play_display(const std::vector<uint8_t>& frame, int width, int height);

// Whether `shot` is `display` enlarged by a whole number into the middle of the window, black
// around it, as the SDL backend shows it; only its first `rows` rows are compared (-1: all).
bool shows(const Screenshot& shot, const DisplayPicture& display, int rows = -1);

}  // namespace qx
