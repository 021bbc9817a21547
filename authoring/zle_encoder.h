#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "authoring/dct_picture.h"

inline constexpr char ZLE_CHUNK_TAG[5] = "pELZ";

struct ZleEncoderOptions {
    int32_t quality = 75;             // 0..100, as the format's dequantisation reads it
    bool channel_conversion = false;  // decode through the channel tables (frame flag bit 1)
    bool copies = true;               // copy macroblocks from the previous picture where it pays
};

// What the last encoded frame was made of.
struct ZleFrameStats {
    int32_t coded_macroblocks;
    int32_t copied_macroblocks;
    bool all_intra;
};

// Encodes a movie's pictures as Zle frames, in order. It keeps its own model of the picture the
// player will have decoded, so that copied macroblocks reproduce what a player shows. Frames
// with no copied macroblock are marked all-intra and carry no copy flags.
class ZleEncoder {
  public:
    explicit ZleEncoder(ZleEncoderOptions options);
    // The chunk payload (8-byte frame header and the bit stream) for tag ZLE_CHUNK_TAG. Sizes
    // of 1..32767; sizes that are not multiples of 16 are padded by repeating the edge.
    std::vector<uint8_t> encode(const RgbPicture& picture);
    // The next frame copies nothing (after a seek point, or a cut).
    void restart() { reference_.clear(); }
    const ZleFrameStats& last_frame() const { return stats_; }

  private:
    struct Macroblock;
    Macroblock code_macroblock(const SamplePlanes& planes, int32_t x, int32_t y,
                               const int32_t* predictors) const;
    std::array<double, 3> shown_colour(int32_t y, int32_t cb, int32_t cr) const;

    ZleEncoderOptions options_;
    double steps_[64];
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<float> reference_;  // RGB of the picture the player holds, 3 floats a pixel
    ZleFrameStats stats_{};
};
