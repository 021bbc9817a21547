#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "authoring/dct_macroblock_coder.h"
#include "authoring/dct_picture.h"

namespace qx {

inline constexpr char ZLE_CHUNK_TAG[5] = "pELZ";

struct ZleEncoderOptions {
    int32_t quality = 75;             // 0..100, the user's scale (authoring/dct_quality.h)
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
    // The best displacement of the previous picture for a macroblock, and its error.
    struct CopyChoice {
        int32_t sx = 0;
        int32_t sy = 0;
        int64_t error = INT64_MAX;
    };

    // Searches from the still copy and the `predictions` of the neighbours.
    CopyChoice best_copy(const RgbPicture& picture, int32_t x, int32_t y,
                         std::span<const CopyChoice> predictions) const;
    void copy_area(int32_t x, int32_t y, const CopyChoice& copy, std::vector<uint8_t>& shown) const;

    ZleEncoderOptions options_;
    int32_t stream_quality_;  // the frame header's, which the decoder reads
    DctQuantiser quantiser_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<uint8_t> reference_;  // RGB of the picture the player holds
    ZleFrameStats stats_{};
};

}  // namespace qx
