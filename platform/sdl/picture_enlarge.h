#pragma once
#include <cstdint>
#include <vector>

namespace qx {

// Nearest-neighbour enlargement of a picture of 0x00RRGGBB words into a rectangle of the window.
// Each output pixel takes the picture pixel under its centre, so a whole-number enlargement
// repeats every pixel exactly that many times, and the picture is never read outside itself.

// For each of `out_size` output columns (or rows), the picture column (or row) it shows.
std::vector<int32_t> nearest_sources(int32_t picture_size, int32_t out_size);

struct PictureWords {
    uint32_t* words;
    int32_t width;
    int32_t height;
    int32_t pitch;  // bytes from row to row
};

// Fills all of `out` from `picture` (which must not be empty).
void enlarge_picture(const PictureWords& picture, const PictureWords& out);

}  // namespace qx
