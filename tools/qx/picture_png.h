#pragma once
#include <string>

#include "tools/qx/picture_rgb.h"

namespace qx {

// Writes an 8-bit RGB PNG; false, with the reason in `error`, when it cannot be written.
bool write_png(const std::string& path, const RgbImage& picture, std::string& error);

}  // namespace qx
