#pragma once
#include <cstdint>

#include "platform/file.h"
#include "player/player_context.h"

namespace qx {

// One chunk as the reader took it.
struct StreamChunk {
    int64_t offset;  // of the chunk header
    uint8_t header[8];
    bool header_read;             // false when fewer than 8 bytes were left
    int32_t result;               // what read_chunk returned
    int64_t next_offset;          // where the reader stands afterwards
    const VideoFrameSlot* video;  // for READ_VIDEO, until the next chunk is read
    const AudioBlockSlot* audio;  // for READ_AUDIO, until the next chunk is read
};

// A reader of its own over one movie input, taking chunk after chunk the way the player's reader
// does, without playing anything. Past a chunk the reader cannot take it goes on 8 bytes at a
// time until it finds one again, unless told to end there as the player's loop ends.
class ChunkStream {
  public:
    ChunkStream() = default;
    ChunkStream(const ChunkStream&) = delete;
    ChunkStream& operator=(const ChunkStream&) = delete;
    ~ChunkStream();

    // Takes `file` (closing it when done, also on failure). `flags` are PlayParams flags for
    // the decoders. False when memory fails.
    bool open(MovieFile* file, uint32_t flags, bool stop_at_damage);

    // Reads the next chunk, also the one the reader ends at; false at the end, where nothing
    // was read. The previous chunk's slot is freed first.
    bool next(StreamChunk& chunk);
    bool ended() const { return ended_; }
    // After a seek of the reader, reading starts again.
    void resume() {
        ended_ = false;
        release_held();
    }

    PlayerContext& context() { return *context_; }
    PlayParams& params() { return params_; }
    MovieFile* file() { return params_.file; }

  private:
    void release_held();

    PlayParams params_{};
    PlayerContext* context_ = nullptr;
    bool stop_at_damage_ = false;
    bool ended_ = false;
    int32_t held_ = 0;  // READ_VIDEO or READ_AUDIO while the last chunk's slot is held
};

// Whether the reader can go on after this chunk: false for a chunk it ends at.
bool chunk_keeps_sync(const StreamChunk& chunk);

}  // namespace qx
