#pragma once
#include <cstddef>
#include <cstdint>

namespace qx {

// What a block-map index can select: indexes below vector_count are motion vectors (linear
// byte offsets into the previous picture), the next block_count ones 16-byte table blocks.
struct RkdBlockSources {
    const int32_t* vector_offsets;
    uint32_t vector_count;
    const uint8_t* blocks;
    uint32_t block_count;
};

// Offset that marks a vector no block can use (its rows lie outside the picture).
inline constexpr int32_t RKD_VECTOR_OUTSIDE = INT32_MIN;

// Writes every 4 x 4 block of `picture` (width x height bytes, both multiples of 4) from the
// block map, in raster order. A block whose index selects nothing, or whose vector would
// reach outside `previous`, keeps the previous picture's pixels at its place. Blocks set in
// `kept` (a block mask, or null for none) already hold their pixels and are not written.
void rkd_assemble_picture(const int32_t* block_map, const uint8_t* previous, uint8_t* picture,
                          const RkdBlockSources& sources, int32_t width, int32_t height,
                          const uint64_t* kept);

// The same assembly a byte at a time: the reference the fast version is checked against.
void rkd_assemble_picture_reference(const int32_t* block_map, const uint8_t* previous,
                                    uint8_t* picture, const RkdBlockSources& sources, int32_t width,
                                    int32_t height, const uint64_t* kept);

}  // namespace qx
