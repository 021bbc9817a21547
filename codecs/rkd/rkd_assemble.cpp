#include "codecs/rkd/rkd_assemble.h"

#include <cstring>

#include "codecs/rkd/rkd_assemble_runs.h"
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

// The plain form: every block on its own, a byte at a time.
void assemble_bytewise(const int32_t* block_map, const uint8_t* previous, uint8_t* picture,
                       const RkdBlockSources& sources, int32_t width, int32_t height) {
    if (width < 4 || height < 4) {
        return;
    }
    const int64_t last_source = rkd_last_block_source(width, height);
    for (int32_t y = 0; y < height / 4; ++y) {
        for (int32_t x = 0; x < width / 4; ++x) {
            int32_t position = 4 * y * width + 4 * x;
            BlockSource from =
                block_source(*block_map++, position, previous, sources, width, last_source);
            for (int32_t r = 0; r < 4; ++r) {
                for (int32_t c = 0; c < 4; ++c) {
                    picture[position + r * width + c] = from.pixels[r * from.stride + c];
                }
            }
        }
    }
}

// Rows of a run in 16-byte moves; the last move of a row ends at its end, overlapping the one
// before, so no byte outside the run is touched.
struct WideRows {
    static void copy(uint8_t* to, const uint8_t* from, size_t bytes, int32_t width) {
        for (int32_t r = 0; r < 4; ++r, to += width, from += width) {
            if (bytes >= 16) {
                for (size_t i = 0; i + 16 < bytes; i += 16) {
                    std::memcpy(to + i, from + i, 16);
                }
                std::memcpy(to + bytes - 16, from + bytes - 16, 16);
            } else if (bytes >= 8) {
                std::memcpy(to, from, 8);
                std::memcpy(to + bytes - 8, from + bytes - 8, 8);
            } else {
                std::memcpy(to, from, 4);
            }
        }
    }
};

}  // namespace

void rkd_assemble_picture(const int32_t* block_map, const uint8_t* previous, uint8_t* picture,
                          const RkdBlockSources& sources, int32_t width, int32_t height) {
    rkd_assemble_in_runs<WideRows>(block_map, previous, picture, sources, width, height);
}

void rkd_assemble_picture_reference(const int32_t* block_map, const uint8_t* previous,
                                    uint8_t* picture, const RkdBlockSources& sources, int32_t width,
                                    int32_t height) {
    assemble_bytewise(block_map, previous, picture, sources, width, height);
}
