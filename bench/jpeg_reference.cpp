#include "bench/jpeg_reference.h"

#include <cstdlib>

namespace qx {

std::vector<uint8_t> jpeg_compress(const std::vector<uint8_t>& rgb, int32_t width, int32_t height,
                                   int32_t quality) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);  // 4:2:0, as Mnb and Zle
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(rgb.data()) + size_t(info.next_scanline) * width * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

void jpeg_decompress(const std::vector<uint8_t>& jpeg, J_COLOR_SPACE space, int32_t pixel_bytes,
                     std::vector<uint8_t>& out) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), jpeg.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = space;
    info.dither_mode = JDITHER_NONE;
    jpeg_start_decompress(&info);
    const size_t stride = size_t(info.output_width) * pixel_bytes;
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.data() + size_t(info.output_scanline) * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
}

}  // namespace qx
