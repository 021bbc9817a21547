#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/backend.h"
#include "platform/display.h"
#include "platform/sound.h"

namespace qx {

// The soft backend: a display and a sound device that live entirely in memory. Everything is
// deterministic, every failure the player copes with can be provoked, and tests can read what
// was drawn and what was heard.

enum SoftPixelFormat : uint32_t {
    SOFT_PIXELS_565 = 0,       // 16-bit pixels, red 0xF800, green 0x07E0, blue 0x001F
    SOFT_PIXELS_555 = 1,       // 16-bit pixels, red 0x7C00, green 0x03E0, blue 0x001F
    SOFT_PIXELS_888 = 2,       // 32-bit pixels, red 0xFF0000, green 0xFF00, blue 0xFF
    SOFT_PIXELS_INDEXED8 = 3,  // 8-bit palette indexes
};

struct SoftBackendConfig {
    SoftPixelFormat pixel_format = SOFT_PIXELS_565;
    // Size of the primary surface until set_display_mode chooses another.
    uint32_t mode_width = 640;
    uint32_t mode_height = 480;
    // Bytes every surface row carries beyond its pixels, so that lock reports a pitch larger
    // than the packed row.
    uint32_t extra_pitch = 0;
    // Larger surfaces are refused with PLATFORM_OUT_OF_MEMORY.
    uint32_t max_surface_bytes = 64u << 20;
    uint32_t sound_caps_flags = SOUND_CAPS_PRIMARY_STEREO | SOUND_CAPS_PRIMARY_16BIT;
    // What get_caps reports for a primary sound buffer.
    uint32_t primary_buffer_bytes = 32768;
    // Heard bytes beyond this are counted but not kept; written bytes beyond it are dropped.
    size_t heard_log_limit = 64u << 20;
    // Blt records beyond this are counted but not kept.
    size_t blt_log_limit = 1u << 20;
    // Off: a playing buffer's cursor stands still until SoftBackend::move_play_cursor moves
    // it, so that a test decides exactly how much the device has played.
    bool cursor_follows_clock = true;
    // Set: surfaces describe their pixels with this format, whatever they store, so that a
    // caller's handling of formats no backend offers (odd or missing masks) can be tried.
    std::optional<PixelFormat> described_pixel_format;
};

// A fault switch: 0 is off, N > 0 makes the next N calls fail, SOFT_FAULT_ALWAYS every call.
// Switches may be flipped while other threads use the backend.
using SoftFault = std::atomic<int32_t>;
inline constexpr int32_t SOFT_FAULT_ALWAYS = -1;

// Unless noted, a tripped call answers PLATFORM_FAILED and changes nothing.
struct SoftFaults {
    SoftFault display_create;
    SoftFault display_cooperative_level;
    SoftFault display_mode;
    SoftFault surface_create;
    SoftFault surface_desc;
    SoftFault pixel_format;
    SoftFault surface_lock;
    // The surface is lost at the lock: this and every later lock answer DISPLAY_SURFACE_LOST
    // until it is restored.
    SoftFault surface_lost_on_lock;
    SoftFault surface_unlock;
    SoftFault surface_restore;
    SoftFault blt;
    SoftFault palette_create;
    SoftFault palette_set_entries;
    SoftFault set_palette;
    SoftFault vertical_blank;

    SoftFault sound_create;
    SoftFault sound_cooperative_level;
    SoftFault sound_caps;
    SoftFault primary_buffer_create;
    SoftFault primary_set_format;
    SoftFault primary_get_caps;
    SoftFault secondary_buffer_create;
    SoftFault secondary_get_caps;
    SoftFault set_frequency;
    SoftFault play;
    SoftFault current_position;
    SoftFault buffer_lock;

