#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/sdl/display_mode.h"
#include "platform/sdl/memory_palette.h"
#include "platform/sdl/present_signal.h"
#include "platform/sdl/surface_blit.h"
#include "platform/sdl/xrgb_conversion.h"

namespace qx {

// The frame buffer of a display mode, written by Blts to the primary surface on any thread and
// shown by the presenter on the main thread. A picture is handed over only once it looks
// complete, so a half-copied frame never reaches the window:
// - a write that reaches the bottom row of its source (or a fill, or the end of a direct lock)
//   completes a picture, which is shown once no further write has come for PICTURE_SETTLE;
// - writes that never complete one are shown after PICTURE_STALE without further writes.
class ScreenBuffer {
  public:
    static constexpr PresentClock::duration PICTURE_SETTLE = std::chrono::milliseconds(1);
    static constexpr PresentClock::duration PICTURE_STALE = std::chrono::milliseconds(50);

    explicit ScreenBuffer(const DisplayMode& mode);

    const DisplayMode& mode() const { return mode_; }
    // The frame buffer; written only while holding the guard.
    PixelView view();
    std::unique_lock<std::mutex> guard() { return std::unique_lock(mutex_); }

    // With the guard held, after the frame buffer changed.
    void note_write(bool completes_picture);
    // A direct lock of the primary surface: nothing is shown until the lock ends.
    void hold();
    void release_hold();
    void show_palette(std::shared_ptr<PaletteStore> palette);

    // The first row of width x height words of 0x00RRGGBB, and the bytes from row to row.
    struct PictureRows {
        uint32_t* words;
        int32_t pitch;
    };
    enum class Take { nothing, later, taken };
    // Converts the newest complete picture, when there is one not yet taken, into the rows
    // `target` gives (called only then, under the guard; null words take nothing); `later`
    // sets `retry_at` to when one may be ready.
    Take take_picture(PresentClock::time_point now, PresentClock::time_point& retry_at,
                      const std::function<PictureRows()>& target);
    // The picture in the frame buffer is to be taken again (its copy was lost).
    void show_again();

  private:
    const DisplayMode mode_;
    const XrgbConverter converter_;
    std::mutex mutex_;
    std::vector<uint8_t> pixels_;
    std::shared_ptr<PaletteStore> palette_;
    bool dirty_ = false;
    bool complete_ = false;
    bool held_ = false;
    PresentClock::time_point last_write_{};
};

}  // namespace qx
