#pragma once
#include <cstdint>
#include <vector>

#include "authoring/dct_picture.h"
#include "authoring/dct_shown.h"

namespace qx {

// The samples a colour asks for, before the decoder's flooring transform (each is the wanted
// sample plus one half), from the inverse of what the tables compute.
struct ColourSamples {
    double y;
    double cb;
    double cr;
};

// Summed tables: the JPEG File Interchange Format's YCbCr with a luma level of 2 s + 129 and a
// chroma offset of 2 s + 1.
ColourSamples summed_samples_of(const uint8_t* rgb);
// Channel tables, whose neutral chroma is green: luma and chroma solve the three index
// equations together.
ColourSamples channel_samples_of(const uint8_t* rgb);

// For decoded chroma, the luma sample within low..high whose shown colour is nearest `rgb`.
int32_t nearest_luma(DctConversion conversion, const uint8_t* rgb, int32_t cb, int32_t cr,
                     int32_t low, int32_t high);

// Converts between RGB pictures and the planes of YcbcrPicture (JPEG File Interchange Format).
void ycbcr_from_rgb(const RgbPicture& picture, std::vector<uint8_t>& y, std::vector<uint8_t>& cb,
                    std::vector<uint8_t>& cr);
std::vector<uint8_t> rgb_from_ycbcr(const YcbcrPicture& picture);

}  // namespace qx
