#include "video/display_setup.h"

#include "codecs/rkd/rkd_buffers.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <utility>

#include "base/memory.h"
#include "codecs/rkd/rkd_buffers.h"
#include "video/colour_tables.h"
#include "video/work_surfaces.h"

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
bool component_fields_in_range(const PlayParams& params) {
    const int32_t bits[] = {params.red_bits, params.green_bits, params.blue_bits};
    const int32_t shifts[] = {params.red_shift, params.green_shift, params.blue_shift};
    for (int i = 0; i < 3; ++i) {
        if (bits[i] < 0 || bits[i] > 8 || shifts[i] < 0 || shifts[i] > 31) {
            return false;
        }
    }
    return true;
}

void clear_component_fields(PlayParams& params) {
    params.red_bits = params.green_bits = params.blue_bits = 0;
    params.red_shift = params.green_shift = params.blue_shift = 0;
}

void read_display_size(PlayerContext& context, DisplaySurface& primary) {
    SurfaceDesc desc{};
    if (primary.get_surface_desc(desc) == PLATFORM_OK) {
        context.video.display_width =
            static_cast<int32_t>(std::min<uint32_t>(desc.width, INT32_MAX));
        context.video.display_height =
            static_cast<int32_t>(std::min<uint32_t>(desc.height, INT32_MAX));
    }
}

void create_palettes(PlayerContext& context) {
    PlayParams& params = *context.params;
    std::memset(context.video.primary_palette_entries, 0,
                sizeof context.video.primary_palette_entries);
    std::memset(context.video.back_palette_entries, 0, sizeof context.video.back_palette_entries);
    if (params.display == nullptr) {
        return;
    }
    constexpr uint32_t flags = PALETTE_8BIT | PALETTE_ALLOW_256;
    params.display->create_palette(flags, context.video.primary_palette_entries,
                                   &context.video.primary_palette);
    params.display->create_palette(flags, context.video.back_palette_entries,
                                   &context.video.back_palette);
    if (context.video.primary_palette != nullptr) {
        params.primary_surface->set_palette(context.video.primary_palette);
    }
    if (context.video.back_palette != nullptr && params.back_surface != nullptr) {
        params.back_surface->set_palette(context.video.back_palette);
    }
}

void release_palette(DisplayPalette*& palette) {
    if (palette != nullptr) {
        palette->release();
        palette = nullptr;
    }
}

}  // namespace

bool set_display_pixel_format(PlayParams& params, const PixelFormat& format) {
    if (format.rgb_bit_count == 8) {
        params.colour_bits = 8;
        return true;
    }
    params.red_bits = component_bits(format.red_mask);
    params.green_bits = component_bits(format.green_mask);
    params.blue_bits = component_bits(format.blue_mask);
    params.red_shift = component_shift(format.red_mask);
    params.green_shift = component_shift(format.green_mask);
    params.blue_shift = component_shift(format.blue_mask);
    params.colour_bits = params.red_bits + params.green_bits + params.blue_bits;
    params.rgb_mask = format.red_mask | format.green_mask | format.blue_mask;
    return component_bits_usable(params.red_bits) && component_bits_usable(params.green_bits) &&
           component_bits_usable(params.blue_bits);
}

void setup_display(PlayerContext& context) {
    PlayParams& params = *context.params;
    if (params.audio_only) {
        return;
    }
    params.draw_surface = nullptr;
    params.reference_surface = nullptr;
    bool usable = true;
    // Without a primary surface nothing can be learnt: the fields stay as the application set
    // them, frames are still decoded, and nothing is presented.
    if (!(params.flags & PLAY_APP_BUFFERS) && params.primary_surface != nullptr) {
        read_display_size(context, *params.primary_surface);
        PixelFormat format{};
        params.primary_surface->get_pixel_format(format);
        usable = set_display_pixel_format(params, format);
        if (params.colour_bits == 8) {
            create_palettes(context);
        }
    }
    if (!component_fields_in_range(params)) {
        clear_component_fields(params);
        usable = usable && params.colour_bits == 8;
    }
    // A refused format keeps the movie playing, without pictures.
    context.video.display_unsupported = usable ? 0 : 1;
    if (!(params.flags & PLAY_KEEP_BRIGHTNESS)) {
        params.brightness = 100;
    }
    build_colour_tables(context);
    context.video.display_ready = 1;
}

void swap_work_surfaces(PlayerContext& context) {
    PlayParams& params = *context.params;
    std::swap(params.draw_surface, params.reference_surface);
    std::swap(context.video.packed_draw, context.video.packed_reference);
    if (params.flags & PLAY_APP_BUFFERS) {
        std::swap(params.draw_buffer, params.reference_buffer);
    }
}

void release_display(PlayerContext& context) {
    if (!context.video.display_ready) {
        return;
    }
    release_work_surfaces(context);
    rkd_release_buffers(context.rkd);
    // The surfaces they are attached to keep their own references to the palettes.
    release_palette(context.video.primary_palette);
    release_palette(context.video.back_palette);
    context.video.display_ready = 0;
}
