#include "tools/qx/window/controls_painter.h"

#include <algorithm>
#include <memory>

namespace qx {

namespace {

constexpr uint32_t BAR_BACKGROUND = 0xB0101010;
constexpr uint32_t BOX_BACKGROUND = 0xC0101010;
constexpr uint32_t TRACK_COLOUR = 0xFF5A5A5A;
constexpr uint32_t PLAYED_COLOUR = 0xFFE8E8E8;
constexpr SDL_Colour TEXT_COLOUR{235, 235, 235, 255};

struct SurfaceFree {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePointer = std::unique_ptr<SDL_Surface, SurfaceFree>;

OverlayLayer filled_layer(SDL_Rect place, uint32_t argb) {
    OverlayLayer layer;
    layer.place = place;
    layer.argb.assign(static_cast<size_t>(std::max(place.w, 0)) * std::max(place.h, 0), argb);
    return layer;
}

// The layer's pixels as an SDL surface, for SDL's own filling and blending.
SurfacePointer layer_surface(OverlayLayer& layer) {
    return SurfacePointer(SDL_CreateRGBSurfaceWithFormatFrom(layer.argb.data(), layer.place.w,
                                                             layer.place.h, 32, layer.place.w * 4,
                                                             SDL_PIXELFORMAT_ARGB8888));
}

void fill(SDL_Surface* surface, const ControlsRect& rect, int32_t left, int32_t top,
          uint32_t argb) {
    const SDL_Rect place{rect.x - left, rect.y - top, rect.width, rect.height};
    SDL_FillRect(surface, &place, argb);
}

// Draws `text` with its left edge at x (or its right edge, when `from_right`), centred on the
// line at `top` of `line_height`.
void write(SDL_Surface* surface, TTF_Font* font, const std::string& text, int32_t x, int32_t top,
           int32_t line_height, bool from_right) {
    if (font == nullptr || text.empty()) {
        return;
    }
    SurfacePointer written(TTF_RenderUTF8_Blended(font, text.c_str(), TEXT_COLOUR));
    if (!written) {
        return;
    }
    SDL_SetSurfaceBlendMode(written.get(), SDL_BLENDMODE_BLEND);
    SDL_Rect place{from_right ? x - written->w : x, top + (line_height - written->h) / 2,
                   written->w, written->h};
    SDL_BlitSurface(written.get(), nullptr, surface, &place);
}

}  // namespace

ControlsPainter::ControlsPainter(std::string font_path) : font_path_(std::move(font_path)) {
    ttf_started_ = TTF_Init() == 0;
}

ControlsPainter::~ControlsPainter() {
    if (font_ != nullptr) {
        TTF_CloseFont(font_);
    }
    if (ttf_started_) {
        TTF_Quit();
    }
}

TTF_Font* ControlsPainter::font(int32_t pixels) {
    // Text too small to read is left out.
    if (!ttf_started_ || font_size_ < 0 || pixels < 6) {
        return nullptr;
    }
    if (font_ != nullptr && font_size_ == pixels) {
        return font_;
    }
    if (font_ != nullptr) {
        TTF_CloseFont(font_);
    }
    font_ = TTF_OpenFont(font_path_.c_str(), pixels);
    font_size_ = font_ != nullptr ? pixels : -1;
    return font_;
}

WindowOverlay ControlsPainter::paint(const PlayControls& controls, int32_t width, int32_t height) {
    WindowOverlay overlay;
    if (width <= 0 || height <= 0) {
        return overlay;
    }
    const ControlsLayout layout = controls_layout(width, height);
    if (controls.bar) {
        overlay.push_back(bar(controls, layout));
    }
    const int32_t line_height = layout.text_height + layout.margin / 2;
    if (!controls.panel.empty()) {
        // Lines close enough together for all of them to fit above the bar.
        const auto lines = static_cast<int32_t>(controls.panel.size());
        const int32_t panel_line = std::max(1, std::min(line_height, layout.bar.y / (lines + 1)));
        const int32_t top = std::max(0, (layout.bar.y - lines * panel_line) / 2);
        overlay.push_back(text_box(controls.panel, width / 2, top, panel_line, width));
    }
    if (!controls.message.empty()) {
        const int32_t above = controls.bar ? layout.bar.y : height;
        overlay.push_back(text_box({controls.message}, width / 2,
                                   std::max(0, above - line_height - layout.margin), line_height,
                                   width));
    }
    return overlay;
}

OverlayLayer ControlsPainter::bar(const PlayControls& controls, const ControlsLayout& layout) {
    const ControlsRect& area = layout.bar;
    OverlayLayer layer = filled_layer({area.x, area.y, area.width, area.height}, BAR_BACKGROUND);
    SurfacePointer surface = layer_surface(layer);
    if (!surface) {
        return layer;
    }
    ControlsRect played = layout.track;
    played.width = static_cast<int32_t>(layout.track.width * track_played(controls.status));
    fill(surface.get(), layout.track, area.x, area.y, TRACK_COLOUR);
    fill(surface.get(), played, area.x, area.y, PLAYED_COLOUR);
    TTF_Font* text_font = font(layout.text_height * 3 / 4);
    const int32_t text_top = layout.text_top - area.y;
    write(surface.get(), text_font, controls_time_text(controls), layout.margin, text_top,
          layout.text_height, false);
    write(surface.get(), text_font, controls_state_text(controls), area.width - layout.margin,
          text_top, layout.text_height, true);
    return layer;
}

OverlayLayer ControlsPainter::text_box(const std::vector<std::string>& lines, int32_t centre_x,
                                       int32_t top, int32_t line_height, int32_t window_width) {
    TTF_Font* text_font = font(line_height * 3 / 5);
    int32_t widest = line_height * 4;
    for (const std::string& line : lines) {
        int text_width = 0;
        if (text_font != nullptr &&
            TTF_SizeUTF8(text_font, line.c_str(), &text_width, nullptr) == 0) {
            widest = std::max(widest, text_width);
        }
    }
    const int32_t padding = line_height / 2;
    const int32_t box_width = std::min(widest + 2 * padding, window_width);
    const auto box_height = static_cast<int32_t>(lines.size()) * line_height + padding;
    OverlayLayer layer =
        filled_layer({centre_x - box_width / 2, top, box_width, box_height}, BOX_BACKGROUND);
    SurfacePointer surface = layer_surface(layer);
    for (size_t i = 0; surface && i < lines.size(); ++i) {
        write(surface.get(), text_font, lines[i], padding,
              padding / 2 + static_cast<int32_t>(i) * line_height, line_height, false);
    }
    return layer;
}

}  // namespace qx
