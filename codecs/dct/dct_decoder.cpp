#include "codecs/dct/dct_decoder.h"

#include <algorithm>

namespace qx {

DctFrame dct_frame_of(const DctHeader& header, bool double_width, size_t picture_bytes) {
    return {header.width, header.height, double_width ? 4 : 2, picture_bytes};
}

MacroblockWalk::MacroblockWalk(const DctFrame& frame)
    : columns_(0), rows_(0), pixel_bytes_(frame.pixel_bytes), stride_(0) {
    if (frame.width <= 0 || frame.height <= 0 || frame.pixel_bytes <= 0) {
        return;
    }
    stride_ = size_t(frame.width) * size_t(frame.pixel_bytes);
    const size_t rows_held = frame.picture_bytes / stride_;
    rows_ = static_cast<int32_t>(std::min<size_t>(size_t(frame.height), rows_held));
    columns_ = rows_ == 0 ? 0 : frame.width;
}

MacroblockPlace MacroblockWalk::place(int32_t x, int32_t y) const {
    return {size_t(y) * stride_ + size_t(x) * size_t(pixel_bytes_), std::min(16, columns_ - x),
            std::min(16, rows_ - y)};
}

}  // namespace qx
