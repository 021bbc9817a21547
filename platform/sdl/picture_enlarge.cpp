#include "platform/sdl/picture_enlarge.h"

#include <cstddef>
#include <cstring>

#include "platform/sdl/present_kernels.h"

namespace qx {

std::vector<int32_t> nearest_sources(int32_t picture_size, int32_t out_size) {
    std::vector<int32_t> sources(static_cast<size_t>(out_size > 0 ? out_size : 0));
    for (int32_t i = 0; i < out_size; ++i) {
        sources[i] =
            static_cast<int32_t>((int64_t{2} * i + 1) * picture_size / (int64_t{2} * out_size));
    }
    return sources;
}

namespace {

uint32_t* row_of(const PictureWords& picture, int32_t y) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(picture.words) +
                                       static_cast<ptrdiff_t>(y) * picture.pitch);
}

}  // namespace

void enlarge_picture(const PictureWords& picture, const PictureWords& out) {
    const std::vector<int32_t> columns = nearest_sources(picture.width, out.width);
    const std::vector<int32_t> rows = nearest_sources(picture.height, out.height);
    const PresentKernels& kernels = present_kernels();
    const bool doubled = out.width == 2 * picture.width;
    for (int32_t y = 0; y < out.height; ++y) {
        uint32_t* to = row_of(out, y);
        // Rows showing the same picture row are copies of the first one.
        if (y > 0 && rows[y] == rows[y - 1]) {
            std::memcpy(to, row_of(out, y - 1), static_cast<size_t>(out.width) * 4);
        } else if (doubled) {
            kernels.double_row(row_of(picture, rows[y]), to, picture.width);
        } else {
            kernels.enlarge_row(row_of(picture, rows[y]), columns.data(), to, out.width);
        }
    }
}

}  // namespace qx
