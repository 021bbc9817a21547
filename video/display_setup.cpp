#include "video/display_setup.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <utility>

#include "base/memory.h"
#include "codecs/rkd/rkd_buffers.h"
#include "video/colour_tables.h"
#include "video/work_surfaces.h"

namespace qx {

namespace {

// Bits 0 to 30 only: a mask reaching into bit 31 does not count it.
int32_t component_bits(uint32_t mask) {
    return std::popcount(mask & 0x7FFFFFFFu);
}

int32_t component_shift(uint32_t mask) {
    return mask == 0 ? 0 : std::countr_zero(mask);
}

bool component_bits_usable(int32_t bits) {
    return bits >= 1 && bits <= 8;
}

// The colour tables shift by these fields; outside these ranges the shifts are undefined.
bool component_fields_in_range(const DisplayTarget& target) {
    const int32_t bits[] = {*target.red_bits, *target.green_bits, *target.blue_bits};
    const int32_t shifts[] = {*target.red_shift, *target.green_shift, *target.blue_shift};
    for (int i = 0; i < 3; ++i) {
        if (bits[i] < 0 || bits[i] > 8 || shifts[i] < 0 || shifts[i] > 31) {
            return false;
        }
    }
    return true;
}

void clear_component_fields(const DisplayTarget& target) {
    *target.red_bits = *target.green_bits = *target.blue_bits = 0;
    *target.red_shift = *target.green_shift = *target.blue_shift = 0;
}

void read_display_size(VideoOutput& video, DisplaySurface& primary) {
    SurfaceDesc desc{};
    if (primary.get_surface_desc(desc) == PLATFORM_OK) {
        video.display_width = static_cast<int32_t>(std::min<uint32_t>(desc.width, INT32_MAX));
        video.display_height = static_cast<int32_t>(std::min<uint32_t>(desc.height, INT32_MAX));
    }
}

void create_palettes(VideoOutput& video) {
    const DisplayTarget& target = video.target;
    std::memset(video.primary_palette_entries, 0, sizeof video.primary_palette_entries);
    std::memset(video.back_palette_entries, 0, sizeof video.back_palette_entries);
    Display* display = *target.display;
    if (display == nullptr) {
        return;
    }
    constexpr uint32_t flags = PALETTE_8BIT | PALETTE_ALLOW_256;
    display->create_palette(flags, video.primary_palette_entries, &video.primary_palette);
    display->create_palette(flags, video.back_palette_entries, &video.back_palette);
    if (video.primary_palette != nullptr) {
        (*target.primary_surface)->set_palette(video.primary_palette);
    }
    if (video.back_palette != nullptr && *target.back_surface != nullptr) {
        (*target.back_surface)->set_palette(video.back_palette);
    }
}

void release_palette(DisplayPalette*& palette) {
    if (palette != nullptr) {
        palette->release();
        palette = nullptr;
    }
}

}  // namespace

bool set_display_pixel_format(const DisplayTarget& target, const PixelFormat& format) {
    if (format.rgb_bit_count == 8) {
        *target.colour_bits = 8;
        return true;
    }
    *target.red_bits = component_bits(format.red_mask);
    *target.green_bits = component_bits(format.green_mask);
    *target.blue_bits = component_bits(format.blue_mask);
    *target.red_shift = component_shift(format.red_mask);
    *target.green_shift = component_shift(format.green_mask);
    *target.blue_shift = component_shift(format.blue_mask);
    *target.colour_bits = *target.red_bits + *target.green_bits + *target.blue_bits;
    *target.rgb_mask = format.red_mask | format.green_mask | format.blue_mask;
    return component_bits_usable(*target.red_bits) && component_bits_usable(*target.green_bits) &&
           component_bits_usable(*target.blue_bits);
}

void setup_display(VideoOutput& video) {
    const DisplayTarget& target = video.target;
    if (*target.audio_only) {
        return;
    }
    *target.draw_surface = nullptr;
    *target.reference_surface = nullptr;
    bool usable = true;
    // Without a primary surface nothing can be learnt: the fields stay as the application set
    // them, frames are still decoded, and nothing is presented.
    DisplaySurface* primary = *target.primary_surface;
    if (!target.options.app_buffers && primary != nullptr) {
        read_display_size(video, *primary);
        PixelFormat format{};
        primary->get_pixel_format(format);
        usable = set_display_pixel_format(target, format);
        if (*target.colour_bits == 8) {
            create_palettes(video);
        }
    }
    if (!component_fields_in_range(target)) {
        clear_component_fields(target);
        usable = usable && *target.colour_bits == 8;
    }
    // A refused format keeps the movie playing, without pictures.
    video.display_unsupported = usable ? 0 : 1;
    if (!target.options.keep_brightness) {
        *target.brightness = 100;
    }
    build_colour_tables(video);
    video.display_ready = 1;
}

void swap_work_surfaces(VideoOutput& video) {
    const DisplayTarget& target = video.target;
    std::swap(*target.draw_surface, *target.reference_surface);
    std::swap(video.packed_draw, video.packed_reference);
    if (target.options.app_buffers) {
        std::swap(*target.draw_buffer, *target.reference_buffer);
    }
}

void release_display(VideoOutput& video) {
    if (!video.display_ready) {
        return;
    }
    release_work_surfaces(video);
    rkd_release_buffers(video.rkd);
    // The surfaces they are attached to keep their own references to the palettes.
    release_palette(video.primary_palette);
    release_palette(video.back_palette);
    video.display_ready = 0;
}

}  // namespace qx
