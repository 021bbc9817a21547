#pragma once
#include "tools/qx/picture_rgb.h"

namespace qx {

// `picture` enlarged `factor` times both ways: each pixel a square of the same colour (sharp),
// or with colours blended between pixel centres (smooth, bilinear).
RgbImage enlarge_picture(const RgbImage& picture, int factor, bool smooth);
// `picture` scaled to fit `size` x `size` with its aspect kept, each output pixel the mean of
// the pixels it covers when shrinking, blended between neighbours when enlarging.
RgbImage fit_picture(const RgbImage& picture, int size);

}  // namespace qx
