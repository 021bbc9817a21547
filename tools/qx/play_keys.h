#pragma once
#include <string>
#include <vector>

namespace qx {

// The keys and mouse actions of `qx play`, for its --help and its help overlay.
struct PlayKey {
    const char* keys;
    const char* action;
};
const std::vector<PlayKey>& play_keys();

// "Space pause" and the rest, one line each, for the help overlay.
std::vector<std::string> play_keys_lines();
// The same in one paragraph: "Keys: Space pause, ...".
std::string play_keys_paragraph();

}  // namespace qx
