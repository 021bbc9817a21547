#include "tools/qx/encode_progress.h"

#include <unistd.h>

#include <cstdio>

namespace qx {

EncodeProgress::EncodeProgress(int64_t total_frames)
    : total_(total_frames > 0 ? total_frames : 1),
      enabled_(isatty(STDERR_FILENO) != 0),
      start_(std::chrono::steady_clock::now()) {}

void EncodeProgress::update(int64_t frames_done) {
    using namespace std::chrono;
    const auto now = steady_clock::now();
    if (!enabled_ || (now - last_drawn_ < milliseconds(250) && frames_done < total_)) {
        return;
    }
    last_drawn_ = now;
    const double seconds = duration<double>(now - start_).count();
    const double rate = seconds > 0 ? double(frames_done) / seconds : 0;
    const int64_t left =
        rate > 0 && frames_done < total_ ? int64_t(double(total_ - frames_done) / rate) : 0;
    std::fprintf(stderr, "\rencoding frame %lld of %lld, %.1f frames/s, %lld:%02lld left\033[K",
                 static_cast<long long>(frames_done), static_cast<long long>(total_), rate,
                 static_cast<long long>(left / 60), static_cast<long long>(left % 60));
    std::fflush(stderr);
}

void EncodeProgress::finish() {
    if (enabled_) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
    }
}

}  // namespace qx
