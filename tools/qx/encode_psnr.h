#pragma once
#include <cstdint>
#include <span>

namespace qx {

// Peak signal-to-noise ratio of shown pictures against their sources, over a whole movie and
// for its worst frame. Identical pictures count as 99 dB.
class PsnrMeter {
  public:
    // Both hold the same number of 8-bit samples; the frame's PSNR.
    double add(std::span<const uint8_t> source, std::span<const uint8_t> shown);
    double overall() const;
    double worst() const { return worst_; }
    int64_t worst_frame() const { return worst_frame_; }  // counted from 0
    int64_t frames() const { return frames_; }

  private:
    double squared_error_ = 0;
    double samples_ = 0;
    double worst_ = 99;
    int64_t worst_frame_ = 0;
    int64_t frames_ = 0;
};

// PSNR in dB for a mean squared error of 8-bit samples.
double psnr_of(double mean_squared_error);

}  // namespace qx
