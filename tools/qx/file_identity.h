#pragma once
#include <string>
#include <vector>

namespace qx {

// Whether `path` names the same file as one of `others`: the same device and inode, whatever
// the names (links, "./", a folder's pictures). False when `path` does not exist yet.
bool is_one_of(const std::string& path, const std::vector<std::string>& others);

}  // namespace qx
