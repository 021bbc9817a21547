#pragma once
#include <cstddef>
#include <cstdint>

#include "codecs/rkd/rkd_decoder.h"

// Where one colour component goes in a display pixel: its top `bits` bits, moved up by `shift`.
struct RkdComponent {
    int32_t bits;
    int32_t shift;
};

// The display pixel the table is made for, and the brightness (percent) to scale by.
struct RkdPixelFormat {
    RkdComponent red;
    RkdComponent green;
    RkdComponent blue;
    int32_t brightness;
    bool double_width;
};

// Fills `table` from a 256-entry RGB palette in `format`.
void rkd_fill_pixel_table(RkdPixelTable& table, const uint8_t* palette,
                          const RkdPixelFormat& format);
// Rebuilds the decoder's table from its palette (after every key frame).
void rkd_build_pixel_table(RkdDecoder& rkd, const RkdPixelFormat& format);

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

// Converts rkd_frame into display pixels in `picture` (packed rows, `picture_bytes` in all)
// through the decoder's pixel table. Does nothing while no picture of the frame's size has been
// decoded.
void rkd_convert_picture(const RkdDecoder& rkd, const RkdFrame& frame, uint8_t* picture,
                         size_t picture_bytes);
