#include "platform/sdl/memory_palette.h"

#include <algorithm>

namespace qx {

namespace {

bool range_valid(uint32_t first, uint32_t count, const void* entries) {
    return entries != nullptr && first < 256 && count <= 256 - first;
}

}  // namespace

void PaletteStore::copy_to(PaletteEntry* out) {
    std::lock_guard lock(mutex);
    std::copy(entries.begin(), entries.end(), out);
}

MemoryPalette::MemoryPalette(ChildRegistry& registry, const PaletteEntry* initial)
    : registry_(registry) {
    std::copy(initial, initial + 256, store_->entries.begin());
    registry_.add(this);
}

PlatformResult MemoryPalette::set_entries(uint32_t, uint32_t first, uint32_t count,
                                          const PaletteEntry* entries) {
    if (!range_valid(first, count, entries)) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    std::lock_guard lock(store_->mutex);
    std::copy(entries, entries + count, store_->entries.begin() + first);
    return PLATFORM_OK;
}

PlatformResult MemoryPalette::get_entries(uint32_t, uint32_t first, uint32_t count,
                                          PaletteEntry* entries) {
    if (!range_valid(first, count, entries)) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    std::lock_guard lock(store_->mutex);
    std::copy(store_->entries.begin() + first, store_->entries.begin() + first + count, entries);
    return PLATFORM_OK;
}

void MemoryPalette::discard() {
    delete this;
}

void MemoryPalette::destroy() {
    registry_.remove(this);
    delete this;
}

}  // namespace qx
