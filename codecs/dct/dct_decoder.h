#pragma once
#include <cstddef>
#include <cstdint>

#include "codecs/dct/coefficient_block.h"
#include "codecs/dct/macroblock.h"
#include "codecs/dct/mnb_bit_reader.h"
#include "codecs/dct/zle_bit_reader.h"

namespace qx {

// The working state of the DCT decoders. Each movie has its own; tests and tools keep theirs.
struct DctDecoder {
    MnbBitReader mnb_reader;
    ZleBitReader zle_reader;
    CoefficientBlock block;
    DequantTable dequant_table;
    MacroblockPlanes planes;
};

// Results of the frame decoders. Whatever the result, nothing outside the input or the
// pictures was touched; macroblocks decoded before a failure stay in the picture.
enum DctResult : int32_t {
    DCT_DECODED = 0,
    DCT_BAD_SIZE = -1,   // width or height 0 or below, or no row fits: nothing decoded
    DCT_TRUNCATED = -2,  // the payload ended before the last macroblock
    DCT_BAD_BLOCK = -3,  // a block's codes ran past position 63
};

// One frame's pictures: `height` rows of `width` pixels of `pixel_bytes` (2, or 4 with double
// width), rows back to back, in buffers of `picture_bytes`. Rows or columns the buffer does
// not hold, and the parts of macroblocks past the picture's edge, are not written.
struct DctFrame {
    int32_t width;
    int32_t height;
    int32_t pixel_bytes;
    size_t picture_bytes;
};

// The values of the 8-byte frame header of Mnb and Zle (the flag bits are Zle's only).
struct DctHeader {
    int32_t width;
    int32_t height;
    int32_t quality;
    int32_t zle_channel_conversion;  // 0 or 2
    int32_t zle_all_intra;           // 0 or 1
};

// The frame a header describes, in pictures of `picture_bytes`: 2-byte pixels, 4 with double
// width.
DctFrame dct_frame_of(const DctHeader& header, bool double_width, size_t picture_bytes);

// Where one macroblock lands in the picture, clipped to it.
struct MacroblockPlace {
    size_t offset;  // bytes from the picture's start to the macroblock's top-left pixel
    int32_t columns;
    int32_t rows;
};

// Walks the macroblocks of a frame in raster order, over the rows the picture holds.
class MacroblockWalk {
  public:
    explicit MacroblockWalk(const DctFrame& frame);
    bool empty() const { return columns_ == 0 || rows_ == 0; }
    int32_t macroblock_columns() const { return (columns_ + 15) / 16; }
    int32_t macroblock_rows() const { return (rows_ + 15) / 16; }
    size_t stride() const { return stride_; }
    int32_t width() const { return columns_; }
    int32_t pixel_bytes() const { return pixel_bytes_; }
    // Pixels of the rows the picture holds.
    int64_t pixels() const { return int64_t{columns_} * rows_; }
    MacroblockPlace place(int32_t x, int32_t y) const;

  private:
    int32_t columns_;
    int32_t rows_;
    int32_t pixel_bytes_;
    size_t stride_;
};

}  // namespace qx
