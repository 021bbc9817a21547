#include "tools/qx/encode_png_reader.h"

#include <png.h>

#include <cstring>

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
    image.format = PNG_FORMAT_RGB;
    rgb.assign(PNG_IMAGE_SIZE(image), 0);
    const png_color black{0, 0, 0};
    if (png_image_finish_read(&image, &black, rgb.data(), 0, nullptr) == 0) {
        error = path + ": cannot be decoded (" + image.message + ")";
        png_image_free(&image);
        return false;
    }
    width = static_cast<int32_t>(image.width);
    height = static_cast<int32_t>(image.height);
    return true;
}
