#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qx {

// Reads a PNG of any colour type and depth as 8-bit RGB, alpha composited onto black; 16-bit
// pictures without gamma chunks are taken as sRGB. False,
// with the reason in `error`, when the file cannot be read as a PNG.
bool read_png_rgb(const std::string& path, int32_t& width, int32_t& height,
                  std::vector<uint8_t>& rgb, std::string& error);

}  // namespace qx
