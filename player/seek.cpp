#include "player/seek.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "audio/media_clock.h"
#include "audio/sound_output.h"
#include "codecs/rkd/rkd_buffers.h"
#include "platform/file.h"
#include "platform/kernel.h"
#include "player/reader.h"
#include "video/display_setup.h"
#include "video/frame_dispatch.h"

namespace qx {

namespace {

// What the frames after a point take from the state the frames before it left: the picture
// a Zle frame copies from, and the Rkd decoder's pictures.
constexpr uint32_t NEEDS_PICTURE = 0x1;
constexpr uint32_t NEEDS_RKD = 0x2;

// What must be exact before `frame` for what is `needed` after it to be exact.
uint32_t needs_before(const FrameRecord& frame, uint32_t needed) {
    switch (frame.kind) {
        case VIDEO_MNB:
            return needed & ~NEEDS_PICTURE;
        case VIDEO_ZLE:
            return frame.flags & FRAME_ALL_INTRA ? needed & ~NEEDS_PICTURE : needed;
        case VIDEO_RKD_KEY:
            // The key frame makes the decoder afresh; the palette entries it does not set are
            // restored apart.
            return 0;
        default:
            return needed != 0 ? NEEDS_RKD : 0;
    }
}

// The latest frame at or before `target` from which decoding gives exactly the picture and
// the decoder state of playing from the start; -1 when only the start itself does.
int32_t restart_frame(const MovieIndex& index, int32_t target) {
    uint32_t needed = NEEDS_PICTURE | (index.has_rkd ? NEEDS_RKD : 0);
    for (int32_t frame = target; frame >= 0; --frame) {
        const FrameRecord& record = index.frames[frame];
        // A frame the dispatcher drops leaves an older picture behind: only the start is sure.
        if (!(record.flags & FRAME_HEADER_READ)) {
            return -1;
        }
        needed = needs_before(record, needed);
        if (needed == 0) {
            return frame;
        }
    }
    return -1;
}

// The frame a request names, within the movie; -1 when there is none.
int32_t requested_frame(const MovieIndex& index, int32_t request) {
    int64_t frame = request - 1;
    if (request < 0) {
        const uint32_t duration_ms = movie_index_duration_ms(index);
        if (duration_ms == 0) {
            return -1;
        }
        const int64_t milliseconds = -int64_t{request} - 1;
        frame = milliseconds * index.frame_count / duration_ms;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(frame, 0, index.frame_count - 1));
}

// Forgets every queued chunk and block. The ticks are held, so no block is being streamed.
void flush_rings(PlayerContext& context) {
    ring_clear(context.reader.video_ring);
    ring_clear(context.reader.audio_ring);
}

// The decoders as a movie starts them: no Rkd pictures, palette or tables, and black pictures
// for the first Zle frame to copy from.
void reset_decoders(PlayerContext& context) {
    rkd_release_buffers(context.video.rkd);
    context.video.rkd = RkdDecoder{};
    if (context.video.packed_draw != nullptr) {
        std::memset(context.video.packed_draw, 0, context.video.packed_bytes);
        std::memset(context.video.packed_reference, 0, context.video.packed_bytes);
    }
    PlayParams& params = *context.params;
    if ((params.flags & PLAY_APP_BUFFERS) && params.buffer_bytes != 0 &&
        params.draw_buffer != nullptr && params.reference_buffer != nullptr) {
        std::memset(params.draw_buffer, 0, params.buffer_bytes);
        std::memset(params.reference_buffer, 0, params.buffer_bytes);
    }
}

// Reads on from video chunk `first`, decoding without showing every frame before `target`,
// until `target` is queued. False when the file does not lead there.
bool replay(PlayerContext& context, int32_t first, int32_t target) {
    const MovieIndex& index = context.seek.index;
    MovieFile* file = context.params->file;
    if (file_seek(file, index.frames[first].offset, FILE_SEEK_SET) < 0) {
        return false;
    }
    context.reader.video_chunks = first;
    context.reader.reader_at_end = 0;
    for (;;) {
        const int32_t at = file_seek(file, 0, FILE_SEEK_CUR);
        if (at < 0 || at > index.frames[target].offset) {
            return false;
        }
        const int32_t result = read_chunk(context);
        if (result == READ_AUDIO) {
            release_audio_slot(context);
        } else if (result == READ_VIDEO) {
            VideoFrameSlot& slot = ring_front(context.reader.video_ring);
            movie_index_note_audio(context, slot.sequence);
            if (slot.sequence == target) {
                return true;
            }
            PictureGeometry geometry{};
            decode_video_picture(context.video, payload_of(slot), geometry);
            swap_work_surfaces(context.video);
            release_video_slot(context);
        } else if (file_seek(file, 0, FILE_SEEK_CUR) == at) {
            return false;
        }
    }
}

// Brings the decoders to the state before `first`, from which they decode on to the target.
void prepare_decoders(PlayerContext& context, int32_t restart, bool continuing) {
    if (continuing) {
        return;
    }
    if (restart < 0) {
        reset_decoders(context);
    } else if (context.seek.index.frames[restart].kind == VIDEO_RKD_KEY) {
        movie_index_restore_palette(context, restart);
    }
}

}  // namespace

int32_t seek_request_for_frame(int32_t frame) {
    return frame < 0 ? 1 : frame == INT32_MAX ? INT32_MAX : frame + 1;
}

int32_t seek_request_for_time(uint32_t milliseconds) {
    const uint32_t most = INT32_MAX - 1;
    return -static_cast<int32_t>(milliseconds < most ? milliseconds : most) - 1;
}

int32_t seek_to(PlayerContext& context, int32_t request) {
    const bool indexed = movie_index_scan(context, INT32_MAX);
    publish_movie_length(context);
    if (!indexed) {
        return SEEK_NO_INDEX;
    }
    const MovieIndex& index = context.seek.index;
    const int32_t target = index.frame_count > 0 ? requested_frame(index, request) : -1;
    if (target < 0) {
        return SEEK_NO_FRAME;
    }
    clock_hold_ticks(context.sound);
    const int32_t result = seek_decoders_to(context, target);
    sound_stream_restart(context.sound);
    interlocked_store(context.sound.clock, target);
    clock_release_ticks(context.sound);
    if (result != SEEK_DONE) {
        return result;
    }
    PlayParams& params = *context.params;
    interlocked_store(params.frames_shown, target);
    params.lag = 0;
    interlocked_store(params.held_at_end, 0);
    return SEEK_DONE;
}

int32_t seek_decoders_to(PlayerContext& context, int32_t target) {
    const MovieIndex& index = context.seek.index;
    const int32_t restart = restart_frame(index, target);
    // Frames decoded in order since the restart point lead to the target without going back.
    const bool continuing = context.seek.decoded_first <= restart &&
                            restart <= context.seek.decoded_last &&
                            context.seek.decoded_last < target;
    const int32_t first = continuing ? context.seek.decoded_last + 1 : restart < 0 ? 0 : restart;

    flush_rings(context);
    bool reached = movie_index_restore_audio(context, first);
    if (reached) {
        prepare_decoders(context, restart, continuing);
        reached = replay(context, first, target);
    }
    if (!reached) {
        context.seek.decoded_first = INT32_MAX;
        return SEEK_LOST;
    }
    context.seek.decoded_first = continuing ? context.seek.decoded_first : restart;
    context.seek.decoded_last = target - 1;
    return SEEK_DONE;
}

int32_t seek_sound_to(PlayerContext& context, int32_t frame) {
    if (!movie_index_scan(context, INT32_MAX)) {
        return SEEK_NO_INDEX;
    }
    const MovieIndex& index = context.seek.index;
    if (frame < 0 || frame >= index.frame_count) {
        return SEEK_NO_FRAME;
    }
    flush_rings(context);
    if (!movie_index_restore_audio(context, frame) ||
        file_seek(context.params->file, index.frames[frame].offset, FILE_SEEK_SET) < 0) {
        return SEEK_LOST;
    }
    context.reader.video_chunks = frame;
    context.reader.reader_at_end = 0;
    if (read_chunk(context) != READ_VIDEO) {
        return SEEK_LOST;
    }
    release_video_slot(context);
    return SEEK_DONE;
}

void note_frame_consumed(PlayerContext& context, int32_t sequence, bool decoded) {
    if (!decoded) {
        context.seek.decoded_first = INT32_MAX;
    } else if (context.seek.decoded_first == INT32_MAX ||
               sequence != context.seek.decoded_last + 1) {
        context.seek.decoded_first = sequence;
    }
    context.seek.decoded_last = sequence;
}

void publish_movie_length(PlayerContext& context) {
    const MovieIndex& index = context.seek.index;
    if (index.scan_state != INDEX_COMPLETE) {
        return;
    }
    PlayParams& params = *context.params;
    interlocked_store(params.movie_duration_ms, movie_index_duration_ms(index));
    interlocked_store(params.movie_frames, index.frame_count);
}

}  // namespace qx
