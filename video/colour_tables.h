#pragma once
#include <cstdint>

#include "codecs/dct/colour_tables.h"
#include "codecs/rkd/rkd_convert.h"
#include "player/player_context.h"

// Packs one signed colour (components in 8-bit units, possibly negative) into two 15- or 16-bit
// display pixels: rounded components in the low half, truncated ones in the high half, with the
// borrows that make three packed values add field by field.
uint32_t pack_pixel_pair(int32_t r, int32_t g, int32_t b, int32_t red_bits, int32_t green_bits,
                         int32_t blue_bits, int32_t red_shift, int32_t green_shift,
                         int32_t blue_shift);

// Builds `tables` from the pixel-format fields, brightness and flags of `params`.
void build_colour_tables(ColourTables& tables, const PlayParams& params);
// Builds the movie's DCT colour tables at the brightness in its `params` (display set-up).
void build_colour_tables(PlayerContext& context);
// Rebuilds the movie's DCT colour tables and Rkd pixel table when the application changed the
// brightness since they were built. Only the decoding thread calls it, before each frame, so no
// frame mixes two builds and no lock is needed.
void refresh_colour_tables(PlayerContext& context);
// The display format and brightness the Rkd pixel table is made for.
RkdPixelFormat rkd_pixel_format(const PlayParams& params, int32_t brightness);
