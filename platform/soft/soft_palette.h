#pragma once
#include <array>
#include <memory>

#include "platform/display.h"
#include "platform/soft/soft_state.h"

namespace qx {

inline constexpr uint32_t SOFT_PALETTE_ENTRIES = 256;

class SoftPalette : public DisplayPalette, public SoftObject {
  public:
    SoftPalette(std::shared_ptr<SoftState> state, const SoftObject* display,
                const PaletteEntry* entries);

    PlatformResult set_entries(uint32_t flags, uint32_t first, uint32_t count,
                               const PaletteEntry* entries) override;
    PlatformResult get_entries(uint32_t flags, uint32_t first, uint32_t count,
                               PaletteEntry* entries) override;

    const void* face() const override { return static_cast<const DisplayPalette*>(this); }
    // Called with the state's mutex held.
    const std::array<PaletteEntry, SOFT_PALETTE_ENTRIES>& entries() const { return entries_; }

  private:
    void destroy() override { destroy_with_lock(); }

    std::array<PaletteEntry, SOFT_PALETTE_ENTRIES> entries_{};
};

}  // namespace qx
