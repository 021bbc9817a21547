#pragma once
#include <cstdint>
#include <vector>

#include "authoring/dct_picture.h"
#include "video/colour_tables.h"

// A deterministic picture that looks like a photograph: a graded sky, a lit ball with a hard
// rim, stripes, a dark block and fine texture. `shift_x`/`shift_y` move the scene, for movies.
std::vector<uint8_t> dct_test_scene(int32_t width, int32_t height, int32_t shift_x = 0,
                                    int32_t shift_y = 0);

// PSNR in dB of a decoded 5-6-5 picture against RGB source pixels.
double psnr_565(const std::vector<uint8_t>& rgb, const std::vector<uint8_t>& picture);
