#pragma once
#include <mutex>
#include <vector>

namespace qx {

// Surfaces and palettes made on a display. When the display's last reference goes it discards
// every child still alive, so palettes left attached to surfaces end with it.
class DisplayChild {
  public:
    // Deletes the child without touching other children or the registry.
    virtual void discard() = 0;

  protected:
    ~DisplayChild() = default;
};

class ChildRegistry {
  public:
    void add(DisplayChild* child);
    void remove(DisplayChild* child);
    void discard_all();

  private:
    std::mutex mutex_;
    std::vector<DisplayChild*> children_;
};

}  // namespace qx
