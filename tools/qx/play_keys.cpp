#include "tools/qx/play_keys.h"

namespace qx {

const std::vector<PlayKey>& play_keys() {
    static const std::vector<PlayKey> keys = {
        {"Space", "pause"},
        {"Esc or q", "quit"},
        {"n and p", "next and previous movie"},
        {"r", "restart"},
        {"f or a double click", "full screen"},
        {"m", "mute"},
        {"9 and 0", "volume down and up"},
        {"the wheel over the bar", "volume"},
        {"+ and -", "brightness"},
        {"Left/Right", "5 s"},
        {"Down/Up", "60 s"},
        {"Home/End", "start and end"},
        {"PageDown/PageUp", "a tenth of the movie"},
        {", and .", "a frame back and on"},
        {"the wheel over the picture", "5 s a step"},
        {"a click or a drag on the bar", "seek there"},
        {"s", "save the picture as a PNG"},
        {"?", "this help"},
    };
    return keys;
}

std::vector<std::string> play_keys_lines() {
    std::vector<std::string> lines;
    for (const PlayKey& key : play_keys()) {
        lines.push_back(std::string(key.keys) + ": " + key.action);
    }
    return lines;
}

std::string play_keys_paragraph() {
    std::string text = "Keys: ";
    for (const PlayKey& key : play_keys()) {
        text +=
            std::string(key.keys) + ": " + key.action + (&key == &play_keys().back() ? "" : "; ");
    }
    return text;
}

}  // namespace qx
