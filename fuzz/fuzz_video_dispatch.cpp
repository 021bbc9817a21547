#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "player/display_params.h"
#include "video/display_setup.h"
#include "video/frame_dispatch.h"

namespace qx {

// One damaged video chunk through the dispatcher into application buffers of a stated size:
// byte 0 picks the kind, byte 1 the placement flags, byte 2 the pixel format, the rest is the
// payload. Whatever the header says, nothing outside the buffers may be touched.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    static const PixelFormat formats[] = {
        {32, 0x40, 16, 0xF800, 0x07E0, 0x001F},
        {32, 0x40, 16, 0x7C00, 0x03E0, 0x001F},
        {32, 0x40, 32, 0xFF0000, 0xFF00, 0xFF},
        {32, 0x60, 8, 0, 0, 0},
    };
    PlayParams params{};
    params.flags = PLAY_APP_BUFFERS | data[1];
    set_display_pixel_format(params, formats[data[2] % 4]);
    std::vector<uint8_t> draw(64 * 64 * 4);
    std::vector<uint8_t> reference(draw.size());
    params.draw_buffer = draw.data();
    params.reference_buffer = reference.data();
    params.buffer_bytes = static_cast<uint32_t>(draw.size());
    auto video = std::make_unique<VideoOutput>();
    video->target = display_target_of(params);
    setup_display(*video);
    // The payload gets a heap block of its own, so that a read past it is caught.
    std::vector<uint8_t> payload(data + 3, data + size);
    const VideoPayload frame_payload{data[0] % 6, payload.data(), static_cast<uint32_t>(size - 3)};
    for (int frame = 0; frame < 2; ++frame) {
        decode_video_frame(*video, frame_payload);
        present_frame(*video);
        swap_work_surfaces(*video);
    }
    release_display(*video);
    return 0;
}

}  // namespace qx
