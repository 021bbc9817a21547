#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/end_to_end/child_program.h"

namespace qx {

// What a window showed: 0x00RRGGBB words, row by row.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// An X server of the test's own (Xvfb), so that no window of another test can cover the one
// it looks at, and a connection to it that takes screenshots and presses keys as a keyboard.
class PrivateXServer {
  public:
    PrivateXServer(int width, int height);
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    bool ready() const { return connection_ != nullptr; }
    // What DISPLAY names it, such as ":12".
    const std::string& display_name() const { return display_name_; }
    // The mapped top-level window titled `title`, or 0 while there is none.
    unsigned long find_window(const std::string& title);
    bool capture(unsigned long window, Screenshot& shot);
    // Gives `window` the keyboard focus, then presses and releases the key with the X keysym
    // name `key_name` ("Escape", "space", ...).
    void press_key(unsigned long window, const char* key_name);
    // Moves the pointer to (x, y) of `window`, as a mouse would.
    void move_pointer(unsigned long window, int x, int y);
    // Presses (or releases) the left mouse button where the pointer is.
    void press_button(bool down);
    // Ends the server, as when a desktop session goes away under the programs using it.
    void shut_down();

  private:
    struct Connection;
    std::unique_ptr<ChildProgram> server_;
    std::string display_name_;
    std::unique_ptr<Connection> connection_;
};

}  // namespace qx
