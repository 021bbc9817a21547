#pragma once
#include <cstddef>
#include <cstdint>

#include "player/player_context.h"

// Ready-made display pixels, one per palette index. With double width the 16-bit pixel sits
// in both halves of its entry.
struct RkdPixelTable {
    uint32_t entries[256];
};

// The process-wide table the player converts through; one movie uses it at a time.
RkdPixelTable& rkd_pixel_table();

// Fills `table` from a 256-entry RGB palette, the brightness and the display format of
// `params`.
void rkd_fill_pixel_table(RkdPixelTable& table, const uint8_t* palette, const PlayParams& params,
                          int32_t brightness);
// Rebuilds the process-wide table from the context's palette (after every key frame).
void rkd_build_pixel_table(PlayerContext& context);

// One conversion: the 8-bit picture, the table (unused on 8-bit displays) and the output.
struct RkdConversion {
    const uint8_t* frame;
    int32_t width;
    int32_t height;
    const RkdPixelTable* table;
    bool palettised;  // an 8-bit display: indices are copied as they are
    bool double_width;
    uint8_t* picture;
    size_t picture_bytes;
};

// Rows of the picture that are converted: those `picture_bytes` holds whole.
int32_t rkd_rows_that_fit(const RkdConversion& conversion);

// Bytes of one converted row.
size_t rkd_converted_row_bytes(int32_t width, bool palettised, bool double_width);

// Writes as many whole rows as `picture_bytes` holds, 8 pixels a step.
void rkd_convert(const RkdConversion& conversion);
// The same conversion a pixel at a time: the reference the fast version is checked against.
void rkd_convert_reference(const RkdConversion& conversion);

// Converts rkd_frame into display pixels in `picture` (packed rows, `picture_bytes` in all).
// Does nothing while no picture of the current frame size has been decoded.
void rkd_convert_picture(PlayerContext& context, uint8_t* picture, size_t picture_bytes);
