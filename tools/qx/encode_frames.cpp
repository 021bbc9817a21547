#include "tools/qx/encode_frames.h"

namespace qx {

std::unique_ptr<FrameSource> open_frame_source(const std::string& input, std::string& error) {
    const bool y4m = input.size() > 4 && input.compare(input.size() - 4, 4, ".y4m") == 0;
    return y4m ? open_y4m_frames(input, error) : open_png_frames(input, error);
}

}  // namespace qx
