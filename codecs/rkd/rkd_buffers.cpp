#include "codecs/rkd/rkd_buffers.h"

#include <algorithm>
#include <cstring>

#include "base/memory.h"
#include "codecs/rkd/rkd_block_mask.h"

namespace qx {

namespace {

template <typename T>
void release(T*& buffer) {
    memory_free(buffer);
    buffer = nullptr;
}

template <typename T>
T* allocate(uint64_t count) {
    return static_cast<T*>(memory_allocate_zeroed(count * sizeof(T)));
}

void release_picture(RkdDecoder& rkd) {
    release(rkd.rkd_frame);
    release(rkd.rkd_prev_frame);
    release(rkd.rkd_row_offsets);
    release(rkd.rkd_block_map);
    release(rkd.rkd_block_masks);
    rkd.rkd_picture_width = 0;
    rkd.rkd_picture_height = 0;
}

}  // namespace

uint64_t* rkd_block_mask(const RkdDecoder& rkd, int32_t which) {
    const size_t words = rkd_mask_words(rkd.rkd_picture_width / 4, rkd.rkd_picture_height / 4);
    return rkd.rkd_block_masks + size_t(which) * words;
}

bool rkd_has_picture(const RkdDecoder& rkd, const RkdFrame& frame) {
    return rkd.rkd_frame != nullptr && rkd.rkd_prev_frame != nullptr &&
           rkd.rkd_row_offsets != nullptr && rkd.rkd_block_map != nullptr &&
           rkd.rkd_block_masks != nullptr && rkd.rkd_picture_width > 0 &&
           rkd.rkd_picture_height > 0 && rkd.rkd_picture_width == frame.width &&
           rkd.rkd_picture_height == frame.height;
}

bool rkd_allocate_picture(RkdDecoder& rkd, int32_t width, int32_t height) {
    uint32_t picture_bytes = rkd_picture_bytes(width, height);
    if (rkd_has_picture(rkd, {width, height, false, false})) {
        // Zeroing two pictures cost a key frame about half a copy of its output.
        std::memset(rkd.rkd_block_map, 0, sizeof(int32_t) * (picture_bytes / 16));
        return true;
    }
    release_picture(rkd);
    rkd.rkd_frame = allocate<uint8_t>(picture_bytes);
    rkd.rkd_prev_frame = allocate<uint8_t>(picture_bytes);
    rkd.rkd_row_offsets = allocate<int32_t>(2 * uint64_t(height));
    rkd.rkd_block_map = allocate<int32_t>(picture_bytes / 16);
    // One word at least: pictures too small for a block still get a buffer.
    rkd.rkd_block_masks = allocate<uint64_t>(
        std::max<uint64_t>(1, RKD_BLOCK_MASKS * rkd_mask_words(width / 4, height / 4)));
    if (rkd.rkd_frame == nullptr || rkd.rkd_prev_frame == nullptr ||
        rkd.rkd_row_offsets == nullptr || rkd.rkd_block_map == nullptr ||
        rkd.rkd_block_masks == nullptr) {
        // Whatever was allocated stays until the next key frame or the teardown, but no
        // decoder may use a half-made set.
        return false;
    }
    rkd.rkd_picture_width = width;
    rkd.rkd_picture_height = height;
    return true;
}

bool rkd_reserve_vectors(RkdDecoder& rkd, int32_t vectors) {
    if (vectors > rkd.rkd_vectors_capacity) {
        release(rkd.rkd_vectors);
        release(rkd.rkd_vector_offsets);
        rkd.rkd_vectors_capacity = 0;
    }
    if (rkd.rkd_vectors == nullptr) {
        rkd.rkd_vectors = allocate<int32_t>(2 * uint64_t(vectors));
    }
    if (rkd.rkd_vector_offsets == nullptr) {
        rkd.rkd_vector_offsets = allocate<int32_t>(vectors);
    }
    if (rkd.rkd_vectors == nullptr || rkd.rkd_vector_offsets == nullptr) {
        return false;
    }
    if (vectors > rkd.rkd_vectors_capacity) {
        rkd.rkd_vectors_capacity = vectors;
    }
    return true;
}

bool rkd_reserve_blocks(RkdDecoder& rkd, int32_t blocks) {
    if (blocks > rkd.rkd_blocks_capacity) {
        release(rkd.rkd_blocks);
        rkd.rkd_blocks_capacity = 0;
    }
    if (rkd.rkd_blocks == nullptr) {
        rkd.rkd_blocks = allocate<uint8_t>(16 * uint64_t(blocks));
        if (rkd.rkd_blocks == nullptr) {
            return false;
        }
        rkd.rkd_blocks_capacity = blocks;
    }
    return true;
}

void rkd_release_buffers(RkdDecoder& rkd) {
    release_picture(rkd);
    release(rkd.rkd_vectors);
    release(rkd.rkd_vector_offsets);
    release(rkd.rkd_blocks);
    release(rkd.rkd_pixel_pairs);
    rkd.rkd_vectors_capacity = 0;
    rkd.rkd_blocks_capacity = 0;
}

}  // namespace qx
