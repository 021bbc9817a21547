#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codecs/rkd/rkd_assemble.h"
#include "codecs/rkd/rkd_quad_blocks.h"

// Block assembly by runs, shared by the portable and the wider versions, which differ only in
// how they move the rows of a run (`Rows::copy(to, from, bytes, width)` moves four rows of
// `bytes` bytes, a multiple of 4, `width` apart).
//
// Neighbouring blocks of one block row that use the same vector copy one run of rows from the
// previous picture, so still and panning areas move as long rows rather than 4-byte pieces.

// The highest offset at which a displaced block still ends inside the previous picture.
inline int64_t rkd_last_block_source(int32_t width, int32_t height) {
    return int64_t{width} * height - 3 * int64_t{width} - 4;
}

// One block whose four rows lie `stride` apart at `from`.
inline void rkd_copy_block(uint8_t* to, int32_t width, const uint8_t* from, int32_t stride) {
    for (int32_t r = 0; r < 4; ++r) {
        std::memcpy(to + r * width, from + r * stride, 4);
    }
}

// A run whose blocks do not all land inside the previous picture, block by block: those that
// do not keep the previous picture's pixels at their place.
inline void rkd_copy_run_by_blocks(uint8_t* to, const uint8_t* previous, int32_t position,
                                   int64_t first, int32_t blocks, int32_t width,
                                   int64_t last_source) {
    for (int32_t k = 0; k < blocks; ++k, position += 4, first += 4) {
        const bool inside = first >= 0 && first <= last_source;
        rkd_copy_block(to + 4 * k, width, previous + (inside ? first : position), width);
    }
}

// The end of a run one index at a time.
inline int32_t rkd_run_end(const int32_t* block_map, int32_t x, int32_t columns) {
    int32_t end = x + 1;
    while (end < columns && block_map[end] == block_map[x]) {
        ++end;
    }
    return end;
}

template <typename Rows>
void rkd_assemble_in_runs(const int32_t* block_map, const uint8_t* previous, uint8_t* picture,
                          const RkdBlockSources& sources, int32_t width, int32_t height) {
    if (width < 4 || height < 4) {
        return;
    }
    const int64_t last_source = rkd_last_block_source(width, height);
    const int32_t columns = width / 4;
    for (int32_t y = 0; y < height / 4; ++y, block_map += columns) {
        const int32_t row_position = 4 * y * width;
        int32_t x = 0;
        while (x < columns) {
            const auto index = uint32_t(block_map[x]);
            const int32_t position = row_position + 4 * x;
            if (index < sources.vector_count) {
                const int32_t end = rkd_run_end(block_map, x, columns);
                // The run's sources rise with its blocks, so its ends decide for all of them.
                const int64_t first = int64_t{position} + sources.vector_offsets[index];
                const int64_t last = first + 4 * int64_t{end - x - 1};
                if (first >= 0 && last <= last_source) {
                    Rows::copy(picture + position, previous + first, size_t(4 * (end - x)), width);
                } else {
                    rkd_copy_run_by_blocks(picture + position, previous, position, first, end - x,
                                           width, last_source);
                }
                x = end;
                continue;
            }
            const uint32_t entry = index - sources.vector_count;
            if (entry < sources.block_count) {
                rkd_copy_block(picture + position, width,
                               sources.blocks + size_t{entry} * RKD_BLOCK_BYTES, 4);
            } else {
                rkd_copy_block(picture + position, width, previous + position, width);
            }
            ++x;
        }
    }
}
