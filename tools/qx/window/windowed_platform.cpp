#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_window.h"
#include "tools/qx/play_platform.h"
#include "tools/qx/window/controls_painter.h"
#include "tools/qx/window/play_window_size.h"

namespace qx {

namespace {

constexpr char PLAY_WINDOW_CLASS[] = "qx play";

intptr_t play_window_procedure(WindowHandle window, uint32_t message, uintptr_t wparam,
                               intptr_t lparam) {
    if (message == WINDOW_MESSAGE_DESTROY) {
        window_post_quit_message(0);
    }
    return window_default_procedure(window, message, wparam, lparam);
}

// A real window and the default sound card, through SDL.
class SdlPlayPlatform final : public PlayPlatform {
  public:
    explicit SdlPlayPlatform(bool with_sound) : backend_(with_sound) {}
    ~SdlPlayPlatform() override { close_window(); }
    SdlPlayPlatform(const SdlPlayPlatform&) = delete;
    SdlPlayPlatform& operator=(const SdlPlayPlatform&) = delete;

    PlatformBackend& backend() override { return backend_; }
    void set_muted(bool muted) override { backend_.set_muted(muted); }
    void set_volume(int32_t percent) override { backend_.set_volume(percent); }
    bool sound_unavailable() const override { return backend_.sound_unavailable(); }

    bool open_window(const std::string& title, int32_t picture_width,
                     int32_t picture_height) override {
        WindowClass window_class;
        window_class.style = WINDOW_CLASS_DOUBLE_CLICKS;
        window_class.procedure = play_window_procedure;
        window_class.name = PLAY_WINDOW_CLASS;
        if (!window_register_class(window_class)) {
            return false;
        }
        class_registered_ = true;
        const WindowSize size = play_window_size(picture_width, picture_height,
                                                 window_screen_width(), window_screen_height());
        window_ = window_create(
            PLAY_WINDOW_CLASS, title.c_str(), WINDOW_STYLE_OVERLAPPED | WINDOW_STYLE_VISIBLE,
            WINDOW_POSITION_DEFAULT, WINDOW_POSITION_DEFAULT, size.width, size.height);
        if (!window_) {
            close_window();
            return false;
        }
        window_set_focus(window_);
        return true;
    }

    void close_window() override {
        painter_.reset();
        if (class_registered_) {
            window_unregister_class(PLAY_WINDOW_CLASS);
            class_registered_ = false;
        }
        window_ = nullptr;
    }

    WindowHandle window() const override { return window_; }

    bool next_message(WindowMessage& message) override {
        repaint_when_resized();
        if (!window_peek_message(message)) {
            return false;
        }
        if (window_get_message(message)) {
            window_dispatch_message(message);
        }
        return true;
    }

    bool client_size(int32_t& width, int32_t& height) const override {
        return window_client_size(window_, width, height);
    }

    void toggle_fullscreen() override {
        window_set_fullscreen(window_, !window_is_fullscreen(window_));
    }

    void set_title(const std::string& title) override { window_set_title(window_, title.c_str()); }

    void show_controls(const PlayControls& controls) override {
        controls_ = controls;
        paint_controls();
    }

    bool take_dropped_file(std::string& path) override { return window_take_dropped_file(path); }

    void wait_message_ms(uint32_t milliseconds) override { window_wait_message_ms(milliseconds); }

  private:
    // The painter, with its font, is made when the controls first show.
    void paint_controls() {
        int32_t width = 0;
        int32_t height = 0;
        if (!window_ || !client_size(width, height)) {
            return;
        }
        painted_width_ = width;
        painted_height_ = height;
        if (!controls_.visible()) {
            sdl_window_show_overlay(window_, nullptr);
            return;
        }
        if (!painter_) {
            painter_ = std::make_unique<ControlsPainter>();
        }
        sdl_window_show_overlay(window_, std::make_shared<const WindowOverlay>(
                                             painter_->paint(controls_, width, height)));
    }

    void repaint_when_resized() {
        int32_t width = 0;
        int32_t height = 0;
        if (controls_.visible() && client_size(width, height) &&
            (width != painted_width_ || height != painted_height_)) {
            paint_controls();
        }
    }

    SdlBackend backend_;
    std::unique_ptr<ControlsPainter> painter_;
    PlayControls controls_;
    int32_t painted_width_ = 0;
    int32_t painted_height_ = 0;
    WindowHandle window_ = nullptr;
    bool class_registered_ = false;
};

}  // namespace

std::unique_ptr<PlayPlatform> make_windowed_platform(bool with_sound, std::string&) {
    return std::make_unique<SdlPlayPlatform>(with_sound);
}

PlayPlatform* qx_windowed_platform(bool with_sound) {
    return new SdlPlayPlatform(with_sound);
}

}  // namespace qx
