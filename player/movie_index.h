#pragma once
#include <cstdint>

#include "format/audio_header.h"
#include "platform/file.h"

namespace qx {

struct PlayerContext;

// FrameRecord::flags.
inline constexpr uint8_t FRAME_HEADER_READ = 0x1;  // the dispatcher will take the frame's header
inline constexpr uint8_t FRAME_ALL_INTRA = 0x2;    // a Zle frame that copies nothing
inline constexpr uint8_t FRAME_IMA_KNOWN = 0x4;    // ima_samples and ima_steps hold the state

// One video chunk as the reader numbers it (the index in MovieIndex::frames is its sequence).
struct FrameRecord {
    int32_t offset;  // of the chunk header in the file
    int16_t kind;
    uint8_t flags;
    uint8_t reserved;
    uint16_t palette_entries;  // Rkd key frames: the palette entries the frame sets
    uint16_t format;           // the audio format in force when the chunk is read
    // The IMA ADPCM state after every audio chunk before this one, once known.
    uint32_t ima_samples;
    uint32_t ima_steps;
};

// MovieIndex::scan_state.
inline constexpr int32_t INDEX_SCANNING = 0;
inline constexpr int32_t INDEX_COMPLETE = 1;
inline constexpr int32_t INDEX_FAILED = 2;

// Where every video chunk of a movie is and what it needs to be decoded, found by walking the
// chunk headers once, the way the reader would take them. Only the player's thread uses it.
struct MovieIndex {
    FrameRecord* frames;
    int32_t frame_count;
    int32_t frame_capacity;
    AudioFormat* formats;  // formats[0] is the zero format a movie starts with
    int32_t format_count;
    int32_t format_capacity;

    // The index's own handle on the movie, or null to borrow the player's (an application's
    // file), whose position is then put back after every scan step.
    MovieFile* file;
    int32_t file_bytes;
    int32_t scan_state;
    int32_t scan_offset;  // the next chunk header the scan reads
    AudioFormat scan_format;

    int64_t audio_frames;  // sample frames the sound decodes to
    int32_t sample_rate;   // of the first audio block: the rate the length is measured at
    int32_t has_ima;       // some audio block is IMA ADPCM, whose state runs on from chunk to chunk
    int32_t has_rkd;
};

// The index of a movie being opened from `file_name` (null or unopenable: the scan borrows the
// player's file). False when memory fails.
bool movie_index_open(MovieIndex& index, const char* file_name);
void movie_index_release(MovieIndex& index);

// Walks up to `chunks` further chunk headers. True once the index is complete.
bool movie_index_scan(PlayerContext& context, int32_t chunks);

// The movie's length in milliseconds, 0 without sound.
uint32_t movie_index_duration_ms(const MovieIndex& index);

// Leaves the context's IMA ADPCM state and audio format as the reader has them just before it
// reads video chunk `frame`, decoding sound from the nearest point where the state is known
// (the audio arena is the decoder's scratch, so no block may be queued). False when the file
// cannot be followed there.
bool movie_index_restore_audio(PlayerContext& context, int32_t frame);

// Notes the context's IMA state as the one before video chunk `frame`, just read in order.
void movie_index_note_audio(PlayerContext& context, int32_t frame);

// Loads the Rkd palette entries that a key frame at `frame` does not set from the key frames
// before it, as playing from the start would have left them (zeros where none set them).
void movie_index_restore_palette(PlayerContext& context, int32_t frame);

}  // namespace qx
