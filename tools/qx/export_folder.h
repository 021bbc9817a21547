#pragma once
#include <string>

namespace qx {

// Removes from `folder` every file an earlier export may have written there (frame_NNNNN.png,
// frame_NNNNN.raw, frames.json, audio.wav), so that a new export does not leave an older,
// longer one's frames beside its own; files of other names stay. False, with the system's
// reason in `error`, when one cannot be removed.
bool clear_earlier_export(const std::string& folder, std::string& error);

}  // namespace qx