    // Turns every switch off.
    void reset();
};

struct SoftSurfaceRecord {
    const DisplaySurface* surface;  // identity only; the surface may be gone
    uint32_t width;
    uint32_t height;
    uint32_t caps;  // as requested (the back buffer of a flipping primary: SURFACE_BACK_BUFFER...)
    uint32_t desc_size;   // of the request (the primary's for its back buffer)
    uint32_t desc_flags;  // SURFACE_DESC_* bits of the request
};

struct SoftBltRecord {
    const DisplaySurface* target;
    const DisplaySurface* source;  // null for a colour fill
    DisplayRect dest;              // as passed; the whole target when null
    DisplayRect source_rect;       // as passed; the whole source when null
    uint32_t flags;
    uint32_t fill_colour;
    PlatformResult result;
};

// One secondary sound buffer, kept after the buffer is released.
struct SoftSoundBufferRecord {
    const SoundBuffer* buffer;  // identity only; the buffer may be gone
    uint32_t flags;
    uint32_t buffer_bytes;  // the size granted: the request rounded down to whole sample frames
    WaveFormat format;
    uint32_t frequency;  // samples per second the cursor moves at
    bool alive;
    bool playing;
    bool looping;
    int32_t plays;
    int32_t stops;
    int32_t locks;
    int32_t unlocks;
    uint32_t last_lock_offset;  // the region of the latest lock granted
    uint32_t last_lock_bytes;
    int32_t position_queries;
    int64_t heard_bytes;  // every byte that passed the cursor, also beyond the log's limit
};

struct SoftCounters {
    int32_t live_displays;
    int32_t live_surfaces;
    int32_t live_palettes;
    int32_t live_sound_devices;
    int32_t live_sound_buffers;  // primary and secondary

    int32_t surface_locks;  // every call, failed ones included
    int32_t surface_unlocks;
    int32_t surface_restores;
    int64_t blts;
    int32_t set_entries_calls;
    int32_t set_palette_calls;
    int32_t vertical_blank_waits;
    uint32_t display_cooperative_flags;
    uint32_t mode_width;  // the latest set_display_mode
    uint32_t mode_height;
    uint32_t mode_bits_per_pixel;
    int32_t restore_display_mode_calls;

    uint32_t sound_cooperative_level;
    bool primary_format_set;
    WaveFormat primary_format;  // the latest accepted set_format
    int32_t buffer_plays;       // every buffer, primary included
    int32_t buffer_stops;
    int32_t buffer_locks;
    int32_t buffer_unlocks;
    int32_t position_queries;
};

// A copy of a surface's pixels, rows packed (pitch padding dropped).
struct SoftSurfaceImage {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bytes_per_pixel = 0;
    std::vector<uint8_t> pixels;
    std::vector<PaletteEntry> palette;  // the attached palette's 256 entries, if any

    // The pixel value at (x, y) in the surface's format (a palette index on 8-bit surfaces).
    uint32_t pixel(uint32_t x, uint32_t y) const;
};

struct SoftState;

class SoftBackend : public PlatformBackend {
  public:
    explicit SoftBackend(const SoftBackendConfig& config = {});
    ~SoftBackend() override;
    SoftBackend(const SoftBackend&) = delete;
    SoftBackend& operator=(const SoftBackend&) = delete;

    PlatformResult create_display(Display** display) override;
    PlatformResult create_sound(SoundDevice** device) override;

    const SoftBackendConfig& config() const;
    SoftFaults& faults();

    SoftCounters counters() const;
    std::vector<SoftSurfaceRecord> surfaces_created() const;
    std::vector<uint32_t> palette_flags() const;  // flags of every palette created, in order
    std::vector<SoftBltRecord> blts() const;
    std::vector<SoftSoundBufferRecord> sound_buffers() const;  // secondary buffers, in order
    // What a listener heard from the secondary buffer with this creation index, up to now.
    std::vector<uint8_t> heard(size_t buffer_index) const;
    // Every region of that buffer a writer locked, as it was at the unlock, in order.
    std::vector<uint8_t> written(size_t buffer_index) const;
    // Moves that buffer's play cursor forward to `cursor`, as playing would (what it passes is
    // heard); for backends whose cursor does not follow the clock.
    void move_play_cursor(size_t buffer_index, uint32_t cursor);
    // Forgets the blt records, heard and written bytes so far (counters stay).
    void clear_logs();

    // The primary surface created last and still alive, or null.
    DisplaySurface* primary_surface() const;
    // An empty image when `surface` is not a live surface of this backend.
    SoftSurfaceImage surface_image(const DisplaySurface* surface) const;
    // Loses one surface (or every one): locks and blts answer DISPLAY_SURFACE_LOST until restore.
    void lose_surface(const DisplaySurface* surface);
    void lose_all_surfaces();

  private:
    std::shared_ptr<SoftState> state_;
};

// A soft backend installed for display_create and sound_create while it lives.
class ScopedSoftBackend : public SoftBackend {
  public:
    explicit ScopedSoftBackend(const SoftBackendConfig& config = {});
    ~ScopedSoftBackend() override;

  private:
    PlatformBackend* previous_;
};

}  // namespace qx
