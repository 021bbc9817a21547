#pragma once
#include <cstdint>

#include "format/audio_header.h"
#include "platform/file.h"
#include "player/reader.h"

namespace qx {

// What the reader makes of a chunk, told from its header alone.
enum class WalkResult {
    Video,        // a video chunk it numbers and queues
    Audio,        // an audio block it decodes and queues
    AudioFormat,  // an audio header or "SEAD": the format changes
    Skipped,      // read or stepped over, nothing queued
    Lost,         // no chunk it can take: it goes on 8 bytes further
    End,          // nothing follows
};

struct WalkedChunk {
    WalkResult result;
    ChunkRole role;       // for Video, Audio and AudioFormat
    int32_t kind;         // video kind, for Video
    uint32_t body_bytes;  // bytes after the 8-byte header
    int64_t next;         // where the reader stands afterwards
};

// The chunk whose header is at `offset` of a file of `file_bytes`, as read_chunk would take it
// in a movie with or without sound, reading only the header. A body the file cuts short is
// taken as the reader takes it (a video body queued with what there is, an audio body not).
WalkedChunk walk_chunk(MovieFile* file, int64_t offset, int32_t file_bytes, bool has_audio);

// Reads up to `bytes` at `offset`; the bytes read, 0 at the end or on an error.
int32_t read_at(MovieFile* file, int64_t offset, uint8_t* destination, int32_t bytes);

// The format the AudioFormat chunk `chunk` at `offset` sets, as the reader reads it (at most
// CHUNK_BUFFER_BYTES of an audio header's body).
AudioFormat read_chunk_format(MovieFile* file, int64_t offset, const WalkedChunk& chunk);

}  // namespace qx
