#include "tools/qx/export_range.h"

#include <algorithm>
#include <cmath>

#include "tools/qx/number_text.h"

namespace qx {

namespace {

// The frame the player seeks to for a time: its frames share the length of the sound evenly.
bool frame_at_time(double seconds, const qx_info& info, int32_t& frame, std::string& error) {
    const int64_t duration_ms =
        info.audio_header && info.sample_rate > 0 ? info.audio_frames * 1000 / info.sample_rate : 0;
    if (duration_ms <= 0) {
        error = "--start needs a movie with sound to time its frames; use --start-frame";
        return false;
    }
    const double milliseconds = std::round(seconds * 1000);
    if (!(milliseconds < static_cast<double>(duration_ms))) {
        error = formatted("--start %g is past the end of the movie (%.2f s)", seconds,
                          static_cast<double>(duration_ms) / 1000);
        return false;
    }
    frame = static_cast<int32_t>(std::min<int64_t>(
        static_cast<int64_t>(milliseconds) * info.frames / duration_ms, info.frames - 1));
    return true;
}

}  // namespace

bool resolve_export_range(const ExportRangeRequest& request, const qx_info& info,
                          ExportRange& range, std::string& error) {
    range = ExportRange{};
    // A count of frames the ranges' 32-bit numbers can hold.
    const auto frames = static_cast<int32_t>(std::min<int64_t>(info.frames, INT32_MAX));
    if (frames == 0) {
        error = "the movie has no frames to export a range of";
        return false;
    }
    if (request.start_seconds && !frame_at_time(*request.start_seconds, info, range.first, error)) {
        return false;
    }
    if (request.start_frame) {
        range.first = *request.start_frame;
        if (range.first >= frames) {
            error =
                formatted("--start-frame %d is past the last frame (%d)", range.first, frames - 1);
            return false;
        }
    }
    range.end = frames;
    if (request.frames) {
        range.end =
            static_cast<int32_t>(std::min<int64_t>(int64_t{range.first} + *request.frames, frames));
    }
    return true;
}

}  // namespace qx
