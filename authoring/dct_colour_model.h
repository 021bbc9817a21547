#pragma once
#include <array>

#include "authoring/dct_picture.h"

// How the DCT formats turn samples into colours, seen from the encoder: the summed
// conversion is the JPEG File Interchange Format's YCbCr with a luma level of 2 s + 129 and a
// chroma offset of 2 s + 1; the channel conversion indexes per-component level tables.

SamplePlanes summed_samples(const YcbcrPicture& picture);
SamplePlanes summed_samples(const RgbPicture& picture);
// Samples that give the picture's colours through the channel tables, whose neutral chroma is
// green: luma and chroma solve the three index equations together.
SamplePlanes channel_samples(const RgbPicture& picture);

// The colour a decoder shows for decoded samples (before the display's bit reduction).
std::array<double, 3> summed_colour(int32_t y, int32_t cb, int32_t cr);
std::array<double, 3> channel_colour(int32_t y, int32_t cb, int32_t cr);
// The smallest and largest of red, green and blue the summed tables add up to, unclamped.
std::array<double, 2> summed_extremes(int32_t y, int32_t cb, int32_t cr);

// Converts an RGB picture to the planes of YcbcrPicture.
void ycbcr_from_rgb(const RgbPicture& picture, std::vector<uint8_t>& y, std::vector<uint8_t>& cb,
                    std::vector<uint8_t>& cr);
