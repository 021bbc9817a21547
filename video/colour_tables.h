#pragma once
#include <cstdint>

#include "codecs/dct/dct_colour_tables.h"
#include "codecs/rkd/rkd_convert.h"
#include "player/player_context.h"

// The table format of the display in `params` at `brightness`.
DctPixelFormat dct_pixel_format(const PlayParams& params, int32_t brightness);
// Builds the movie's DCT colour tables at the brightness in its `params` (display set-up).
void build_colour_tables(PlayerContext& context);
// Rebuilds the movie's DCT colour tables and Rkd pixel table when the application changed the
// brightness since they were built. Only the decoding thread calls it, before each frame, so no
// frame mixes two builds and no lock is needed.
void refresh_colour_tables(PlayerContext& context);
// The display format and brightness the Rkd pixel table is made for.
RkdPixelFormat rkd_pixel_format(const PlayParams& params, int32_t brightness);
