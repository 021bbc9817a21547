#include "platform/soft/soft_backend.h"

#include <cstring>

#include "platform/soft/soft_display.h"
#include "platform/soft/soft_sound_buffer.h"
#include "platform/soft/soft_sound_device.h"
#include "platform/soft/soft_state.h"
#include "platform/soft/soft_surface.h"

namespace qx {

namespace {

// Lets every playing buffer log what its cursor passed until now.
void bring_cursors_up_to_date(SoftState& state) {
    for (SoftObject* object : state.objects) {
        if (object->kind() == SOFT_SOUND_BUFFER) {
            static_cast<SoftSoundBuffer*>(object)->advance();
        }
    }
}

}  // namespace

void SoftFaults::reset() {
    for (SoftFault* fault : {&display_create,
                             &display_cooperative_level,
                             &display_mode,
                             &surface_create,
                             &surface_desc,
                             &pixel_format,
                             &surface_lock,
                             &surface_lost_on_lock,
                             &surface_unlock,
                             &surface_restore,
                             &blt,
                             &palette_create,
                             &palette_set_entries,
                             &set_palette,
                             &vertical_blank,
                             &sound_create,
                             &sound_cooperative_level,
                             &sound_caps,
                             &primary_buffer_create,
                             &primary_set_format,
                             &primary_get_caps,
                             &secondary_buffer_create,
                             &secondary_get_caps,
                             &set_frequency,
                             &play,
                             &current_position,
                             &buffer_lock}) {
        fault->store(0);
    }
}

uint32_t SoftSurfaceImage::pixel(uint32_t x, uint32_t y) const {
    if (x >= width || y >= height) {
        return 0;
    }
    uint32_t value = 0;
    std::memcpy(&value, pixels.data() + (static_cast<size_t>(y) * width + x) * bytes_per_pixel,
                bytes_per_pixel);
    return value;
}

SoftBackend::SoftBackend(const SoftBackendConfig& config)
    : state_(std::make_shared<SoftState>(config)) {}

SoftBackend::~SoftBackend() = default;

PlatformResult SoftBackend::create_display(Display** display) {
    std::lock_guard lock(state_->mutex);
    *display = nullptr;
    if (soft_fault_trips(state_->faults.display_create)) {
        return PLATFORM_FAILED;
    }
    *display = new SoftDisplay(state_);
    return PLATFORM_OK;
}

PlatformResult SoftBackend::create_sound(SoundDevice** device) {
    std::lock_guard lock(state_->mutex);
    *device = nullptr;
    if (soft_fault_trips(state_->faults.sound_create)) {
        return PLATFORM_FAILED;
    }
    *device = new SoftSoundDevice(state_);
    return PLATFORM_OK;
}

const SoftBackendConfig& SoftBackend::config() const {
    return state_->config;
}

SoftFaults& SoftBackend::faults() {
    return state_->faults;
}

SoftCounters SoftBackend::counters() const {
    std::lock_guard lock(state_->mutex);
    SoftCounters counted = state_->counters;
    counted.live_displays = state_->live(SOFT_DISPLAY);
    counted.live_surfaces = state_->live(SOFT_SURFACE);
    counted.live_palettes = state_->live(SOFT_PALETTE);
    counted.live_sound_devices = state_->live(SOFT_SOUND_DEVICE);
    counted.live_sound_buffers = state_->live(SOFT_SOUND_BUFFER);
    return counted;
}

std::vector<SoftSurfaceRecord> SoftBackend::surfaces_created() const {
    std::lock_guard lock(state_->mutex);
    return state_->surfaces_created;
}

std::vector<uint32_t> SoftBackend::palette_flags() const {
    std::lock_guard lock(state_->mutex);
    return state_->palette_flags;
}

std::vector<SoftBltRecord> SoftBackend::blts() const {
    std::lock_guard lock(state_->mutex);
    return state_->blts;
}

std::vector<SoftSoundBufferRecord> SoftBackend::sound_buffers() const {
    std::lock_guard lock(state_->mutex);
    bring_cursors_up_to_date(*state_);
    return state_->sound_buffers;
}

std::vector<uint8_t> SoftBackend::heard(size_t buffer_index) const {
    std::lock_guard lock(state_->mutex);
    if (buffer_index >= state_->heard.size()) {
        return {};
    }
    bring_cursors_up_to_date(*state_);
    return state_->heard[buffer_index];
}

std::vector<uint8_t> SoftBackend::written(size_t buffer_index) const {
    std::lock_guard lock(state_->mutex);
    return buffer_index < state_->written.size() ? state_->written[buffer_index]
                                                 : std::vector<uint8_t>{};
}

void SoftBackend::move_play_cursor(size_t buffer_index, uint32_t cursor) {
    std::lock_guard lock(state_->mutex);
    if (buffer_index >= state_->sound_buffers.size() ||
        !state_->sound_buffers[buffer_index].alive) {
        return;
    }
    const SoundBuffer* buffer = state_->sound_buffers[buffer_index].buffer;
    if (auto* found = static_cast<SoftSoundBuffer*>(state_->find(buffer, SOFT_SOUND_BUFFER))) {
        found->move_cursor_to(cursor);
    }
}

void SoftBackend::clear_logs() {
    std::lock_guard lock(state_->mutex);
    state_->blts.clear();
    for (auto& log : state_->heard) {
        log.clear();
    }
    for (auto& log : state_->written) {
        log.clear();
    }
}

DisplaySurface* SoftBackend::primary_surface() const {
    std::lock_guard lock(state_->mutex);
    for (auto object = state_->objects.rbegin(); object != state_->objects.rend(); ++object) {
        if ((*object)->kind() == SOFT_SURFACE && static_cast<SoftSurface*>(*object)->is_primary()) {
            return static_cast<SoftSurface*>(*object);
        }
    }
    return nullptr;
}

SoftSurfaceImage SoftBackend::surface_image(const DisplaySurface* surface) const {
    std::lock_guard lock(state_->mutex);
    const auto* found = static_cast<const SoftSurface*>(state_->find(surface, SOFT_SURFACE));
    return found != nullptr ? found->image() : SoftSurfaceImage{};
}

void SoftBackend::lose_surface(const DisplaySurface* surface) {
    std::lock_guard lock(state_->mutex);
    if (auto* found = static_cast<SoftSurface*>(state_->find(surface, SOFT_SURFACE))) {
        found->lose();
    }
}

void SoftBackend::lose_all_surfaces() {
    std::lock_guard lock(state_->mutex);
    for (SoftObject* object : state_->objects) {
        if (object->kind() == SOFT_SURFACE) {
            static_cast<SoftSurface*>(object)->lose();
        }
    }
}

ScopedSoftBackend::ScopedSoftBackend(const SoftBackendConfig& config)
    : SoftBackend(config), previous_(platform_installed_backend()) {
    platform_install_backend(this);
}

ScopedSoftBackend::~ScopedSoftBackend() {
    platform_install_backend(previous_);
}

}  // namespace qx
