#include "tools/qx/picture_png.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace qx {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// libpng reports failures by jumping back here; nothing with a destructor lives between.
bool write_rows(std::FILE* file, const RgbImage& picture) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t stride = static_cast<size_t>(picture.width) * 3;
    for (int32_t row = 0; row < picture.height; ++row) {
        png_write_row(png, picture.rgb.data() + static_cast<size_t>(row) * stride);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool write_png(const std::string& path, const RgbImage& picture, std::string& error) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (file == nullptr) {
        error = path + ": cannot be created (" + std::strerror(errno) + ")";
        return false;
    }
    if (!write_rows(file.get(), picture) || std::fflush(file.get()) != 0) {
        // No half picture is left under the name.
        error = path + ": cannot be written (" + std::strerror(errno) + ")";
        file.reset();
        std::remove(path.c_str());
        return false;
    }
    return true;
}

}  // namespace qx
