#include "tests/video/video_rig.h"

#include "authoring/rkd_encoder.h"

#include "video/display_setup.h"
#include "video/frame_dispatch.h"

VideoRig::VideoRig(const PixelFormat& format, uint32_t width, uint32_t height, uint32_t flags,
                   int32_t extra_pitch)
    : context(std::make_unique<PlayerContext>()),
      display(new FakeDisplay(format, extra_pitch)),
      primary(display->make_primary(width, height)),
      back(display->make_primary(width, height)) {
    context->params = &params;
    params.flags = flags;
    params.display = display;
    params.primary_surface = primary;
    params.back_surface = back;
    params.brightness = 100;
}

VideoRig::~VideoRig() {
    release_display(*context);
    primary->release();
    back->release();
    display->release();
}

VideoFrameSlot video_slot(int32_t kind, std::vector<uint8_t>& payload) {
    return VideoFrameSlot{payload.data(), 0, kind, static_cast<uint32_t>(payload.size())};
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
