#include "tools/qx/progress.h"

#include <unistd.h>

#include <cstdio>
#include <utility>

namespace qx {

ProgressBar::ProgressBar(std::string label, int64_t total)
    : label_(std::move(label)), total_(total > 0 ? total : 1), enabled_(isatty(STDERR_FILENO)) {}

void ProgressBar::update(int64_t done) {
    if (!enabled_) {
        return;
    }
    const int percent = static_cast<int>(done * 100 / total_);
    if (percent == last_percent_) {
        return;
    }
    last_percent_ = percent;
    constexpr int width = 40;
    const int filled = percent * width / 100;
    std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%", label_.c_str(), filled,
                 "########################################", width - filled, "", percent);
    std::fflush(stderr);
}

void ProgressBar::finish() {
    if (enabled_) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
    }
}

}  // namespace qx
