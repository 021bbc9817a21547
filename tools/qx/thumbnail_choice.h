#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/qx/picture_rgb.h"

namespace qx {

// How much a picture shows: the spread of its brightness (0 for a flat picture) and its mean.
struct PictureDetail {
    double spread = 0;
    double mean = 0;
};
PictureDetail picture_detail(const RgbImage& picture);

// Whether a picture says little about its movie: black, or nearly one colour all over.
bool says_little(const PictureDetail& detail);

// The frames of a movie of `frames` frames worth looking at for its thumbnail: a few spread
// over its first third, where title cards and fades from black have usually passed.
std::vector<int64_t> thumbnail_candidates(int64_t frames);

// Of pictures looked at in order, the first that says something; the most detailed when none
// does.
size_t choose_thumbnail(const std::vector<PictureDetail>& details);

}  // namespace qx
