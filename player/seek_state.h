#pragma once
#include <cstdint>

#include "player/movie_index.h"

namespace qx {

// The seeking stage's state of one movie: its index, and the frames the decoders have taken in
// order since the latest point from which their state is exact (first -1: from the fresh start;
// first INT32_MAX: none since a frame was left undecoded).
struct SeekState {
    MovieIndex index;
    int32_t decoded_first;
    int32_t decoded_last;
};

}  // namespace qx
