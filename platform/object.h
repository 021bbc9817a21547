#pragma once
#include <atomic>
#include <cstdint>

namespace qx {

// Reference-counted base of every platform object (display, surface, palette, sound device,
// sound buffer). A new object holds one reference; release() drops one and destroys the object
// when none is left. It returns the references that remain.
class PlatformObject {
  public:
    PlatformObject() = default;
    PlatformObject(const PlatformObject&) = delete;
    PlatformObject& operator=(const PlatformObject&) = delete;

    uint32_t add_ref() { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    uint32_t release() {
        const uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) {
            destroy();
        }
        return left;
    }

  protected:
    virtual ~PlatformObject() = default;
    // Called when the last reference is gone; an owner that keeps a registry of its objects
    // overrides this to unlink first.
    virtual void destroy() { delete this; }

  private:
    std::atomic<uint32_t> refs_{1};
};

}  // namespace qx
