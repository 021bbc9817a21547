#include "codecs/rkd/rkd_buffers.h"

#include "platform/memory.h"

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

void release_picture(PlayerContext& context) {
    release(context.rkd_frame);
    release(context.rkd_prev_frame);
    release(context.rkd_row_offsets);
    release(context.rkd_block_map);
    context.rkd_picture_width = 0;
    context.rkd_picture_height = 0;
}

}  // namespace

bool rkd_has_picture(const PlayerContext& context) {
    return context.rkd_frame != nullptr && context.rkd_prev_frame != nullptr &&
           context.rkd_row_offsets != nullptr && context.rkd_block_map != nullptr &&
           context.rkd_picture_width > 0 && context.rkd_picture_height > 0 &&
           context.rkd_picture_width == context.frame_width &&
           context.rkd_picture_height == context.frame_height;
}

bool rkd_allocate_picture(PlayerContext& context, int32_t width, int32_t height) {
    release_picture(context);
    uint32_t picture_bytes = rkd_picture_bytes(width, height);
    context.rkd_frame = allocate<uint8_t>(picture_bytes);
    context.rkd_prev_frame = allocate<uint8_t>(picture_bytes);
    context.rkd_row_offsets = allocate<int32_t>(2 * uint64_t(height));
    context.rkd_block_map = allocate<int32_t>(picture_bytes / 16);
    if (context.rkd_frame == nullptr || context.rkd_prev_frame == nullptr ||
        context.rkd_row_offsets == nullptr || context.rkd_block_map == nullptr) {
        // Whatever was allocated stays until the next key frame or the teardown, but no
        // decoder may use a half-made set.
        return false;
    }
    context.rkd_picture_width = width;
    context.rkd_picture_height = height;
    return true;
}

bool rkd_reserve_vectors(PlayerContext& context, int32_t vectors) {
    if (vectors > context.rkd_vectors_capacity) {
        release(context.rkd_vectors);
        release(context.rkd_vector_offsets);
        context.rkd_vectors_capacity = 0;
    }
    if (context.rkd_vectors == nullptr) {
        context.rkd_vectors = allocate<int32_t>(2 * uint64_t(vectors));
    }
    if (context.rkd_vector_offsets == nullptr) {
        context.rkd_vector_offsets = allocate<int32_t>(vectors);
    }
    if (context.rkd_vectors == nullptr || context.rkd_vector_offsets == nullptr) {
        return false;
    }
    if (vectors > context.rkd_vectors_capacity) {
        context.rkd_vectors_capacity = vectors;
    }
    return true;
}

bool rkd_reserve_blocks(PlayerContext& context, int32_t blocks) {
    if (blocks > context.rkd_blocks_capacity) {
        release(context.rkd_blocks);
        context.rkd_blocks_capacity = 0;
    }
    if (context.rkd_blocks == nullptr) {
        context.rkd_blocks = allocate<uint8_t>(16 * uint64_t(blocks));
        if (context.rkd_blocks == nullptr) {
            return false;
        }
        context.rkd_blocks_capacity = blocks;
    }
    return true;
}

void rkd_release_buffers(PlayerContext& context) {
    release_picture(context);
    release(context.rkd_vectors);
    release(context.rkd_vector_offsets);
    release(context.rkd_blocks);
    context.rkd_vectors_capacity = 0;
    context.rkd_blocks_capacity = 0;
}
