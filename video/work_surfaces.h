#pragma once
#include <cstdint>

#include "platform/display.h"
#include "video/video_output.h"

namespace qx {

// Lock and Unlock are each tried this many times (a lost surface is restored between tries)
// before the frame is given up; playback goes on with the next frame.
inline constexpr int32_t SURFACE_LOCK_ATTEMPTS = 8;

// The two packed pictures of at least `bytes` each (grown by free and allocate, zero-filled).
// False when the memory cannot be had.
bool ensure_packed_pictures(VideoOutput& video, uint32_t bytes);

// The two work surfaces, at least `width` x `height` display pixels: created on the first
// frame, re-created larger when a frame outgrows them. False when there are none.
bool ensure_work_surfaces(VideoOutput& video, int32_t width, int32_t height);

// Copies `rows` packed rows of `row_bytes` into `surface` at its own pitch, clipped to the
// surface. False when the surface could not be locked or unlocked.
bool copy_into_surface(VideoOutput& video, DisplaySurface& surface, const uint8_t* picture,
                       uint32_t row_bytes, int32_t rows);

// Releases both work surfaces and frees the packed pictures.
void release_work_surfaces(VideoOutput& video);

}  // namespace qx
