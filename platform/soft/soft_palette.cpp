#include "platform/soft/soft_palette.h"

#include <algorithm>

namespace qx {

namespace {

bool entries_in_range(uint32_t first, uint32_t count, const PaletteEntry* entries) {
    return entries != nullptr && first < SOFT_PALETTE_ENTRIES &&
           count <= SOFT_PALETTE_ENTRIES - first;
}

}  // namespace

SoftPalette::SoftPalette(std::shared_ptr<SoftState> state, const SoftObject* display,
                         const PaletteEntry* entries)
    : SoftObject(std::move(state), SOFT_PALETTE, display) {
    std::copy_n(entries, SOFT_PALETTE_ENTRIES, entries_.begin());
}

PlatformResult SoftPalette::set_entries(uint32_t /*flags*/, uint32_t first, uint32_t count,
                                        const PaletteEntry* entries) {
    std::lock_guard lock(state_->mutex);
    ++state_->counters.set_entries_calls;
    if (soft_fault_trips(state_->faults.palette_set_entries)) {
        return PLATFORM_FAILED;
    }
    if (!entries_in_range(first, count, entries)) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    std::copy_n(entries, count, entries_.begin() + first);
    return PLATFORM_OK;
}

PlatformResult SoftPalette::get_entries(uint32_t /*flags*/, uint32_t first, uint32_t count,
                                        PaletteEntry* entries) {
    std::lock_guard lock(state_->mutex);
    if (!entries_in_range(first, count, entries)) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    std::copy_n(entries_.begin() + first, count, entries);
    return PLATFORM_OK;
}

}  // namespace qx
