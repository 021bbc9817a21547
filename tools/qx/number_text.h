#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace qx {

// 1225154 as "1,225,154".
std::string grouped(int64_t value);

// "1 frame", "2 frames", "1,024 frames": a count with its noun, grouped, plural but for one.
std::string counted(int64_t count, const std::string& noun);

// printf into a string, for the short lines the tool prints (up to 255 characters).
template <typename... Values>
std::string formatted(const char* pattern, Values... values) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

}  // namespace qx
