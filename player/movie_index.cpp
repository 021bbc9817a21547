#include "player/movie_index.h"

#include <algorithm>
#include <cstring>

#include "audio/audio_chunk.h"
#include "base/byte_order.h"
#include "base/memory.h"
#include "codecs/rkd/rkd_buffers.h"
#include "codecs/rkd/rkd_key_frame.h"
#include "platform/kernel.h"
#include "player/chunk_walk.h"
#include "player/player_context.h"
#include "video/frame_dispatch.h"

namespace qx {

namespace {

// Bytes of a video chunk's body the index looks at: the DCT frame header, or the Rkd key
// frame's size and palette count.
constexpr int32_t FRAME_HEADER_BYTES = 8;
constexpr int32_t RKD_PALETTE_OFFSET = static_cast<int32_t>(RKD_KEY_HEADER_BYTES);
constexpr int32_t PALETTE_ENTRIES = 256;
constexpr int32_t FIRST_CAPACITY = 256;

// Grows an array by free and allocate, doubling; false when memory fails.
template <typename T>
bool grow(T*& items, int32_t count, int32_t& capacity) {
    if (count < capacity) {
        return true;
    }
    const int64_t wanted = capacity == 0 ? FIRST_CAPACITY : int64_t{capacity} * 2;
    if (wanted > INT32_MAX / static_cast<int64_t>(sizeof(T))) {
        return false;
    }
    auto* grown = static_cast<T*>(memory_allocate_zeroed(static_cast<size_t>(wanted) * sizeof(T)));
    if (grown == nullptr) {
        return false;
    }
    if (count > 0) {
        std::memcpy(grown, items, static_cast<size_t>(count) * sizeof(T));
    }
    memory_free(items);
    items = grown;
    capacity = static_cast<int32_t>(wanted);
    return true;
}

bool same_format(const AudioFormat& a, const AudioFormat& b) {
    return a.sample_bits == b.sample_bits && a.channels == b.channels &&
           a.sample_rate == b.sample_rate && a.compression == b.compression;
}

// The index of the scan's current format in `formats`, added when it changed.
bool current_format(MovieIndex& index, uint16_t& number) {
    const AudioFormat& latest = index.formats[index.format_count - 1];
    if (!same_format(latest, index.scan_format)) {
        if (index.format_count > UINT16_MAX ||
            !grow(index.formats, index.format_count, index.format_capacity)) {
            return false;
        }
        index.formats[index.format_count++] = index.scan_format;
    }
    number = static_cast<uint16_t>(index.format_count - 1);
    return true;
}

bool shown_size(int32_t width, int32_t height) {
    return width > 0 && height > 0 && width <= MAX_FRAME_SIDE && height <= MAX_FRAME_SIDE;
}

// What the dispatcher will make of the frame header: whether it takes it, whether a Zle frame
// copies nothing, and how many palette entries an Rkd key frame sets.
void inspect_frame_header(MovieFile* file, int64_t offset, uint32_t body_bytes,
                          FrameRecord& record) {
    uint8_t header[RKD_PALETTE_OFFSET] = {};
    const int32_t wanted = static_cast<int32_t>(std::min<uint32_t>(body_bytes, sizeof header));
    const auto got =
        static_cast<uint32_t>(read_at(file, offset + CHUNK_HEADER_BYTES, header, wanted));
    switch (record.kind) {
        case VIDEO_RKD_KEY: {
            const int32_t width = load_le16(header);
            const int32_t height = load_le16(header + 2);
            const int64_t pixels = int64_t{width} * height;
            if (got < RKD_KEY_HEADER_BYTES || pixels <= 0 || pixels > RKD_MAX_PICTURE_PIXELS) {
                return;
            }
            // The palette is taken even when the picture is too large to be shown.
            const uint32_t present = (body_bytes - RKD_KEY_HEADER_BYTES) / 3;
            record.palette_entries = static_cast<uint16_t>(
                std::min({uint32_t{load_le16(header + 6)}, uint32_t{PALETTE_ENTRIES}, present}));
            record.flags |= shown_size(width, height) ? FRAME_HEADER_READ : 0;
            return;
        }
        case VIDEO_MNB:
        case VIDEO_ZLE:
            if (got >= FRAME_HEADER_BYTES &&
                shown_size(load_le16_signed(header), load_le16_signed(header + 2))) {
                record.flags |= FRAME_HEADER_READ;
                const bool all_intra = record.kind == VIDEO_ZLE && (header[7] & 1) != 0;
                record.flags |= all_intra ? FRAME_ALL_INTRA : 0;
            }
            return;
        default:
            // An inter frame has no header of its own: it goes with the key frame before it.
            record.flags |= FRAME_HEADER_READ;
            return;
    }
}

bool add_frame(MovieIndex& index, MovieFile* file, int64_t offset, const WalkedChunk& chunk) {
    uint16_t format = 0;
    if (index.frame_count == INT32_MAX || !current_format(index, format) ||
        !grow(index.frames, index.frame_count, index.frame_capacity)) {
        return false;
    }
    FrameRecord& record = index.frames[index.frame_count++];
    record = FrameRecord{};
    record.offset = static_cast<int32_t>(offset);
    record.kind = static_cast<int16_t>(chunk.kind);
    record.format = format;
    inspect_frame_header(file, offset, chunk.body_bytes, record);
    index.has_rkd |= chunk.kind == VIDEO_RKD_KEY || chunk.kind == VIDEO_RKD_INTER ? 1 : 0;
    return true;
}

void count_audio(MovieIndex& index, MovieFile* file, int64_t offset, const WalkedChunk& chunk) {
    const AudioFormat& format = index.scan_format;
    uint8_t count[PCM_PAYLOAD_HEADER_BYTES] = {};
    if (format.compression == AUDIO_PCM) {
        read_at(file, offset + CHUNK_HEADER_BYTES, count, sizeof count);
    }
    if (index.audio_frames == 0) {
        index.sample_rate = format.sample_rate;
    }
    index.audio_frames +=
        audio_block_frames_in(format.compression, format.channels, count, chunk.body_bytes);
    index.has_ima |= format.compression == AUDIO_IMA ? 1 : 0;
}

// Takes one chunk into the index; false once the scan is over.
bool scan_chunk(MovieIndex& index, MovieFile* file, bool has_audio) {
    const int64_t offset = index.scan_offset;
    const WalkedChunk chunk = walk_chunk(file, offset, index.file_bytes, has_audio);
    switch (chunk.result) {
        case WalkResult::Video:
            if (!add_frame(index, file, offset, chunk)) {
                index.scan_state = INDEX_FAILED;
                return false;
            }
            break;
        case WalkResult::Audio:
            count_audio(index, file, offset, chunk);
            break;
        case WalkResult::AudioFormat:
            index.scan_format = read_chunk_format(file, offset, chunk);
            break;
        case WalkResult::Skipped:
        case WalkResult::Lost:
            break;
        case WalkResult::End:
            index.scan_state = INDEX_COMPLETE;
            return false;
    }
    // Positions past what the file layer can address cannot be read: the scan ends there.
    if (chunk.next > index.file_bytes) {
        index.scan_state = INDEX_COMPLETE;
        return false;
    }
    index.scan_offset = static_cast<int32_t>(chunk.next);
    return true;
}

// The file the scan reads, and the position to put back afterwards (-1: none).
MovieFile* scan_file(PlayerContext& context, int32_t& restore) {
    MovieIndex& index = context.seek.index;
    restore = -1;
    if (index.file != nullptr) {
        return index.file;
    }
    MovieFile* file = context.params->file;
    restore = file_seek(file, 0, FILE_SEEK_CUR);
    return file;
}

void load_format(PlayerContext& context, const AudioFormat& format) {
    context.sound.sample_bits = format.sample_bits;
    context.sound.channels = format.channels;
    interlocked_store(context.sound.sample_rate, format.sample_rate);
    context.sound.compression = format.compression;
}

// Decodes an IMA ADPCM audio chunk into the audio arena, for the state it leaves.
void decode_for_state(PlayerContext& context, int64_t offset, const WalkedChunk& chunk) {
    if (context.sound.compression != AUDIO_IMA) {
        return;
    }
    uint8_t payload[AUDIO_CHUNK_MAX];
    const int32_t got = read_at(context.params->file, offset + CHUNK_HEADER_BYTES, payload,
                                static_cast<int32_t>(chunk.body_bytes));
    if (static_cast<uint32_t>(got) != chunk.body_bytes) {
        return;
    }
    const uint32_t frames = audio_block_frames(context.sound, payload, chunk.body_bytes);
    if (frames * AUDIO_FRAME_BYTES < AUDIO_ARENA_BYTES) {
        decode_audio_payload(context.sound, payload, chunk.body_bytes, frames,
                             context.reader.audio_ring.arena);
    }
}

}  // namespace

bool movie_index_open(MovieIndex& index, const char* file_name) {
    index = MovieIndex{};
    if (!grow(index.formats, 0, index.format_capacity)) {
        return false;
    }
    index.formats[0] = AudioFormat{};
    index.format_count = 1;
    if (file_name == nullptr) {
        return true;
    }
    index.file = file_open(file_name, 0);
    if (index.file != nullptr &&
        file_set_buffer(index.file, nullptr, FILE_DEFAULT_BUFFER_BYTES, 0) != 0) {
        file_close(index.file, 0);
        index.file = nullptr;
    }
    return true;
}

void movie_index_release(MovieIndex& index) {
    if (index.file != nullptr) {
        file_close(index.file, 0);
    }
    memory_free(index.frames);
    memory_free(index.formats);
    index = MovieIndex{};
}

bool movie_index_scan(PlayerContext& context, int32_t chunks) {
    MovieIndex& index = context.seek.index;
    if (index.scan_state != INDEX_SCANNING) {
        return index.scan_state == INDEX_COMPLETE;
    }
    if (index.formats == nullptr) {
        index.scan_state = INDEX_FAILED;
        return false;
    }
    int32_t restore = -1;
    MovieFile* file = scan_file(context, restore);
    if (index.file_bytes == 0 && index.scan_offset == 0) {
        index.file_bytes = std::max(file_seek(file, 0, FILE_SEEK_END), 0);
    }
    const bool has_audio = context.params->has_audio != 0;
    for (int32_t i = 0; i < chunks && scan_chunk(index, file, has_audio); ++i) {
    }
    if (restore >= 0) {
        file_seek(file, restore, FILE_SEEK_SET);
    }
    return index.scan_state == INDEX_COMPLETE;
}

uint32_t movie_index_duration_ms(const MovieIndex& index) {
    if (index.sample_rate <= 0) {
        return 0;
    }
    const int64_t ms = index.audio_frames * 1000 / index.sample_rate;
    return static_cast<uint32_t>(std::min<int64_t>(ms, UINT32_MAX));
}

bool movie_index_restore_audio(PlayerContext& context, int32_t frame) {
    MovieIndex& index = context.seek.index;
    const FrameRecord& target = index.frames[frame];
    if (!index.has_ima || (target.flags & FRAME_IMA_KNOWN)) {
        load_format(context, index.formats[target.format]);
        context.sound.ima_samples = target.ima_samples;
        context.sound.ima_steps = target.ima_steps;
        return true;
    }
    // From the latest frame whose state is known, or from the start of the file, where the
    // state is zero.
    int32_t known = frame;
    while (known >= 0 && !(index.frames[known].flags & FRAME_IMA_KNOWN)) {
        --known;
    }
    int64_t offset = 0;
    int32_t next_frame = 0;
    load_format(context, AudioFormat{});
    context.sound.ima_samples = 0;
    context.sound.ima_steps = 0;
    if (known >= 0) {
        movie_index_restore_audio(context, known);
        offset = index.frames[known].offset;
        next_frame = known;
    }
    MovieFile* file = context.params->file;
    const bool has_audio = context.params->has_audio != 0;
    while (next_frame <= frame) {
        const WalkedChunk chunk = walk_chunk(file, offset, index.file_bytes, has_audio);
        switch (chunk.result) {
            case WalkResult::Video:
                movie_index_note_audio(context, next_frame++);
                break;
            case WalkResult::Audio:
                decode_for_state(context, offset, chunk);
                break;
            case WalkResult::AudioFormat:
                load_format(context, read_chunk_format(file, offset, chunk));
                break;
            case WalkResult::Skipped:
            case WalkResult::Lost:
                break;
            case WalkResult::End:
                return false;
        }
        offset = chunk.next;
    }
    return true;
}

void movie_index_note_audio(PlayerContext& context, int32_t frame) {
    MovieIndex& index = context.seek.index;
    if (frame < 0 || frame >= index.frame_count) {
        return;
    }
    FrameRecord& record = index.frames[frame];
    record.ima_samples = context.sound.ima_samples;
    record.ima_steps = context.sound.ima_steps;
    record.flags |= FRAME_IMA_KNOWN;
}

void movie_index_restore_palette(PlayerContext& context, int32_t frame) {
    const MovieIndex& index = context.seek.index;
    uint8_t* palette = context.video.rkd.palette;
    int32_t known = index.frames[frame].palette_entries;
    std::memset(palette + 3 * known, 0, static_cast<size_t>(3 * (PALETTE_ENTRIES - known)));
    for (int32_t i = frame - 1; i >= 0 && known < PALETTE_ENTRIES; --i) {
        const FrameRecord& record = index.frames[i];
        if (record.kind != VIDEO_RKD_KEY || record.palette_entries <= known) {
            continue;
        }
        const int32_t entries = record.palette_entries;
        read_at(context.params->file,
                int64_t{record.offset} + CHUNK_HEADER_BYTES + RKD_PALETTE_OFFSET + 3 * known,
                palette + 3 * known, 3 * (entries - known));
        known = entries;
    }
}

}  // namespace qx
