#include "codecs/rkd/rkd_assemble.h"

#include <cstring>

#include "codecs/rkd/rkd_block_mask.h"
#include "codecs/rkd/rkd_quad_blocks.h"

namespace qx {

namespace {

// The highest offset at which a displaced block still ends inside the previous picture.
int64_t last_block_source(int32_t width, int32_t height) {
    return int64_t{width} * height - 3 * int64_t{width} - 4;
}

struct BlockSource {
    const uint8_t* pixels;
    int32_t stride;
};

// Where one block's four rows come from.
inline BlockSource block_source(int32_t index, int32_t position, const uint8_t* previous,
                                const RkdBlockSources& sources, int32_t width,
                                int64_t last_source) {
    uint32_t v = uint32_t(index);
    if (v < sources.vector_count) {
        int64_t from = int64_t{position} + sources.vector_offsets[v];
        if (from >= 0 && from <= last_source) {
            return {previous + from, width};
        }
    } else if (v - sources.vector_count < sources.block_count) {
        return {sources.blocks + size_t{v - sources.vector_count} * RKD_BLOCK_BYTES, 4};
    }
    return {previous + position, width};
}

// The plain form: every block on its own, a byte at a time.
void assemble_bytewise(const int32_t* block_map, const uint8_t* previous, uint8_t* picture,
                       const RkdBlockSources& sources, int32_t width, int32_t height,
                       const uint64_t* kept) {
    if (width < 4 || height < 4) {
        return;
    }
    const int64_t last_source = last_block_source(width, height);
    const int32_t words = rkd_mask_words_per_row(width / 4);
    for (int32_t y = 0; y < height / 4; ++y) {
        for (int32_t x = 0; x < width / 4; ++x) {
            const int32_t index = *block_map++;
            if (kept != nullptr && (kept[y * words + x / 64] >> (x % 64)) & 1) {
                continue;
            }
            int32_t position = 4 * y * width + 4 * x;
            BlockSource from = block_source(index, position, previous, sources, width, last_source);
            for (int32_t r = 0; r < 4; ++r) {
                for (int32_t c = 0; c < 4; ++c) {
                    picture[position + r * width + c] = from.pixels[r * from.stride + c];
                }
            }
        }
    }
}

// One block whose four rows lie `stride` apart at `from`.
inline void copy_block(uint8_t* to, int32_t width, const uint8_t* from, int32_t stride) {
    for (int32_t r = 0; r < 4; ++r) {
        std::memcpy(to + r * width, from + r * stride, 4);
    }
}

// `bytes` bytes of each of four rows `width` apart, in one move a row.
template <size_t bytes>
inline void move_rows(uint8_t* to, const uint8_t* from, int32_t width) {
    for (int32_t r = 0; r < 4; ++r) {
        std::memcpy(to + r * width, from + r * width, bytes);
    }
}

// Four rows of a run, `bytes` (a multiple of 4) each, in 16-byte moves; the last move of a row
// ends at its end, overlapping the one before, so no byte outside the run is touched.
inline void copy_run_rows(uint8_t* to, const uint8_t* from, size_t bytes, int32_t width) {
    if (bytes >= 16) {
        for (size_t i = 0; i + 16 < bytes; i += 16) {
            move_rows<16>(to + i, from + i, width);
        }
        move_rows<16>(to + bytes - 16, from + bytes - 16, width);
    } else if (bytes >= 8) {
        move_rows<8>(to, from, width);
        move_rows<8>(to + bytes - 8, from + bytes - 8, width);
    } else {
        move_rows<4>(to, from, width);
    }
}

// Four rows of a run in whole 16-byte moves, which may write up to 12 bytes past the run's end
// and read as far past its source: the caller makes sure both stay in their pictures and that
// the bytes written past the run belong to blocks of this block row still to be assembled.
inline void copy_run_rows_over(uint8_t* to, const uint8_t* from, size_t bytes, int32_t width) {
    for (size_t i = 0; i < bytes; i += 16) {
        move_rows<16>(to + i, from + i, width);
    }
}

// A run whose blocks do not all land inside the previous picture, block by block: those that
// do not keep the previous picture's pixels at their place.
void copy_run_by_blocks(uint8_t* to, const uint8_t* previous, int32_t position, int64_t first,
                        int32_t blocks, int32_t width, int64_t last_source) {
    for (int32_t k = 0; k < blocks; ++k, position += 4, first += 4) {
        const bool inside = first >= 0 && first <= last_source;
        copy_block(to + 4 * k, width, previous + (inside ? first : position), width);
    }
}

// Neighbouring blocks of one block row that use the same vector copy one run of rows from the
// previous picture, so still and panning areas move as long rows rather than 4-byte pieces.
// Writes the blocks of columns `x` to `end` of the block row at `row_map`.
void assemble_stretch(const int32_t* row_map, int32_t row_position, int32_t x, int32_t end,
                      const uint8_t* previous, uint8_t* picture, const RkdBlockSources& sources,
                      int32_t width, int64_t last_source) {
    while (x < end) {
        const auto index = uint32_t(row_map[x]);
        const int32_t position = row_position + 4 * x;
        if (index < sources.vector_count) {
            int32_t run_end = x + 1;
            while (run_end < end && uint32_t(row_map[run_end]) == index) {
                ++run_end;
            }
            // The run's sources rise with its blocks, so its ends decide for all of them.
            const int64_t first = int64_t{position} + sources.vector_offsets[index];
            const int64_t last = first + 4 * int64_t{run_end - x - 1};
            const auto bytes = size_t(4 * (run_end - x));
            const int64_t spill = int64_t((bytes + 15) / 16 * 16 - bytes);
            if (first >= 0 && last + spill <= last_source && 4 * run_end + spill <= 4 * end) {
                copy_run_rows_over(picture + position, previous + first, bytes, width);
            } else if (first >= 0 && last <= last_source) {
                copy_run_rows(picture + position, previous + first, bytes, width);
            } else {
                copy_run_by_blocks(picture + position, previous, position, first, run_end - x,
                                   width, last_source);
            }
            x = run_end;
            continue;
        }
        const uint32_t entry = index - sources.vector_count;
        if (entry < sources.block_count) {
            copy_block(picture + position, width, sources.blocks + size_t{entry} * RKD_BLOCK_BYTES,
                       4);
        } else {
            copy_block(picture + position, width, previous + position, width);
        }
        ++x;
    }
}

// Kept blocks are skipped a stretch at a time, so a still background costs no branch per block.
void assemble_in_runs(const int32_t* block_map, const uint8_t* previous, uint8_t* picture,
                      const RkdBlockSources& sources, int32_t width, int32_t height,
                      const uint64_t* kept) {
    if (width < 4 || height < 4) {
        return;
    }
    const int64_t last_source = last_block_source(width, height);
    const int32_t columns = width / 4;
    const int32_t words = rkd_mask_words_per_row(columns);
    for (int32_t y = 0; y < height / 4; ++y, block_map += columns) {
        const int32_t row_position = 4 * y * width;
        if (kept == nullptr) {
            assemble_stretch(block_map, row_position, 0, columns, previous, picture, sources, width,
                             last_source);
            continue;
        }
        rkd_for_each_clear_stretch(kept + size_t(y) * size_t(words), columns, 1,
                                   [&](int32_t x, int32_t end) {
                                       assemble_stretch(block_map, row_position, x, end, previous,
                                                        picture, sources, width, last_source);
                                   });
    }
}

}  // namespace

void rkd_assemble_picture(const int32_t* block_map, const uint8_t* previous, uint8_t* picture,
                          const RkdBlockSources& sources, int32_t width, int32_t height,
                          const uint64_t* kept) {
    assemble_in_runs(block_map, previous, picture, sources, width, height, kept);
}

void rkd_assemble_picture_reference(const int32_t* block_map, const uint8_t* previous,
                                    uint8_t* picture, const RkdBlockSources& sources, int32_t width,
                                    int32_t height, const uint64_t* kept) {
    assemble_bytewise(block_map, previous, picture, sources, width, height, kept);
}

}  // namespace qx
