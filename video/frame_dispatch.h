#pragma once
#include <cstdint>

#include "video/video_output.h"
#include "video/video_payload.h"

namespace qx {

// Frames wider or taller than this are dropped: no valid movie comes near it, and it keeps a
// damaged header from asking for gigabytes.
inline constexpr int32_t MAX_FRAME_SIDE = 4096;

// The packed picture a frame is decoded into: `rows` rows of `row_bytes`, back to back.
struct PictureGeometry {
    int32_t width;  // display pixels per row (twice the frame width with PLAY_DOUBLE_WIDTH)
    int32_t rows;
    uint32_t row_bytes;
    uint32_t bytes;
};

// Reads the frame size (and the DCT header values) of a payload into the video output, as the
// dispatcher does first. False when the payload is too short for its header.
bool read_frame_header(VideoOutput& video, const VideoPayload& payload);

// The picture of a frame of `kind` at the video output's frame size: bytes per pixel as the decoder
// of that kind writes them (1 for Rkd on an 8-bit display, else 2; twice that with
// PLAY_DOUBLE_WIDTH). False for a size of zero, below zero or above MAX_FRAME_SIDE.
bool picture_geometry(const VideoOutput& video, int32_t kind, PictureGeometry& geometry);

// Decodes one video payload into the draw picture only, for a frame that is not to be shown: the
// work surfaces are left alone. True when the draw picture holds the frame, whose picture is
// then described in `geometry`.
bool decode_video_picture(VideoOutput& video, const VideoPayload& payload,
                          PictureGeometry& geometry);
// Decodes one video payload into the draw picture. True when the draw picture (and, outside
// application-buffer mode, the draw surface) holds the frame; false when it was dropped, which
// also keeps present_frame from showing it.
bool decode_video_frame(VideoOutput& video, const VideoPayload& payload);
void present_frame(VideoOutput& video);

}  // namespace qx
