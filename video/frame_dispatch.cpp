#include "video/frame_dispatch.h"

// Placeholder until frame dispatch lands: frames are consumed undecoded.
void decode_video_frame(PlayerContext&, const VideoFrameSlot&) {}

void present_frame(PlayerContext&) {}
