#include "authoring/rkd_encoder.h"

#include "authoring/rkd_field_writer.h"

namespace qx {

namespace {

inline constexpr int32_t MAX_SIDE = 65535;
inline constexpr uint32_t VECTOR_FIELD_BITS = 10;

void put_u16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

bool size_supported(int32_t width, int32_t height) {
    return width > 0 && height > 0 && width % 8 == 0 && height % 4 == 0 && width <= MAX_SIDE &&
           height <= MAX_SIDE;
}

// The narrowest block-map width that reaches `indexes` entries; 15 is not decodable.
uint32_t index_bits_for(uint32_t indexes) {
    uint32_t bits = 1;
    while ((1u << bits) < indexes) {
        ++bits;
    }
    return bits == 15 ? 16 : bits;
}

}  // namespace

void RkdEncoder::set_palette(const RkdPalette& palette) {
    palette_ = palette;
    mapper_.emplace(palette_);
    fixed_palette_ = true;
    palette_changed_ = true;
}

std::optional<RkdChunk> RkdEncoder::encode_rgb(int32_t width, int32_t height,
                                               std::span<const uint8_t> rgb) {
    if (!size_supported(width, height) || rgb.size() != 3 * size_t(width) * size_t(height)) {
        return std::nullopt;
    }
    // An exact palette that no longer holds the picture's colours is remade at a key frame.
    if (!fixed_palette_ && (!mapper_ || needs_key_frame(width, height) ||
                            (palette_exact_ && !rkd_palette_holds(palette_, rgb)))) {
        palette_ = rkd_make_palette(rgb);
        palette_exact_ = rkd_palette_holds(palette_, rgb);
        mapper_.emplace(palette_);
        palette_changed_ = true;
    }
    std::vector<uint8_t> indices(size_t(width) * size_t(height));
    mapper_->map(rgb, indices);
    return encode(width, height, indices);
}

std::optional<RkdChunk> RkdEncoder::encode_indexed(int32_t width, int32_t height,
                                                   std::span<const uint8_t> indices) {
    if (!size_supported(width, height) || indices.size() != size_t(width) * size_t(height)) {
        return std::nullopt;
    }
    return encode(width, height, indices);
}

bool RkdEncoder::needs_key_frame(int32_t width, int32_t height) const {
    return reconstruction_.empty() || width != width_ || height != height_ || force_key_ ||
           palette_changed_ ||
           (options_.key_interval > 0 && frames_since_key_ >= options_.key_interval);
}

RkdChunk RkdEncoder::encode(int32_t width, int32_t height, std::span<const uint8_t> indices) {
    if (needs_key_frame(width, height)) {
        width_ = width;
        height_ = height;
        return commit_key(key_chunk(indices), indices);
    }
    std::optional<InterResult> inter = inter_chunk(indices);
    // An inter frame above a quarter of the raw picture may lose to a key frame: try both.
    if (inter && inter->chunk.payload.size() <= indices.size() / 4) {
        return commit_inter(std::move(*inter));
    }
    RkdChunk key = key_chunk(indices);
    if (inter && inter->chunk.payload.size() < key.payload.size()) {
        return commit_inter(std::move(*inter));
    }
    return commit_key(std::move(key), indices);
}

RkdChunk RkdEncoder::key_chunk(std::span<const uint8_t> indices) const {
    RkdChunk chunk{VIDEO_RKD_KEY, {}};
    std::vector<uint8_t>& out = chunk.payload;
    put_u16(out, uint32_t(width_));
    put_u16(out, uint32_t(height_));
    put_u16(out, 0);
    put_u16(out, uint32_t(palette_.count));
    out.insert(out.end(), 4, 0);
    out.insert(out.end(), palette_.rgb.begin(), palette_.rgb.begin() + 3 * palette_.count);
    std::vector<uint8_t> packed = rkd_pack_picture(indices, options_.packing);
    out.insert(out.end(), packed.begin(), packed.end());
    return chunk;
}

RkdChunk RkdEncoder::commit_key(RkdChunk chunk, std::span<const uint8_t> indices) {
    reconstruction_.assign(indices.begin(), indices.end());
    frames_since_key_ = 1;
    force_key_ = false;
    palette_changed_ = false;
    // A key frame leaves the decoder's block map undefined.
    map_reusable_ = false;
    stats_ = RkdFrameStats{};
    stats_.kind = VIDEO_RKD_KEY;
    return chunk;
}

std::optional<RkdEncoder::InterResult> RkdEncoder::inter_chunk(
    std::span<const uint8_t> indices) const {
    InterResult result{{VIDEO_RKD_INTER, {}}, reconstruction_, {}, {}};
    RkdInterCode code;
    if (!rkd_code_inter_blocks(indices.data(), result.picture, width_, height_, palette_,
                               options_.blocks, code)) {
        return std::nullopt;
    }
    uint32_t vectors = uint32_t(code.vectors.size());
    uint32_t raw = uint32_t(code.raw_blocks.size());
    uint32_t quads = uint32_t(code.quad_blocks.size());
    // Width 0 tells the decoder to use its previous map again.
    bool reuse_map = map_reusable_ && code.block_map == last_map_;
    uint32_t index_bits = reuse_map ? 0 : index_bits_for(vectors + raw + quads);

    std::vector<uint8_t>& out = result.chunk.payload;
    put_u16(out, vectors);
    put_u16(out, raw);
    put_u16(out, quads);
    put_u16(out, index_bits);
    out.insert(out.end(), 4, 0);
    RkdFieldWriter vector_field(VECTOR_FIELD_BITS);
    for (const RkdMotionVector& v : code.vectors) {
        vector_field.put(v.dx);
        vector_field.put(v.dy);
    }
    vector_field.finish_into(out);
    for (const auto& block : code.raw_blocks) {
        out.insert(out.end(), block.begin(), block.end());
    }
    for (const auto& block : code.quad_blocks) {
        out.insert(out.end(), block.begin(), block.end());
    }
    if (index_bits != 0) {
        RkdFieldWriter map(index_bits);
        for (int32_t index : code.block_map) {
            map.put(index);
        }
        map.finish_into(out);
    }
    result.block_map = std::move(code.block_map);
    result.stats = {VIDEO_RKD_INTER,     int32_t(vectors),  int32_t(raw),        int32_t(quads),
                    int32_t(index_bits), code.lossy_blocks, code.max_block_error};
    return result;
}

RkdChunk RkdEncoder::commit_inter(InterResult result) {
    reconstruction_ = std::move(result.picture);
    last_map_ = std::move(result.block_map);
    map_reusable_ = true;
    ++frames_since_key_;
    stats_ = result.stats;
    return std::move(result.chunk);
}

}  // namespace qx
