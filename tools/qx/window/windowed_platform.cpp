#include "platform/sdl/sdl_backend.h"
#include "tools/qx/play_platform.h"
#include "tools/qx/window/play_window_size.h"

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
    bool sound_unavailable() const override { return backend_.sound_unavailable(); }

    bool open_window(const std::string& title, int32_t picture_width,
                     int32_t picture_height) override {
        WindowClass window_class;
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
        if (class_registered_) {
            window_unregister_class(PLAY_WINDOW_CLASS);
            class_registered_ = false;
        }
        window_ = nullptr;
    }

    WindowHandle window() const override { return window_; }

    bool next_message(WindowMessage& message) override {
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

    void wait_message_ms(uint32_t milliseconds) override { window_wait_message_ms(milliseconds); }

  private:
    SdlBackend backend_;
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
