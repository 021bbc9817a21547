#include "tools/qx/export_folder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace qx {

namespace {

// frame_ and five or more digits, then .png or .raw: the names the picture export gives.
bool is_frame_name(const std::string& name) {
    const std::string prefix = "frame_";
    constexpr size_t EXTENSION = 4;
    if (name.size() < prefix.size() + 5 + EXTENSION || name.rfind(prefix, 0) != 0) {
        return false;
    }
    const std::string extension = name.substr(name.size() - EXTENSION);
    const auto digits_begin = name.begin() + static_cast<std::ptrdiff_t>(prefix.size());
    const auto digits_end = name.end() - static_cast<std::ptrdiff_t>(EXTENSION);
    return (extension == ".png" || extension == ".raw") &&
           std::all_of(digits_begin, digits_end,
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

bool is_export_name(const std::string& name) {
    return name == "audio.wav" || name == "frames.json" || is_frame_name(name);
}

}  // namespace

bool clear_earlier_export(const std::string& folder, std::string& error) {
    std::error_code code;
    for (const auto& entry : std::filesystem::directory_iterator(folder, code)) {
        if (!is_export_name(entry.path().filename().string()) || !entry.is_regular_file(code)) {
            continue;
        }
        if (!std::filesystem::remove(entry.path(), code) && code) {
            error = entry.path().string() + ": cannot be removed (" + code.message() + ")";
            return false;
        }
    }
    if (code) {
        error = folder + ": cannot be read (" + code.message() + ")";
        return false;
    }
    return true;
}

}  // namespace qx
