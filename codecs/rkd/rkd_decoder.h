#pragma once
#include <cstddef>
#include <cstdint>

namespace qx {

// Ready-made display pixels, one per palette index. With double width the 16-bit pixel sits
// in both halves of its entry.
struct RkdPixelTable {
    uint32_t entries[256];
};

// Two 16-bit pixels for every two indexes: entry a | b << 8 holds the low halves of pixel-table
// entries a and b, a's lowest, so that one load converts two neighbouring pixels.
struct RkdPixelPairs {
    uint32_t entries[65536];
};

// What one output picture converted for the caller's keeping holds: the converted form of
// picture number `picture_number` (see RkdDecoder), for that display form and size.
struct RkdConvertedPicture {
    const uint8_t* picture;
    size_t picture_bytes;
    uint64_t picture_number;
    bool palettised;
    bool double_width;
};

// The Rkd decoder state of one movie: the 8-bit pictures, the buffers of the latest inter
// frame, the key frame's palette and the pixel table built from it. Zero-filled it is a
// decoder that has seen no key frame yet.
struct RkdDecoder {
    int32_t rkd_palette_count;
    int32_t rkd_vector_count;
    int32_t rkd_raw_block_count;
    int32_t rkd_quad_block_count;
    int32_t rkd_index_bits;
    int32_t rkd_vectors_capacity;
    int32_t rkd_blocks_capacity;
    // Picture size that rkd_frame, rkd_prev_frame, rkd_row_offsets and rkd_block_map were
    // made for; 0 while they are absent. Inter frames and the converter trust only this size.
    int32_t rkd_picture_width;
    int32_t rkd_picture_height;
    uint8_t* rkd_frame;
    uint8_t* rkd_prev_frame;
    int32_t* rkd_block_map;
    int32_t* rkd_row_offsets;
    uint8_t* rkd_blocks;
    int32_t* rkd_vectors;
    int32_t* rkd_vector_offsets;

    // Pictures decoded into rkd_frame so far, key and inter: the number of the one it holds.
    uint64_t rkd_picture_number;
    // Three block masks of the picture's size, allocated with it: the still blocks (copied
    // from their own place unchanged) of the inter frames that made pictures
    // rkd_still_pictures[0] and [1], then the blocks an inter frame leaves as they stand.
    uint64_t* rkd_block_masks;
    uint64_t rkd_still_pictures[2];
    // The latest two pictures converted for the caller's keeping (rkd_convert_kept_picture).
    RkdConvertedPicture rkd_converted[2];

    uint8_t palette[768];
    RkdPixelTable rkd_pixel_table;
    // The pairs of rkd_pixel_table, rebuilt with it; null until it is built or when it could
    // not be allocated (conversions then take the table a pixel at a time).
    RkdPixelPairs* rkd_pixel_pairs;
};

// The frame in hand, as the dispatcher describes it to the Rkd decoders.
struct RkdFrame {
    int32_t width;  // the frame size in force; pictures made for another size are not used
    int32_t height;
    bool palettised;  // an 8-bit display: indices are copied as they are
    bool double_width;
};

}  // namespace qx
