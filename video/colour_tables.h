#pragma once
#include <cstdint>

#include "codecs/dct/dct_colour_tables.h"
#include "codecs/rkd/rkd_convert.h"
#include "video/display_target.h"
#include "video/video_output.h"

namespace qx {

// The table format of the display in `target` at `brightness`.
DctPixelFormat dct_pixel_format(const DisplayTarget& target, int32_t brightness);
// Builds the movie's DCT colour tables at the brightness in its target (display set-up).
void build_colour_tables(VideoOutput& video);
// Rebuilds the movie's DCT colour tables and Rkd pixel table when the application changed the
// brightness since they were built. Only the decoding thread calls it, before each frame, so no
// frame mixes two builds and no lock is needed.
void refresh_colour_tables(VideoOutput& video);
// The display format and brightness the Rkd pixel table is made for.
RkdPixelFormat rkd_pixel_format(const DisplayTarget& target, int32_t brightness);

}  // namespace qx
