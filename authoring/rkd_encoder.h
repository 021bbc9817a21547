#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "authoring/rkd_block_coder.h"
#include "authoring/rkd_lz_packer.h"
#include "authoring/rkd_palette_builder.h"
#include "format/chunk_tags.h"
#include "format/video_kinds.h"

namespace qx {

struct RkdEncoderOptions {
    RkdBlockCoderOptions blocks;  // motion search window and accepted block error
    RkdPackOptions packing;       // key-frame packing effort
    int32_t key_interval = 0;     // a key frame at least every this many frames (0: when needed)
};

// One encoded frame: the body of a "kDKR" or "fDKR" chunk.
struct RkdChunk {
    int32_t kind;  // VIDEO_RKD_KEY or VIDEO_RKD_INTER
    std::vector<uint8_t> payload;
    const char (&tag() const)[5] {
        return kind == VIDEO_RKD_KEY ? CHUNK_TAG_RKD_KEY : CHUNK_TAG_RKD_INTER;
    }
};

// What the latest frame was made of.
struct RkdFrameStats {
    int32_t kind = 0;
    int32_t vectors = 0;
    int32_t raw_blocks = 0;
    int32_t quad_blocks = 0;
    int32_t index_bits = 0;
    int32_t lossy_blocks = 0;     // blocks shown with an error (never in lossless coding)
    int64_t max_block_error = 0;  // largest summed squared RGB error of one block
};

// Encodes a sequence of frames (width a multiple of 8, height a multiple of 4, both at most
// 65535) into Rkd chunk payloads. The first frame, a change of size or palette, every
// `key_interval` frames, and any frame an inter frame would not serve well become key frames.
class RkdEncoder {
  public:
    explicit RkdEncoder(RkdEncoderOptions options = {}) : options_(options) {}

    // Fixes the palette of every following frame; without it each key frame of an RGB
    // sequence gets a palette made from its own picture.
    void set_palette(const RkdPalette& palette);

    // `rgb` holds width x height RGB triples. Empty for a size or buffer the format cannot
    // carry.
    std::optional<RkdChunk> encode_rgb(int32_t width, int32_t height, std::span<const uint8_t> rgb);
    // `indices` holds width x height entries of the palette given to set_palette.
    std::optional<RkdChunk> encode_indexed(int32_t width, int32_t height,
                                           std::span<const uint8_t> indices);
    // The next frame is a key frame whatever it holds.
    void force_key_frame() { force_key_ = true; }

    // The picture a decoder holds after the latest frame.
    const std::vector<uint8_t>& reconstruction() const { return reconstruction_; }
    const RkdPalette& palette() const { return palette_; }
    const RkdFrameStats& last_stats() const { return stats_; }

  private:
    // An inter frame ready to be sent, with the decoder state it leads to.
    struct InterResult {
        RkdChunk chunk;
        std::vector<uint8_t> picture;
        std::vector<int32_t> block_map;
        RkdFrameStats stats;
    };

    bool needs_key_frame(int32_t width, int32_t height) const;
    RkdChunk encode(int32_t width, int32_t height, std::span<const uint8_t> indices);
    RkdChunk key_chunk(std::span<const uint8_t> indices) const;
    std::optional<InterResult> inter_chunk(std::span<const uint8_t> indices) const;
    RkdChunk commit_key(RkdChunk chunk, std::span<const uint8_t> indices);
    RkdChunk commit_inter(InterResult result);

    RkdEncoderOptions options_;
    RkdPalette palette_;
    std::optional<RkdColourMapper> mapper_;
    bool fixed_palette_ = false;
    bool palette_exact_ = false;  // it holds every colour of the picture it was made from
    bool palette_changed_ = false;
    bool force_key_ = false;
    bool map_reusable_ = false;  // the decoder's block map is that of our latest inter frame
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t frames_since_key_ = 0;
    std::vector<uint8_t> reconstruction_;
    std::vector<int32_t> last_map_;
    RkdFrameStats stats_;
};

}  // namespace qx
