#pragma once
#include <cstdint>

#include "codecs/rkd/rkd_decoder.h"

namespace qx {

// Largest picture the codec accepts (8192 x 8192 palette indices); anything larger in a
// key-frame header is treated as damage rather than allocated.
inline constexpr int64_t RKD_MAX_PICTURE_PIXELS = int64_t{1} << 26;

// S: the bytes of one 8-bit picture, rounded up to a multiple of 4.
inline uint32_t rkd_picture_bytes(int32_t width, int32_t height) {
    return static_cast<uint32_t>((int64_t{width} * height + 3) & ~int64_t{3});
}

// The block masks of rkd_block_masks: two of still blocks, one of kept blocks.
inline constexpr int32_t RKD_BLOCK_MASKS = 3;
inline constexpr int32_t RKD_KEPT_BLOCKS = 2;
// Mask `which` (0 to RKD_BLOCK_MASKS - 1) of a decoder that has a picture.
uint64_t* rkd_block_mask(const RkdDecoder& rkd, int32_t which);

// True when the picture buffers exist and were made for the frame size `frame` gives.
bool rkd_has_picture(const RkdDecoder& rkd, const RkdFrame& frame);

// Makes the picture buffers (frames, row offsets, block map, block masks) ready for a key frame of
// width x height. Buffers of another size are replaced by zeroed ones; those of this size are kept
// with the block map cleared, as a fresh one is, and the pictures as they were: the key frame
// writes all of rkd_frame, and an inter frame all of the other before anything reads it. False when
// a buffer cannot be had; the picture is then marked absent.
bool rkd_allocate_picture(RkdDecoder& rkd, int32_t width, int32_t height);

// Grows the vector and block-table buffers to hold `vectors` vectors and `blocks` 16-byte
// blocks; capacities only grow. False when an allocation fails.
bool rkd_reserve_vectors(RkdDecoder& rkd, int32_t vectors);
bool rkd_reserve_blocks(RkdDecoder& rkd, int32_t blocks);

// Frees every buffer of the decoder and clears its sizes and capacities.
void rkd_release_buffers(RkdDecoder& rkd);

}  // namespace qx
