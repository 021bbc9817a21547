#pragma once
#include <cstdint>

#include "platform/display.h"

namespace qx {

// One axis of a copy: destination [dest_begin, dest_end) from source [source_begin,
// source_end), stretched when the lengths differ. 64-bit, so that placements computed from
// large application values cannot overflow before they are clipped.
struct BlitSpan {
    int64_t dest_begin;
    int64_t dest_end;
    int64_t source_begin;
    int64_t source_end;
};

// Clips a copy to a destination of `dest_width` x `dest_height` and a source of
// `source_width` x `source_height`, moving the other side's edges in proportion. False when
// nothing is left to copy.
bool clip_blit(BlitSpan columns, BlitSpan rows, int32_t dest_width, int32_t dest_height,
               int32_t source_width, int32_t source_height, DisplayRect& dest, DisplayRect& source);

}  // namespace qx
