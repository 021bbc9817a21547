#pragma once
#include <array>
#include <memory>
#include <mutex>

#include "platform/display.h"
#include "platform/sdl/child_registry.h"

namespace qx {

// The 256 entries of a palette, shared with the screen that shows it so that either may go
// first. Written by the player's thread, read by the presenter.
struct PaletteStore {
    std::mutex mutex;
    std::array<PaletteEntry, 256> entries{};

    void copy_to(PaletteEntry* out);
};

class MemoryPalette final : public DisplayPalette, public DisplayChild {
  public:
    MemoryPalette(ChildRegistry& registry, const PaletteEntry* initial);

    PlatformResult set_entries(uint32_t flags, uint32_t first, uint32_t count,
                               const PaletteEntry* entries) override;
    PlatformResult get_entries(uint32_t flags, uint32_t first, uint32_t count,
                               PaletteEntry* entries) override;
    void discard() override;

    std::shared_ptr<PaletteStore> store() const { return store_; }

  private:
    void destroy() override;

    ChildRegistry& registry_;
    std::shared_ptr<PaletteStore> store_ = std::make_shared<PaletteStore>();
};

}  // namespace qx
