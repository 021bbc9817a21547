#pragma once
#include <cstdint>
#include <string>

#include "tools/qx/picture_rgb.h"

namespace qx {

// Saves the picture `qx play` shows as "NAME_FFFFF.png" in the current folder, NAME the movie's
// file name without its extension and FFFFF the frame as `qx export` numbers it; a file already
// there is kept and the new one takes the next free "NAME_FFFFF-N.png". The name written goes
// to `path`; false, with one line in `error` and no file left behind, when it cannot be written.
bool save_snapshot(const std::string& movie, int32_t frame, const RgbImage& picture,
                   std::string& path, std::string& error);

}  // namespace qx
