#include "video/blit_clip.h"

#include <algorithm>

namespace qx {

namespace {

struct Edges {
    int64_t begin;
    int64_t end;
};

// Clips `clipped` to [0, limit) and moves `follower` with it in proportion: the first edge
// rounds down and the last one up, so a stretched copy keeps every partly visible pixel.
bool clip_edges(Edges& clipped, Edges& follower, int64_t limit) {
    const int64_t length = clipped.end - clipped.begin;
    const int64_t follower_length = follower.end - follower.begin;
    if (length <= 0 || follower_length <= 0) {
        return false;
    }
    const int64_t begin = std::max<int64_t>(clipped.begin, 0);
    const int64_t end = std::min(clipped.end, limit);
    if (end <= begin) {
        return false;
    }
    const int64_t new_follower_begin =
        follower.begin + (begin - clipped.begin) * follower_length / length;
    const int64_t new_follower_end =
        follower.begin + ((end - clipped.begin) * follower_length + length - 1) / length;
    clipped = {begin, end};
    follower = {new_follower_begin, new_follower_end};
    return follower.end > follower.begin;
}

bool clip_axis(const BlitSpan& span, int64_t dest_limit, int64_t source_limit, Edges& dest,
               Edges& source) {
    dest = {span.dest_begin, span.dest_end};
    source = {span.source_begin, span.source_end};
    return clip_edges(dest, source, dest_limit) && clip_edges(source, dest, source_limit);
}

}  // namespace

bool clip_blit(BlitSpan columns, BlitSpan rows, int32_t dest_width, int32_t dest_height,
               int32_t source_width, int32_t source_height, DisplayRect& dest,
               DisplayRect& source) {
    Edges dest_columns{}, source_columns{}, dest_rows{}, source_rows{};
    if (!clip_axis(columns, dest_width, source_width, dest_columns, source_columns) ||
        !clip_axis(rows, dest_height, source_height, dest_rows, source_rows)) {
        return false;
    }
    // Both sides now lie inside 32-bit surfaces.
    dest = {static_cast<int32_t>(dest_columns.begin), static_cast<int32_t>(dest_rows.begin),
            static_cast<int32_t>(dest_columns.end), static_cast<int32_t>(dest_rows.end)};
    source = {static_cast<int32_t>(source_columns.begin), static_cast<int32_t>(source_rows.begin),
              static_cast<int32_t>(source_columns.end), static_cast<int32_t>(source_rows.end)};
    return true;
}

}  // namespace qx
