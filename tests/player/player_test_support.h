#pragma once
#include <atomic>
#include <functional>

#include "player/play_params.h"

namespace qx {

// frame_callback takes no argument, so the tests reach their per-test hook through this one
// process-wide slot. Only one player with a callback runs at a time in these tests.
class FrameHook {
  public:
    explicit FrameHook(std::function<int()> hook);
    ~FrameHook();
    static int call();

  private:
    static std::function<int()>* current_;
};

}  // namespace qx
