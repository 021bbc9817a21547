#pragma once
#include <cstdint>

#include "../platform/display.h"
#include "../platform/file.h"
#include "../platform/sound.h"
#include "../platform/window.h"

namespace qx {

struct PlayerContext;

// Option bits of PlayParams::flags. No other bit is read.
inline constexpr uint32_t PLAY_X_OFFSET = 0x1;
inline constexpr uint32_t PLAY_Y_OFFSET = 0x2;
inline constexpr uint32_t PLAY_CENTRE_X = 0x4;
inline constexpr uint32_t PLAY_CENTRE_Y = 0x8;
inline constexpr uint32_t PLAY_DOUBLE_ROWS = 0x10;
inline constexpr uint32_t PLAY_SCANLINES = 0x20;
inline constexpr uint32_t PLAY_DOUBLE_WIDTH = 0x40;
inline constexpr uint32_t PLAY_DEST_WIDTH = 0x80;
inline constexpr uint32_t PLAY_DEST_HEIGHT = 0x100;
inline constexpr uint32_t PLAY_APP_BUFFERS = 0x800;
inline constexpr uint32_t PLAY_THREAD = 0x10000;
inline constexpr uint32_t PLAY_PRIORITY = 0x20000;
inline constexpr uint32_t PLAY_CALLBACK = 0x40000;
inline constexpr uint32_t PLAY_APP_FILE = 0x80000;
inline constexpr uint32_t PLAY_KEEP_BRIGHTNESS = 0x100000;
// With PLAY_THREAD: at the end of the movie the loop pauses on the last frame instead of
// ending, so that the application can still seek; player_stop ends it.
inline constexpr uint32_t PLAY_HOLD_AT_END = 0x200000;
// Past damage (a chunk the reader cannot take) the reader steps on until it finds a chunk
// again, instead of ending the movie there; what it stepped over is told in `resyncs`,
// `resync_offset` and `resync_bytes`.
inline constexpr uint32_t PLAY_RESYNC = 0x400000;
inline constexpr uint32_t PLAY_SOUND = 0x800000;

// Run state in PlayParams::status; always changed by an interlocked exchange.
enum PlayerStatus : int32_t {
    PLAYER_READY = 0,
    PLAYER_STARTING = 1,
    PLAYER_RUNNING = 2,
    PLAYER_PAUSED = 3,
    PLAYER_STOP = 4,
    PLAYER_ENDED = 5,
    PLAYER_CLOSED = 6,
};

using FrameCallback = int (*)();
using FrameCallbackWithUser = int (*)(void* user);

// The application's parameter and status record of one movie. The application zeroes it,
// fills the options and its own platform objects, and passes it to player_start; from then on
// it is the mailbox between the application and the player. Pointer fields are native
// pointers; every other field is 32 bits wide.
struct PlayParams {
    uint32_t flags;
    PlayerContext* context;
    Display* display;
    DisplaySurface* primary_surface;
    DisplaySurface* back_surface;
    DisplaySurface* draw_surface;
    DisplaySurface* reference_surface;
    int32_t red_bits;
    int32_t green_bits;
    int32_t blue_bits;
    int32_t red_shift;
    int32_t green_shift;
    int32_t blue_shift;
    uint32_t rgb_mask;
    int32_t colour_bits;
    uint8_t* draw_buffer;
    uint8_t* reference_buffer;
    SoundDevice* sound;
    SoundBuffer* primary_sound_buffer;
    SoundBuffer* stream_buffer;
    int32_t x_offset;
    int32_t y_offset;
    int32_t dest_width;
    int32_t dest_height;
    int32_t brightness;
    int32_t has_audio;
    int32_t audio_only;
    uint32_t reserved[2];
    int32_t elapsed_ms;
    int32_t frames_shown;
    int32_t lag;
    int32_t status;  // PlayerStatus
    WindowHandle window;
    MovieFile* file;
    int32_t thread_priority;
    uint32_t thread_handle;
    FrameCallback frame_callback;
    // Bytes of each of draw_buffer and reference_buffer; 0 when the application vouches that
    // they hold any picture of the movie. A frame that does not fit is dropped.
    uint32_t buffer_bytes;
    // Pause and resume calls at work on stream_buffer; the loop's exit waits for them before
    // it releases the buffer. The player's own.
    int32_t stream_users;
    // A seek asked for and not yet taken by the player's thread (0: none; see player_seek.cpp),
    // the requests that thread has answered, and its latest answer (0: the frame is shown).
    int32_t seek_request;
    int32_t seeks_done;
    int32_t seek_result;
    // Kept by the player for player_get_position: the video chunk number of the latest frame
    // shown (-1 before the first), the movie's frames and length once its headers have been
    // walked (-1 and 0 before), and whether it holds at the end (PLAY_HOLD_AT_END).
    int32_t latest_frame;
    int32_t movie_frames;
    uint32_t movie_duration_ms;
    int32_t held_at_end;
    // The frame callback of an application that plays several movies, or keeps its state out
    // of globals: called with `frame_callback_user` in place of `frame_callback` when set.
    FrameCallbackWithUser frame_callback_with_user;
    void* frame_callback_user;
    // With PLAY_RESYNC: the damaged stretches stepped over so far, and where the latest began
    // and how long it was. The counter moves after the other two are written.
    int32_t resyncs;
    int32_t resync_offset;
    int32_t resync_bytes;
};

}  // namespace qx
