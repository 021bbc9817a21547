#pragma once
#include <cstdint>
#include <span>
#include <string>

namespace qx {

// Writes `bytes` as the file `path`, all or nothing: the bytes go to a file without a name in
// the same folder, which takes `path` (replacing any file there in one step) only once it is
// complete. A write that fails or a process that dies midway leaves `path` as it was and no
// other file behind. False, with the system's reason in `error`, when it cannot be written.
bool write_whole_file(const std::string& path, std::span<const uint8_t> bytes, std::string& error);

}  // namespace qx
