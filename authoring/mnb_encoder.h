#pragma once
#include <cstdint>
#include <vector>

#include "authoring/dct_picture.h"

inline constexpr char MNB_CHUNK_TAG[5] = "pBNM";

// What the last encoded frame was made of.
struct MnbFrameStats {
    int32_t flat_macroblocks;
    int32_t coded_macroblocks;
    int32_t trimmed_macroblocks;  // coded records cut down to fit their 255 bytes
};

// Encodes pictures as Mnb frames: each macroblock a flat record where it is flat enough, else a
// coded record. Quality 0..100 as the format's dequantisation reads it.
class MnbEncoder {
  public:
    explicit MnbEncoder(int32_t quality);
    // The chunk payload (8-byte frame header and the records) for tag MNB_CHUNK_TAG. Sizes of
    // 1..32767; sizes that are not multiples of 16 are padded by repeating the edge.
    std::vector<uint8_t> encode(const RgbPicture& picture);
    std::vector<uint8_t> encode(const YcbcrPicture& picture);
    const MnbFrameStats& last_frame() const { return stats_; }

  private:
    std::vector<uint8_t> encode_planes(const SamplePlanes& planes, int32_t width, int32_t height);
    void encode_macroblock(const MacroblockSamples& samples, std::vector<uint8_t>& records);
    bool encode_flat(const MacroblockSamples& samples, std::vector<uint8_t>& records) const;
    int32_t flat_level(double sample) const;

    int32_t quality_;
    int32_t dc_step_;  // dequantisation of the DC coefficient, as the decoder builds it
    double steps_[64];
    MnbFrameStats stats_{};
};
