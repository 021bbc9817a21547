#pragma once
#include <cstdint>
#include <vector>

#include "authoring/dct_scene.h"
#include "codecs/dct/dct_colour_tables.h"

namespace qx {

// PSNR in dB of a decoded 5-6-5 picture, as the screen shows it, against RGB source pixels.
double psnr_565(const std::vector<uint8_t>& rgb, const std::vector<uint8_t>& picture);

}  // namespace qx
