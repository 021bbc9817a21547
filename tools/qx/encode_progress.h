#pragma once
#include <chrono>
#include <cstdint>

namespace qx {

// The encoder's progress on stderr, drawn only when stderr is a terminal: frame n of N, frames
// a second and the time left, redrawn a few times a second on one line.
class EncodeProgress {
  public:
    explicit EncodeProgress(int64_t total_frames);
    void update(int64_t frames_done);
    // Clears the line.
    void finish();

  private:
    int64_t total_;
    bool enabled_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_drawn_{};
};

}  // namespace qx
