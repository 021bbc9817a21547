#pragma once
#include <cstdint>
#include <vector>

#include "authoring/dct_macroblock_coder.h"
#include "authoring/dct_picture.h"

namespace qx {

inline constexpr char MNB_CHUNK_TAG[5] = "pBNM";

// What the last encoded frame was made of.
struct MnbFrameStats {
    int32_t flat_macroblocks;
    int32_t coded_macroblocks;
    int32_t trimmed_macroblocks;  // coded records cut down to fit their 255 bytes
};

// Encodes pictures as Mnb frames: each macroblock a flat record where it is flat enough, else a
// coded record, each chosen for what the player's decoder will show. Quality 0..100 on the
// user's scale (authoring/dct_quality.h).
class MnbEncoder {
  public:
    explicit MnbEncoder(int32_t quality);
    // The chunk payload (8-byte frame header and the records) for tag MNB_CHUNK_TAG. Sizes of
    // 1..32767; sizes that are not multiples of 16 are padded by repeating the edge.
    std::vector<uint8_t> encode(const RgbPicture& picture);
    std::vector<uint8_t> encode(const YcbcrPicture& picture);
    const MnbFrameStats& last_frame() const { return stats_; }

  private:
    // `source` is the macroblock's 16 x 16 RGB pixels.
    void encode_macroblock(const uint8_t* source, std::vector<uint8_t>& records);
    bool encode_flat(const uint8_t* source, std::vector<uint8_t>& records);
    // The level whose flat sample is nearest `sample` from below (side < 0) or above.
    int32_t flat_level_near(int32_t sample, int32_t side) const;

    int32_t quality_;
    int32_t stream_quality_;  // the frame header's, which the decoder reads
    DctQuantiser quantiser_;
    int32_t flat_samples_[256];  // the sample of each flat level -128..127
    MnbFrameStats stats_{};
};

}  // namespace qx
