#pragma once
#include <SDL_ttf.h>

#include <cstdint>
#include <string>

#include "platform/sdl/window_overlay.h"
#include "tools/qx/play_controls.h"

namespace qx {

// The font the controls write with, from Debian's fonts-dejavu-core.
inline constexpr char CONTROLS_FONT[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Draws the on-screen controls of `qx play` as the layers laid over the window's picture. Text
// goes through SDL_ttf; without the font (or SDL_ttf) the shapes are drawn without it.
class ControlsPainter {
  public:
    explicit ControlsPainter(std::string font_path = CONTROLS_FONT);
    ~ControlsPainter();
    ControlsPainter(const ControlsPainter&) = delete;
    ControlsPainter& operator=(const ControlsPainter&) = delete;

    // The layers for a window of `width` x `height`; none when nothing shows.
    WindowOverlay paint(const PlayControls& controls, int32_t width, int32_t height);
    bool writes_text() const { return ttf_started_ && font_size_ >= 0; }

  private:
    // The font at `pixels` high, or null when there is none.
    TTF_Font* font(int32_t pixels);
    OverlayLayer bar(const PlayControls& controls, const ControlsLayout& layout);
    // A box of text lines, `lines` centred on `centre_x` with its top at `top`.
    OverlayLayer text_box(const std::vector<std::string>& lines, int32_t centre_x, int32_t top,
                          int32_t line_height, int32_t window_width);

    const std::string font_path_;
    bool ttf_started_ = false;
    TTF_Font* font_ = nullptr;
    int32_t font_size_ = 0;  // of font_; -1 once the font has failed to open
};

}  // namespace qx
