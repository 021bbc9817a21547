#pragma once
#include <cstdio>

#include "tools/qx/picture_planes.h"

namespace qx {

// A YUV4MPEG2 stream: one header line, then each picture after a "FRAME" line as its planes.
// Studio-range BT.601 with chroma centred between the pixels (420jpeg), or at full size (444).
bool write_y4m_header(std::FILE* file, int32_t width, int32_t height, double fps, bool half_chroma);
bool write_y4m_frame(std::FILE* file, const PlanarPicture& picture);

}  // namespace qx
