#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/qx/encode_frames.h"
#include "tools/qx/encode_png_reader.h"

namespace qx {

namespace {

// Pictures read one file at a time; every one must have the first one's size.
class PngFrames : public FrameSource {
  public:
    explicit PngFrames(std::vector<std::string> paths) : paths_(std::move(paths)) {}

    bool start(std::string& error) {
        return read_png_rgb(paths_[0], width_, height_, first_, error);
    }

    int64_t frame_count() const override { return static_cast<int64_t>(paths_.size()); }
    std::vector<std::string> files() const override { return paths_; }

    bool next(std::vector<uint8_t>& rgb, std::string& error) override {
        if (next_ >= paths_.size()) {
            return false;
        }
        const std::string& path = paths_[next_++];
        if (next_ == 1) {
            rgb = std::move(first_);
            return true;
        }
        int32_t width = 0;
        int32_t height = 0;
        if (!read_png_rgb(path, width, height, rgb, error)) {
            return false;
        }
        if (width != width_ || height != height_) {
            error = path + ": " + std::to_string(width) + "x" + std::to_string(height) +
                    ", but the first picture is " + std::to_string(width_) + "x" +
                    std::to_string(height_);
            return false;
        }
        return true;
    }

  private:
    std::vector<std::string> paths_;
    std::vector<uint8_t> first_;
    size_t next_ = 0;
};

std::string numbered_path(const std::string& pattern, int index) {
    const int length = std::snprintf(nullptr, 0, pattern.c_str(), index);
    std::string path(static_cast<size_t>(std::max(length, 0)), '\0');
    std::snprintf(path.data(), path.size() + 1, pattern.c_str(), index);
    return path;
}

// Only one conversion, an integer one, may appear: anything else would read past the
// arguments we pass.
bool is_number_pattern(const std::string& pattern) {
    int conversions = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < pattern.size() &&
               (std::isdigit(static_cast<unsigned char>(pattern[j])) || pattern[j] == '-')) {
            ++j;
        }
        if (j >= pattern.size() || (pattern[j] != 'd' && pattern[j] != 'i')) {
            return false;
        }
        ++conversions;
        i = j;
    }
    return conversions == 1;
}

std::vector<std::string> pattern_paths(const std::string& pattern) {
    std::vector<std::string> paths;
    std::error_code code;
    int index = std::filesystem::exists(numbered_path(pattern, 0), code) ? 0 : 1;
    for (;; ++index) {
        std::string path = numbered_path(pattern, index);
        if (!std::filesystem::exists(path, code)) {
            break;
        }
        paths.push_back(std::move(path));
    }
    return paths;
}

std::vector<std::string> folder_paths(const std::string& folder) {
    std::vector<std::string> paths;
    std::error_code code;
    for (const auto& entry : std::filesystem::directory_iterator(folder, code)) {
        if (entry.path().extension() == ".png" && entry.is_regular_file(code)) {
            paths.push_back(entry.path().string());
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace

std::unique_ptr<FrameSource> open_png_frames(const std::string& input, std::string& error) {
    std::error_code code;
    std::vector<std::string> paths;
    if (input.find('%') != std::string::npos) {
        if (!is_number_pattern(input)) {
            error = input + ": a pattern needs exactly one integer field such as %05d";
            return nullptr;
        }
        paths = pattern_paths(input);
    } else if (std::filesystem::is_directory(input, code)) {
        paths = folder_paths(input);
    } else if (std::filesystem::exists(input, code)) {
        paths.push_back(input);
    } else {
        error = input + ": no such file or folder";
        return nullptr;
    }
    if (paths.empty()) {
        error = input + ": no PNG pictures found";
        return nullptr;
    }
    auto frames = std::make_unique<PngFrames>(std::move(paths));
    if (!frames->start(error)) {
        return nullptr;
    }
    return frames;
}

}  // namespace qx
