#include "tests/video/video_rig.h"

#include "authoring/rkd_encoder.h"

#include "player/display_params.h"
#include "video/display_setup.h"
#include "video/frame_dispatch.h"

namespace qx {

namespace {

SoftBackendConfig display_config(SoftPixelFormat format, uint32_t width, uint32_t height,
                                 uint32_t extra_pitch) {
    SoftBackendConfig config;
    config.pixel_format = format;
    config.mode_width = width;
    config.mode_height = height;
    config.extra_pitch = extra_pitch;
    return config;
}

SoftBackendConfig described_config(const PixelFormat& described, uint32_t width, uint32_t height) {
    SoftBackendConfig config = display_config(
        described.rgb_bit_count == 32 ? SOFT_PIXELS_888 : SOFT_PIXELS_565, width, height, 0);
    config.described_pixel_format = described;
    return config;
}

// The primary surface and its back buffer.
constexpr size_t RIG_SURFACES = 2;

}  // namespace

VideoRig::VideoRig(SoftPixelFormat format, uint32_t width, uint32_t height, uint32_t flags,
                   uint32_t extra_pitch)
    : VideoRig(display_config(format, width, height, extra_pitch), flags) {}

VideoRig::VideoRig(const PixelFormat& described, uint32_t width, uint32_t height)
    : VideoRig(described_config(described, width, height), 0) {}

VideoRig::VideoRig(const SoftBackendConfig& config, uint32_t flags)
    : backend(config), video(std::make_unique<VideoOutput>()) {
    backend.create_display(&display);
    SurfaceDesc desc;
    desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_BACK_BUFFER_COUNT;
    desc.caps = SURFACE_PRIMARY | SURFACE_FLIP | SURFACE_COMPLEX;
    desc.back_buffer_count = 1;
    display->create_surface(desc, &primary);
    primary->get_attached_surface(SURFACE_BACK_BUFFER, &back);
    params.flags = flags;
    params.display = display;
    params.primary_surface = primary;
    params.back_surface = back;
    params.brightness = 100;
    video->target = display_target_of(params);
}

VideoRig::~VideoRig() {
    release_display(*video);
    back->release();
    primary->release();
    display->release();
}

std::vector<SoftBltRecord> VideoRig::primary_blts() const {
    std::vector<SoftBltRecord> onto_primary;
    for (const SoftBltRecord& blt : backend.blts()) {
        if (blt.target == primary) {
            onto_primary.push_back(blt);
        }
    }
    return onto_primary;
}

std::vector<SoftSurfaceRecord> VideoRig::created() const {
    std::vector<SoftSurfaceRecord> made = backend.surfaces_created();
    made.erase(made.begin(), made.begin() + static_cast<std::ptrdiff_t>(RIG_SURFACES));
    return made;
}

VideoPayload video_payload(int32_t kind, std::vector<uint8_t>& payload) {
    return VideoPayload{kind, payload.data(), static_cast<uint32_t>(payload.size())};
}

std::vector<uint8_t> dct_payload(int16_t width, int16_t height, uint8_t quality,
                                 uint8_t frame_flags) {
    const auto w = static_cast<uint16_t>(width);
    const auto h = static_cast<uint16_t>(height);
    return {static_cast<uint8_t>(w),
            static_cast<uint8_t>(w >> 8),
            static_cast<uint8_t>(h),
            static_cast<uint8_t>(h >> 8),
            quality,
            0,
            0,
            frame_flags};
}

namespace {
// Two frames of one flat picture through the Rkd encoder: a key frame, then an inter frame.
std::vector<RkdChunk> rkd_frames(uint16_t width, uint16_t height) {
    RkdEncoder encoder{RkdEncoderOptions{}};
    const std::vector<uint8_t> indices(size_t{width} * height, 0);
    std::vector<RkdChunk> chunks;
    for (int i = 0; i < 2; ++i) {
        if (auto chunk = encoder.encode_indexed(width, height, indices)) {
            chunks.push_back(*chunk);
        }
    }
    return chunks;
}
}  // namespace

std::vector<uint8_t> rkd_key_payload(uint16_t width, uint16_t height) {
    // Beyond the largest frame side the encoder is not asked: its input picture alone would
    // take gigabytes.
    if (width <= MAX_FRAME_SIDE && height <= MAX_FRAME_SIDE) {
        std::vector<RkdChunk> chunks = rkd_frames(width, height);
        if (!chunks.empty()) {
            return chunks[0].payload;
        }
    }
    // Sizes the encoder refuses: just the header, as a damaged frame would carry.
    std::vector<uint8_t> payload(12, 0);
    payload[0] = static_cast<uint8_t>(width);
    payload[1] = static_cast<uint8_t>(width >> 8);
    payload[2] = static_cast<uint8_t>(height);
    payload[3] = static_cast<uint8_t>(height >> 8);
    return payload;
}

std::vector<uint8_t> rkd_inter_payload(uint16_t width, uint16_t height) {
    std::vector<RkdChunk> chunks = rkd_frames(width, height);
    return chunks.size() == 2 ? chunks[1].payload : std::vector<uint8_t>{};
}

}  // namespace qx
