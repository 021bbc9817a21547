#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace qx {

// Makes `path` hold exactly `bytes`; false with one line in `error` when it cannot. A file that
// is there already is written over where it stands and then cut to length: exporting again
// into the same folder then reuses its cached pages and disk blocks instead of freeing them
// all and taking them anew.
bool write_export_file(const std::string& path, const uint8_t* bytes, size_t count,
                       std::string& error);

}  // namespace qx
