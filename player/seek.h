#pragma once
#include <cstdint>

#include "player/player_context.h"

namespace qx {

// Answers to a seek (PlayParams::seek_result).
inline constexpr int32_t SEEK_DONE = 0;
inline constexpr int32_t SEEK_NOT_PLAYING = 1;  // no movie open, or it is ending
inline constexpr int32_t SEEK_NO_INDEX = 2;     // the movie's chunks could not be walked
inline constexpr int32_t SEEK_NO_FRAME = 3;     // no frame to go to (no pictures, or no length
                                                // for a time)
inline constexpr int32_t SEEK_LOST = 4;         // the file could not be followed to the frame

// The words player_seek and player_seek_time leave in PlayParams::seek_request: a frame as
// itself plus one, a time in milliseconds as minus itself minus one. 0 is no request.
int32_t seek_request_for_frame(int32_t frame);
int32_t seek_request_for_time(uint32_t milliseconds);

// On the player's thread, between two turns: brings the reader, the rings, the decoders, the
// sound and the clock to the frame `request` names, exactly as playing from the start would
// have left them, and leaves that frame queued at the video ring's read position, to be shown
// next. Returns SEEK_DONE or why not.
int32_t seek_to(PlayerContext& context, int32_t request);

// The part of a seek that needs no sound device or clock: brings the reader and the decoders to
// frame `target` (within the complete index) exactly as playing from the start would have left
// them, with that frame queued at the video ring's read position. SEEK_DONE or SEEK_LOST.
int32_t seek_decoders_to(PlayerContext& context, int32_t target);

// For a reader that takes only the sound: leaves the audio format and decoder state as they are
// after video chunk `frame`, with the reader just past that chunk, so that the blocks read next
// are the sound that follows it. SEEK_DONE or why not.
int32_t seek_sound_to(PlayerContext& context, int32_t frame);

// Keeps count of the frames the decoders take in order: `decoded` false for a frame consumed
// without being decoded.
void note_frame_consumed(PlayerContext& context, int32_t sequence, bool decoded);

// Publishes what the index knows for player_get_position.
void publish_movie_length(PlayerContext& context);

}  // namespace qx
