#include "player/chunk_walk.h"

#include <climits>

#include "audio/audio_chunk.h"
#include "base/byte_order.h"

namespace qx {

namespace {

WalkedChunk lost(int64_t offset) {
    return {WalkResult::Lost, ChunkRole::Dropped, 0, 0, offset + CHUNK_HEADER_BYTES};
}

WalkedChunk end() {
    return {WalkResult::End, ChunkRole::Dropped, 0, 0, 0};
}

}  // namespace

int32_t read_at(MovieFile* file, int64_t offset, uint8_t* destination, int32_t bytes) {
    if (offset < 0 || offset > INT32_MAX ||
        file_seek(file, static_cast<int32_t>(offset), FILE_SEEK_SET) < 0) {
        return 0;
    }
    const int32_t got = file_read(file, destination, bytes);
    return got > 0 ? got : 0;
}

WalkedChunk walk_chunk(MovieFile* file, int64_t offset, int32_t file_bytes, bool has_audio) {
    uint8_t header[CHUNK_HEADER_BYTES];
    if (read_at(file, offset, header, CHUNK_HEADER_BYTES) != CHUNK_HEADER_BYTES) {
        return end();
    }
    const uint32_t chunk_bytes = load_le32(header + CHUNK_SIZE_OFFSET);
    ChunkRole role{};
    int32_t kind = 0;
    if (!chunk_tag_role(header, role, kind) || chunk_bytes < CHUNK_HEADER_BYTES ||
        chunk_bytes > INT32_MAX) {
        return lost(offset);
    }
    const uint32_t body_bytes = chunk_bytes - CHUNK_HEADER_BYTES;
    const int64_t body = offset + CHUNK_HEADER_BYTES;
    // A body that should be read but starts at the end of the file reads as the end.
    const bool body_missing = body_bytes > 0 && body >= file_bytes;
    WalkedChunk chunk{WalkResult::Skipped, role, kind, body_bytes, body + body_bytes};
    switch (role) {
        case ChunkRole::Video:
            if (body_bytes >= VIDEO_ARENA_BYTES) {
                return chunk;
            }
            chunk.result = body_missing ? WalkResult::End : WalkResult::Video;
            return chunk;
        case ChunkRole::AudioData:
            if (!has_audio) {
                return lost(offset);
            }
            if (body_bytes > AUDIO_CHUNK_MAX || body_bytes == 0) {
                return chunk;
            }
            // The reader takes a body cut short as the end of the file.
            chunk.result = body + body_bytes > file_bytes ? WalkResult::End : WalkResult::Audio;
            return chunk;
        case ChunkRole::AudioHeader:
            if (body_bytes == 0) {
                return chunk;
            }
            chunk.result = body_missing ? WalkResult::End : WalkResult::AudioFormat;
            return chunk;
        case ChunkRole::FixedAudioFormat:
            chunk.result = body_missing ? WalkResult::End : WalkResult::AudioFormat;
            return chunk;
        case ChunkRole::Dropped:
            return chunk;
    }
    return end();
}

AudioFormat read_chunk_format(MovieFile* file, int64_t offset, const WalkedChunk& chunk) {
    if (chunk.role == ChunkRole::FixedAudioFormat) {
        return fixed_audio_format();
    }
    static_assert(CHUNK_BUFFER_BYTES <= INT32_MAX);
    uint8_t body[CHUNK_BUFFER_BYTES];
    const uint32_t wanted =
        chunk.body_bytes < CHUNK_BUFFER_BYTES ? chunk.body_bytes : CHUNK_BUFFER_BYTES;
    const int32_t got =
        read_at(file, offset + CHUNK_HEADER_BYTES, body, static_cast<int32_t>(wanted));
    return audio_header_format(body, static_cast<uint32_t>(got));
}

}  // namespace qx
