#include "tests/end_to_end/private_x_server.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace qx {

struct PrivateXServer::Connection {
    ::Display* display;
};

namespace {

// A window that goes away between two requests is not a reason to end the test program: while
// one lives, X errors are let pass (the request they answer has failed).
int ignore_x_error(::Display*, XErrorEvent*) {
    return 0;
}

class XErrorsIgnored {
  public:
    explicit XErrorsIgnored(::Display* display)
        : display_(display), previous_(XSetErrorHandler(ignore_x_error)) {}
    ~XErrorsIgnored() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }
    XErrorsIgnored(const XErrorsIgnored&) = delete;
    XErrorsIgnored& operator=(const XErrorsIgnored&) = delete;

  private:
    ::Display* display_;
    XErrorHandler previous_;
};

// The display number Xvfb writes on `fd` once it accepts connections; -1 if none in time.
int read_display_number(int fd) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (text.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0) {
            continue;
        }
        char buffer[32];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count <= 0) {
            return -1;
        }
        text.append(buffer, static_cast<size_t>(count));
    }
    return text.find('\n') == std::string::npos ? -1 : std::stoi(text);
}

std::string text_property(::Display* display, Window window, const char* name) {
    const Atom property = XInternAtom(display, name, False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type,
                           &format, &count, &remaining, &data) == Success &&
        data != nullptr) {
        if (format == 8) {
            text.assign(reinterpret_cast<char*>(data), count);
        }
        XFree(data);
    }
    return text;
}

uint32_t channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1) == 0) {
        ++shift;
    }
    const unsigned long maximum = mask >> shift;
    return static_cast<uint32_t>(((pixel & mask) >> shift) * 255 / maximum);
}

}  // namespace

PrivateXServer::PrivateXServer(int width, int height) {
    int ends[2];
    if (pipe(ends) != 0) {
        return;
    }
    fcntl(ends[0], F_SETFD, FD_CLOEXEC);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    server_ = std::make_unique<ChildProgram>(
        std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(ends[1]), "-screen", "0",
                                 screen, "-nolisten", "tcp"},
        ChildProgramSetup{});
    close(ends[1]);
    const int number = server_->started() ? read_display_number(ends[0]) : -1;
    close(ends[0]);
    if (number < 0) {
        return;
    }
    display_name_ = std::string(":").append(std::to_string(number));
    ::Display* display = XOpenDisplay(display_name_.c_str());
    if (display == nullptr) {
        return;
    }
    connection_ = std::make_unique<Connection>(Connection{display});
}

PrivateXServer::~PrivateXServer() {
    shut_down();
}

void PrivateXServer::shut_down() {
    if (connection_) {
        XCloseDisplay(connection_->display);
        connection_.reset();
    }
    server_.reset();
}

unsigned long PrivateXServer::find_window(const std::string& title) {
    ::Display* display = connection_->display;
    const XErrorsIgnored errors_ignored(display);
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) {
        return 0;
    }
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes{};
        const bool viewable = XGetWindowAttributes(display, children[i], &attributes) != 0 &&
                              attributes.map_state == IsViewable;
        if (viewable && (text_property(display, children[i], "_NET_WM_NAME") == title ||
                         text_property(display, children[i], "WM_NAME") == title)) {
            found = children[i];
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

bool PrivateXServer::capture(unsigned long window, Screenshot& shot) {
    ::Display* display = connection_->display;
    const XErrorsIgnored errors_ignored(display);
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0) {
        return false;
    }
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    shot.width = attributes.width;
    shot.height = attributes.height;
    shot.pixels.resize(static_cast<size_t>(shot.width) * shot.height);
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            shot.pixels[static_cast<size_t>(y) * shot.width + x] =
                channel(pixel, image->red_mask) << 16 | channel(pixel, image->green_mask) << 8 |
                channel(pixel, image->blue_mask);
        }
    }
    XDestroyImage(image);
    return true;
}

void PrivateXServer::move_pointer(unsigned long window, int x, int y) {
    ::Display* display = connection_->display;
    const XErrorsIgnored errors_ignored(display);
    int screen_x = 0;
    int screen_y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &screen_x, &screen_y,
                          &child);
    XTestFakeMotionEvent(display, -1, screen_x, screen_y, 0);
    XSync(display, False);
}

void PrivateXServer::press_button(bool down) {
    ::Display* display = connection_->display;
    XTestFakeButtonEvent(display, 1, down ? True : False, 0);
    XSync(display, False);
}

void PrivateXServer::press_key(unsigned long window, const char* key_name) {
    ::Display* display = connection_->display;
    const XErrorsIgnored errors_ignored(display);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    const KeyCode key = XKeysymToKeycode(display, XStringToKeysym(key_name));
    XTestFakeKeyEvent(display, key, True, 0);
    XTestFakeKeyEvent(display, key, False, 0);
    XSync(display, False);
}

}  // namespace qx
