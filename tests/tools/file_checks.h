#pragma once
#include <string>
#include <vector>

namespace qx {

// A file's bytes as a string (empty when it cannot be read), for comparing outputs.
std::string file_text(const std::string& path);
// The names in a folder, sorted: what a command left there.
std::vector<std::string> files_in(const std::string& folder);

}  // namespace qx
