#pragma once
#include <qxplay/qxplay.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>

namespace qx {

// The frames an export writes, as video chunk numbers counted from 0, and the sound that goes
// with them. A block the reader stamped s was read after s video chunks, so it carries the
// sound of picture s - 1; the sound before the first picture goes with frame 0.
struct ExportRange {
    int32_t first = 0;
    int32_t end = INT32_MAX;  // one past the last frame

    bool whole() const { return first == 0 && end == INT32_MAX; }
    bool includes_frame(int32_t frame) const { return frame >= first && frame < end; }
    bool includes_sound(int32_t video_stamp) const {
        return (first == 0 || video_stamp > first) && video_stamp <= end;
    }
};

// What the command line asked for; none of it means the whole movie.
struct ExportRangeRequest {
    std::optional<int32_t> start_frame;
    std::optional<double> start_seconds;
    std::optional<int32_t> frames;
};

// The range within the movie, with a count that runs past the end cut back to it; false, with
// one line in `error`, when the start lies beyond the movie or cannot be timed.
bool resolve_export_range(const ExportRangeRequest& request, const qx_info& info,
                          ExportRange& range, std::string& error);

}  // namespace qx
