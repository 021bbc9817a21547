#include "codecs/rkd/rkd_inter_frame.h"

#include <cstring>
#include <utility>

#include "base/byte_order.h"
#include "codecs/rkd/rkd_assemble.h"
#include "codecs/rkd/rkd_bit_fields.h"
#include "codecs/rkd/rkd_block_mask.h"
#include "codecs/rkd/rkd_buffers.h"
#include "codecs/rkd/rkd_kernels.h"
#include "codecs/rkd/rkd_quad_blocks.h"

namespace qx {

namespace {

inline constexpr uint32_t RKD_VECTOR_FIELD_BITS = 10;

// Byte positions of the areas of one inter-frame payload.
struct InterLayout {
    uint32_t vectors;
    uint32_t raw_blocks;
    uint32_t quad_blocks;
    uint32_t quad_blocks_at;
    uint32_t index_bits;
    uint64_t vectors_at;
    uint64_t raw_blocks_at;
    uint64_t block_map_at;
    uint64_t block_map_bytes;  // the bytes the map's fields occupy, word padding not required
};

uint64_t padded_area_bytes(uint64_t bits) {
    return 4 * ((bits + 31) / 32);
}

bool read_layout(const uint8_t* payload, uint32_t payload_bytes, uint32_t block_count,
                 InterLayout& layout) {
    if (payload == nullptr || payload_bytes < RKD_INTER_HEADER_BYTES) {
        return false;
    }
    layout.vectors = load_le16(payload);
    layout.raw_blocks = load_le16(payload + 2);
    layout.quad_blocks = load_le16(payload + 4);
    layout.index_bits = load_le16(payload + 6);
    if (layout.index_bits != 0 && !rkd_index_width_supported(layout.index_bits)) {
        return false;
    }
    layout.vectors_at = RKD_INTER_HEADER_BYTES;
    layout.raw_blocks_at =
        layout.vectors_at + padded_area_bytes(2 * RKD_VECTOR_FIELD_BITS * uint64_t{layout.vectors});
    uint64_t quad_at = layout.raw_blocks_at + RKD_BLOCK_BYTES * uint64_t{layout.raw_blocks};
    layout.block_map_at = quad_at + RKD_QUAD_BLOCK_BYTES * uint64_t{layout.quad_blocks};
    layout.quad_blocks_at = uint32_t(quad_at);
    layout.block_map_bytes = (uint64_t{block_count} * layout.index_bits + 7) / 8;
    return layout.block_map_at + layout.block_map_bytes <= payload_bytes;
}

void compute_vector_offsets(RkdDecoder& rkd, uint32_t vectors) {
    int32_t height = rkd.rkd_picture_height;
    for (uint32_t i = 0; i < vectors; ++i) {
        int32_t dx = rkd.rkd_vectors[2 * i];
        int32_t dy = rkd.rkd_vectors[2 * i + 1];
        int32_t row = height + dy;
        // A displacement of a whole picture height or more can never land inside it.
        rkd.rkd_vector_offsets[i] =
            row >= 0 && row < 2 * height ? rkd.rkd_row_offsets[row] + dx : RKD_VECTOR_OUTSIDE;
    }
}

// The first vector that copies a block from its own place; false when none does.
bool find_still_vector(const RkdDecoder& rkd, uint32_t vectors, uint32_t& still) {
    for (still = 0; still < vectors; ++still) {
        if (rkd.rkd_vector_offsets[still] == 0) {
            return true;
        }
    }
    return false;
}

// Reads the block map, unless the frame sends none (width 0: the previous inter frame's map
// serves again), and marks in `still` the blocks of this picture that stay where they were.
// The reader marks them as it goes; the kept-block mask is its scratch space.
void read_map_and_mark_still(RkdDecoder& rkd, const InterLayout& layout, const uint8_t* payload,
                             uint32_t payload_bytes, uint64_t* still) {
    const int32_t columns = rkd.rkd_picture_width / 4;
    const int32_t rows = rkd.rkd_picture_height / 4;
    uint32_t still_index = 0;
    const bool has_still = find_still_vector(rkd, layout.vectors, still_index);
    if (layout.index_bits != 0) {
        uint64_t* marks = rkd_block_mask(rkd, RKD_KEPT_BLOCKS);
        // Fields have at most 16 bits: a still index of all ones marks none.
        rkd_kernels().read_index_fields(rkd.rkd_block_map, payload + layout.block_map_at,
                                        payload_bytes - layout.block_map_at,
                                        uint32_t(columns) * uint32_t(rows), layout.index_bits,
                                        has_still ? still_index : UINT32_MAX, marks);
        rkd_block_mask_from_marks(marks, columns, rows, still);
    } else if (has_still) {
        rkd_kernels().mark_blocks_of_index(rkd.rkd_block_map, columns, rows, still_index, still);
    } else {
        std::memset(still, 0, sizeof(uint64_t) * rkd_mask_words(columns, rows));
    }
}

// The blocks assembly may leave as they stand: those still in this picture and in the one
// before, which rkd_frame (the picture before that) then already holds. Null when the picture
// before was no inter frame.
const uint64_t* kept_blocks(RkdDecoder& rkd, const uint64_t* still) {
    const uint64_t number = rkd.rkd_picture_number;
    rkd.rkd_still_pictures[number % 2] = number;
    if (rkd.rkd_still_pictures[(number - 1) % 2] != number - 1) {
        return nullptr;
    }
    const uint64_t* before = rkd_block_mask(rkd, int32_t((number - 1) % 2));
    uint64_t* kept = rkd_block_mask(rkd, RKD_KEPT_BLOCKS);
    for (size_t i = 0; i < rkd_mask_words(rkd.rkd_picture_width / 4, rkd.rkd_picture_height / 4);
         ++i) {
        kept[i] = still[i] & before[i];
    }
    return kept;
}

}  // namespace

int32_t rkd_decode_inter_frame(RkdDecoder& rkd, const RkdFrame& frame, const uint8_t* payload,
                               uint32_t payload_bytes) {
    if (!rkd_has_picture(rkd, frame)) {
        return 0;
    }
    int32_t width = rkd.rkd_picture_width;
    int32_t height = rkd.rkd_picture_height;
    if (width % 4 != 0 || height % 4 != 0) {
        return 0;
    }
    uint32_t block_count = uint32_t(width / 4) * uint32_t(height / 4);
    InterLayout layout;
    if (!read_layout(payload, payload_bytes, block_count, layout)) {
        return 0;
    }
    uint32_t table_blocks = layout.raw_blocks + layout.quad_blocks;
    // Buffers come before the exchange, so a frame that cannot be decoded leaves the last
    // picture in place rather than showing the one before it.
    if ((layout.vectors > 0 && !rkd_reserve_vectors(rkd, int32_t(layout.vectors))) ||
        (table_blocks > 0 && !rkd_reserve_blocks(rkd, int32_t(table_blocks)))) {
        return 0;
    }
    std::swap(rkd.rkd_frame, rkd.rkd_prev_frame);
    ++rkd.rkd_picture_number;
    rkd.rkd_vector_count = int32_t(layout.vectors);
    rkd.rkd_raw_block_count = int32_t(layout.raw_blocks);
    rkd.rkd_quad_block_count = int32_t(layout.quad_blocks);
    rkd.rkd_index_bits = int32_t(layout.index_bits);

    rkd_read_signed_fields(rkd.rkd_vectors, payload + layout.vectors_at,
                           layout.raw_blocks_at - layout.vectors_at, 2 * layout.vectors,
                           RKD_VECTOR_FIELD_BITS);
    compute_vector_offsets(rkd, layout.vectors);
    uint32_t raw_bytes = RKD_BLOCK_BYTES * layout.raw_blocks;
    if (raw_bytes > 0) {
        std::memcpy(rkd.rkd_blocks, payload + layout.raw_blocks_at, raw_bytes);
    }
    if (layout.quad_blocks > 0) {
        rkd_expand_quad_blocks(payload + layout.quad_blocks_at,
                               RKD_QUAD_BLOCK_BYTES * layout.quad_blocks,
                               rkd.rkd_blocks + raw_bytes, RKD_BLOCK_BYTES * layout.quad_blocks);
    }
    uint64_t* still = rkd_block_mask(rkd, int32_t(rkd.rkd_picture_number % 2));
    read_map_and_mark_still(rkd, layout, payload, payload_bytes, still);
    const uint64_t* kept = kept_blocks(rkd, still);
    RkdBlockSources sources{rkd.rkd_vector_offsets, layout.vectors, rkd.rkd_blocks, table_blocks};
    rkd_kernels().assemble_picture(rkd.rkd_block_map, rkd.rkd_prev_frame, rkd.rkd_frame, sources,
                                   width, height, kept);
    return 1;
}

}  // namespace qx
