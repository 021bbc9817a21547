#include "interface/chunk_stream.h"

#include "player/movie_index.h"
#include "player/player_stream.h"
#include "player/reader.h"

namespace qx {

ChunkStream::~ChunkStream() {
    if (context_ != nullptr) {
        release_held();
        player_close_stream(context_);
    }
    if (params_.file != nullptr) {
        file_close(params_.file, 0);
    }
}

bool ChunkStream::open(MovieFile* file, uint32_t flags, bool stop_at_damage) {
    params_.flags = flags | PLAY_APP_FILE;
    params_.file = file;
    stop_at_damage_ = stop_at_damage;
    context_ = player_open_stream(nullptr, nullptr, params_);
    // The index borrows the reader's file, putting its position back after every step.
    return context_ != nullptr && movie_index_open(context_->seek.index, nullptr);
}

void ChunkStream::release_held() {
    if (held_ == READ_VIDEO) {
        release_video_slot(*context_);
    } else if (held_ == READ_AUDIO) {
        release_audio_slot(*context_);
    }
    held_ = 0;
}

bool ChunkStream::next(StreamChunk& chunk) {
    release_held();
    if (ended_) {
        return false;
    }
    PlayerContext& context = *context_;
    MovieFile* file = params_.file;
    chunk = StreamChunk{};
    chunk.offset = file_seek(file, 0, FILE_SEEK_CUR);
    const int32_t got = file_read(file, chunk.header, CHUNK_HEADER_BYTES);
    if (got > 0) {
        file_seek(file, static_cast<int32_t>(chunk.offset), FILE_SEEK_SET);
    }
    chunk.header_read = got == CHUNK_HEADER_BYTES;
    if (!chunk.header_read) {
        ended_ = true;
        return false;
    }
    VideoFrameSlot& video_slot = ring_back(context.reader.video_ring);
    AudioBlockSlot& audio_slot = ring_back(context.reader.audio_ring);
    chunk.result = read_chunk(context);
    chunk.next_offset = file_seek(file, 0, FILE_SEEK_CUR);
    if (chunk.result == READ_VIDEO) {
        chunk.video = &video_slot;
        held_ = READ_VIDEO;
    } else if (chunk.result == READ_AUDIO) {
        chunk.audio = &audio_slot;
        held_ = READ_AUDIO;
    }
    // A reader that no longer moves, or whose rings are full, has nothing more to give after
    // this chunk.
    ended_ = chunk.next_offset == chunk.offset || chunk.result == READ_BUSY ||
             (stop_at_damage_ && !chunk_keeps_sync(chunk));
    return true;
}

bool chunk_keeps_sync(const StreamChunk& chunk) {
    return chunk.result != READ_END && chunk.result != READ_ERROR;
}

}  // namespace qx
