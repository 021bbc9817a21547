#pragma once
#include <cstddef>
#include <cstdint>

#include "format/audio_header.h"
#include "format/chunk_header.h"
#include "format/chunk_tags.h"
#include "player/player_context.h"

namespace qx {

// Results of read_chunk and its helpers.
inline constexpr int32_t READ_AUDIO_HEADER = 0;
inline constexpr int32_t READ_VIDEO = 1;
inline constexpr int32_t READ_AUDIO = 2;
// The chunk was left in the file because its ring or arena has no room for it until queued
// entries are consumed; the next call reads the same chunk again.
inline constexpr int32_t READ_BUSY = 3;
inline constexpr int32_t READ_SKIPPED = 4;
inline constexpr int32_t READ_END = -1;
inline constexpr int32_t READ_ERROR = -2;

// Largest audio header, audio data or dropped chunk body the reader takes in one read.
inline constexpr uint32_t CHUNK_BUFFER_BYTES = 32768;

void probe_first_tag(PlayerContext& context);
int32_t read_chunk(PlayerContext& context);
int32_t store_video_chunk(PlayerContext& context, uint32_t body_bytes, int32_t kind);
int32_t parse_audio_header(PlayerContext& context, uint32_t body_bytes);
// Reads a whole chunk body into `buffer` (at most CHUNK_BUFFER_BYTES); a longer body is cut to
// the buffer and the rest stepped over. Returns the bytes held, READ_END or READ_ERROR.
int32_t read_chunk_body(PlayerContext& context, uint8_t* buffer, uint32_t body_bytes);
// Puts the file back to the start of the chunk whose body (of `body_bytes`) was just read, or
// whose header was just read when `body_bytes` is 0, so that the next read_chunk sees it again.
void unread_chunk(PlayerContext& context, uint32_t body_bytes);
// Free the slot at the read position of a ring and count it consumed. The slot is cleared
// before the counters move: once they do, the reader may fill it again.
void release_video_slot(PlayerContext& context);
void release_audio_slot(PlayerContext& context);
void close_stream(PlayerContext& context);

}  // namespace qx
