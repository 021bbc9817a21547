#include "tools/qx/encode_png_reader.h"

#include <png.h>

#include <cstring>

namespace qx {

bool read_png_rgb(const std::string& path, int32_t& width, int32_t& height,
                  std::vector<uint8_t>& rgb, std::string& error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        error = path + ": cannot be read as a PNG (" + image.message + ")";
        png_image_free(&image);
        return false;
    }
    // Beyond this a frame could not be held by any of the formats, and the buffer size would
    // come from the file alone.
    constexpr png_uint_32 LARGEST_SIDE = 32767;
    if (image.width == 0 || image.height == 0 || image.width > LARGEST_SIDE ||
        image.height > LARGEST_SIDE) {
        error = path + ": " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                " is no picture size a movie can carry";
        png_image_free(&image);
        return false;
    }
    // Deep pictures without gamma chunks are sRGB like their 8-bit kin; read as linear light
    // they would come out far too bright.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image), 0);
    if (png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr) == 0) {
        error = path + ": cannot be decoded (" + image.message + ")";
        png_image_free(&image);
        return false;
    }
    // Transparency over black, blended on the stored levels as a screen would show them.
    rgb.resize(rgba.size() / 4 * 3);
    for (size_t i = 0; i < rgba.size() / 4; ++i) {
        const uint32_t alpha = rgba[4 * i + 3];
        for (size_t c = 0; c < 3; ++c) {
            rgb[3 * i + c] = static_cast<uint8_t>((rgba[4 * i + c] * alpha + 127) / 255);
        }
    }
    width = static_cast<int32_t>(image.width);
    height = static_cast<int32_t>(image.height);
    return true;
}

}  // namespace qx
