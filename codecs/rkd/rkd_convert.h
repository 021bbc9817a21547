#pragma once
#include <cstddef>
#include <cstdint>

#include "codecs/rkd/rkd_block_mask.h"
#include "codecs/rkd/rkd_decoder.h"

namespace qx {

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
// Fills `pairs` from the low halves of `table`'s entries.
void rkd_fill_pixel_pairs(RkdPixelPairs& pairs, const RkdPixelTable& table);
// Rebuilds the decoder's table from its palette (after every key frame), and its pairs with
// it.
void rkd_build_pixel_table(RkdDecoder& rkd, const RkdPixelFormat& format);

// One conversion: the 8-bit picture, the table (unused on 8-bit displays) and the output.
struct RkdConversion {
    const uint8_t* frame;
    int32_t width;
    int32_t height;
    const RkdPixelTable* table;
    // The pairs of `table`, or null: 16-bit conversions may take two pixels a load from them.
    const RkdPixelPairs* pairs;
    bool palettised;  // an 8-bit display: indices are copied as they are
    bool double_width;
    uint8_t* picture;
    size_t picture_bytes;
    // A block mask (width and height multiples of 4) of blocks whose pixels `picture` already
    // holds converted; they need not be written. Null: every pixel is written.
    const uint64_t* kept = nullptr;
};

// Rows of the picture that are converted: those `picture_bytes` holds whole.
int32_t rkd_rows_that_fit(const RkdConversion& conversion);

// Bytes of one converted row.
size_t rkd_converted_row_bytes(int32_t width, bool palettised, bool double_width);

// Calls `span(first, count)` for the stretches of pixels a conversion writes, as pixel numbers
// of the packed picture, in order: all pixels of the rows that fit, or with a kept mask those
// of the blocks not kept, stretches fewer than `join` blocks apart taken as one.
template <typename Span>
void rkd_for_each_converted_span(const RkdConversion& c, int32_t join, Span&& span) {
    const int32_t rows = rkd_rows_that_fit(c);
    if (rows == 0) {
        return;
    }
    const auto width = size_t(c.width);
    if (c.kept == nullptr || c.width % 4 != 0 || c.height % 4 != 0) {
        span(size_t{0}, size_t(rows) * width);
        return;
    }
    const int32_t columns = c.width / 4;
    const uint64_t* row_words = c.kept;
    for (int32_t y = 0; 4 * y < rows; ++y, row_words += rkd_mask_words_per_row(columns)) {
        rkd_for_each_clear_stretch(row_words, columns, join, [&](int32_t first, int32_t end) {
            for (int32_t row = 4 * y; row < 4 * y + 4 && row < rows; ++row) {
                span(size_t(row) * width + 4 * size_t(first), 4 * size_t(end - first));
            }
        });
    }
}

// Writes as many whole rows as `picture_bytes` holds, 8 pixels a step.
void rkd_convert(const RkdConversion& conversion);
// The same conversion a pixel at a time: the reference the fast version is checked against.
void rkd_convert_reference(const RkdConversion& conversion);

// Converts rkd_frame into display pixels in `picture` (packed rows, `picture_bytes` in all)
// through the decoder's pixel table. Does nothing while no picture of the frame's size has been
// decoded.
void rkd_convert_picture(const RkdDecoder& rkd, const RkdFrame& frame, uint8_t* picture,
                         size_t picture_bytes);

// The same into a picture the caller keeps for this converter alone, as the player keeps its
// two pictures: only blocks changed since the picture's own last conversion are written, when
// the decoder knows them. Call rkd_forget_converted_pictures whenever anything else may have
// written the caller's pictures.
void rkd_convert_kept_picture(RkdDecoder& rkd, const RkdFrame& frame, uint8_t* picture,
                              size_t picture_bytes);
// No picture converted before holds anything the next conversion may keep.
void rkd_forget_converted_pictures(RkdDecoder& rkd);

}  // namespace qx
