#pragma once
#include <cstdint>
#include <mutex>

#include "platform/display.h"
#include "tools/qx/picture_brightness.h"
#include "tools/qx/picture_rgb.h"
#include "video/video_output.h"

namespace qx {

// What `qx play` shows. The player presents every frame into `staging()`, a surface of the
// display's size and format, and the session brings it to the screen, applying the brightness
// itself to pictures whose colour path leaves it out (Mnb, and Zle with summed tables), so
// that brightness works on every movie while the player's own frames stay as they are.
class PlayPicture {
  public:
    PlayPicture() = default;
    ~PlayPicture();
    PlayPicture(const PlayPicture&) = delete;
    PlayPicture& operator=(const PlayPicture&) = delete;

    // Surfaces like `primary` on `display`; false when they cannot be made, and the player
    // then presents straight to the primary.
    bool open(Display& display, DisplaySurface& primary, int32_t brightness);
    void close();
    DisplaySurface* staging() const { return staging_; }

    // On the player's thread, right after `video` presented a frame of `kind` (also the frame
    // a seek shows).
    void frame_presented(int32_t kind, const VideoOutput& video);
    // Shows the staged picture again at the new brightness.
    void set_brightness(int32_t percent);
    // The picture on the screen, as RGB; false when there is none.
    bool shown(RgbImage& picture);

  private:
    void show();
    // Whether the brightness is applied here rather than by the player's colour path.
    bool brightened_here() const { return brightness_ignored_ && !brightness_.unchanged(); }

    std::mutex mutex_;
    DisplaySurface* primary_ = nullptr;
    DisplaySurface* staging_ = nullptr;
    DisplaySurface* presented_ = nullptr;  // the last picture presented, copied on its thread
    DisplaySurface* adjusted_ = nullptr;   // the staged picture with the brightness applied
    PixelFormat format_{};
    PictureBrightness brightness_;
    bool brightness_ignored_ = false;  // by the colour path of the staged picture
};

}  // namespace qx
