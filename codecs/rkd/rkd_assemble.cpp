#include "codecs/rkd/rkd_assemble.h"

#include <cstring>

#include "codecs/rkd/rkd_quad_blocks.h"

namespace {

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

struct WordRows {
    static void copy(uint8_t* to, int32_t width, BlockSource from) {
        for (int32_t r = 0; r < 4; ++r) {
            std::memcpy(to + r * width, from.pixels + r * from.stride, 4);
        }
    }
};

struct ByteRows {
    static void copy(uint8_t* to, int32_t width, BlockSource from) {
        for (int32_t r = 0; r < 4; ++r) {
            for (int32_t c = 0; c < 4; ++c) {
                to[r * width + c] = from.pixels[r * from.stride + c];
            }
        }
    }
};

template <typename Rows>
void assemble_with(const int32_t* block_map, const uint8_t* previous, uint8_t* picture,
                   const RkdBlockSources& sources, int32_t width, int32_t height) {
    if (width < 4 || height < 4) {
        return;
    }
    // The highest offset at which a displaced block still ends inside the previous picture.
    int64_t last_source = int64_t{width} * height - 3 * int64_t{width} - 4;
    for (int32_t y = 0; y < height / 4; ++y) {
        for (int32_t x = 0; x < width / 4; ++x) {
            int32_t position = 4 * y * width + 4 * x;
            BlockSource from =
                block_source(*block_map++, position, previous, sources, width, last_source);
            Rows::copy(picture + position, width, from);
        }
    }
}

// Neighbouring blocks of one block row that use the same vector copy one run of rows from the
// previous picture, so static and panning areas move as long rows rather than 4-byte pieces.
// The run's sources rise with its blocks, so its first and last block decide whether every
// block of it stays inside the previous picture.
void assemble_in_runs(const int32_t* block_map, const uint8_t* previous, uint8_t* picture,
                      const RkdBlockSources& sources, int32_t width, int32_t height) {
    if (width < 4 || height < 4) {
        return;
    }
    const int64_t last_source = int64_t{width} * height - 3 * int64_t{width} - 4;
    const int32_t columns = width / 4;
    for (int32_t y = 0; y < height / 4; ++y, block_map += columns) {
        int32_t x = 0;
        while (x < columns) {
            const int32_t index = block_map[x];
            int32_t end = x + 1;
            if (uint32_t(index) < sources.vector_count) {
                while (end < columns && block_map[end] == index) {
                    ++end;
                }
            }
            const int32_t position = 4 * y * width + 4 * x;
            if (end - x > 1) {
                const int64_t first = int64_t{position} + sources.vector_offsets[index];
                const int64_t last = first + 4 * int64_t{end - x - 1};
                if (first >= 0 && last <= last_source) {
                    for (int32_t r = 0; r < 4; ++r) {
                        std::memcpy(picture + position + r * width, previous + first + r * width,
                                    size_t(4 * (end - x)));
                    }
                    x = end;
                    continue;
                }
                end = x + 1;
            }
            WordRows::copy(picture + position, width,
                           block_source(index, position, previous, sources, width, last_source));
            x = end;
        }
    }
}

}  // namespace

void rkd_assemble_picture(const int32_t* block_map, const uint8_t* previous, uint8_t* picture,
                          const RkdBlockSources& sources, int32_t width, int32_t height) {
    assemble_in_runs(block_map, previous, picture, sources, width, height);
}

void rkd_assemble_picture_reference(const int32_t* block_map, const uint8_t* previous,
                                    uint8_t* picture, const RkdBlockSources& sources, int32_t width,
                                    int32_t height) {
    assemble_with<ByteRows>(block_map, previous, picture, sources, width, height);
}
