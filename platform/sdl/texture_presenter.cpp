#include "platform/sdl/texture_presenter.h"

#include "platform/sdl/x11_connection_watch.h"

namespace qx {

TexturePresenter::TexturePresenter(SDL_Renderer* renderer) : renderer_(renderer) {}

// Guarded here, since Xlib's notice of a lost display cannot be thrown out of a destructor.
TexturePresenter::~TexturePresenter() {
    x11_guarded([this] {
        destroy_overlay_textures();
        if (texture_) {
            SDL_DestroyTexture(texture_);
        }
    });
}

void TexturePresenter::forget_output() {
    texture_ = nullptr;
    overlay_textures_.clear();
    renderer_ = nullptr;
}

void TexturePresenter::destroy_overlay_textures() {
    for (SDL_Texture* texture : overlay_textures_) {
        if (texture) {
            SDL_DestroyTexture(texture);
        }
    }
    overlay_textures_.clear();
}

void TexturePresenter::overlay_changed() {
    destroy_overlay_textures();
    if (!overlay()) {
        return;
    }
    for (const OverlayLayer& layer : *overlay()) {
        SDL_Texture* texture =
            SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC,
                              layer.place.w, layer.place.h);
        if (texture) {
            SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
            SDL_UpdateTexture(texture, nullptr, layer.argb.data(), layer.place.w * 4);
        }
        overlay_textures_.push_back(texture);
    }
}

void TexturePresenter::picture_rows_done() {
    if (texture_locked_) {
        SDL_UnlockTexture(texture_);
        texture_locked_ = false;
    }
}

bool TexturePresenter::make_texture(int width, int height) {
    if (texture_ && width == texture_width_ && height == texture_height_) {
        return true;
    }
    if (texture_) {
        SDL_DestroyTexture(texture_);
    }
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                 width, height);
    texture_width_ = texture_ ? width : 0;
    texture_height_ = texture_ ? height : 0;
    return texture_ != nullptr;
}

ScreenBuffer::PictureRows TexturePresenter::picture_rows() {
    void* texels = nullptr;
    int pitch = 0;
    if (!make_texture(screen()->mode().width, screen()->mode().height) ||
        SDL_LockTexture(texture_, nullptr, &texels, &pitch) != 0) {
        return {nullptr, 0};
    }
    texture_locked_ = true;
    return {static_cast<uint32_t*>(texels), pitch};
}

void TexturePresenter::draw() {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    if (!texture_) {
        return;
    }
    int out_width = 0;
    int out_height = 0;
    SDL_GetRendererOutputSize(renderer_, &out_width, &out_height);
    const SDL_Rect place = fit_rect(texture_width_, texture_height_, out_width, out_height);
    // Whole-number enlargements keep every pixel sharp; other sizes are smoothed.
    const bool whole_scale = place.w % texture_width_ == 0 && place.h % texture_height_ == 0;
    SDL_SetTextureScaleMode(texture_, whole_scale ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
    SDL_RenderCopy(renderer_, texture_, nullptr, &place);
    for (size_t i = 0; overlay() && i < overlay_textures_.size(); ++i) {
        if (overlay_textures_[i]) {
            SDL_RenderCopy(renderer_, overlay_textures_[i], nullptr, &(*overlay())[i].place);
        }
    }
}

void TexturePresenter::redraw() {
    if (!drawable()) {
        return;
    }
    draw();
    // Drawing only queued commands: presenting runs them, and asks the display for the
    // window's size first, so the display's going away meanwhile is looked for once more.
    if (drawable()) {
        SDL_RenderPresent(renderer_);
    }
}

bool TexturePresenter::read_pixels(std::vector<uint32_t>& pixels, int& width, int& height) {
    if (!drawable() || SDL_GetRendererOutputSize(renderer_, &width, &height) != 0 || width <= 0 ||
        height <= 0) {
        return false;
    }
    pixels.assign(static_cast<size_t>(width) * height, 0);
    draw();
    const bool read = SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_RGB888,
                                           pixels.data(), width * 4) == 0;
    SDL_RenderPresent(renderer_);
    for (uint32_t& pixel : pixels) {
        pixel &= 0xFFFFFF;
    }
    return read;
}

void TexturePresenter::renderer_reset() {
    if (!drawable()) {
        return;
    }
    if (texture_) {
        SDL_DestroyTexture(texture_);
        texture_ = nullptr;
    }
    // The lost texture held the only converted copy; the screen's frame buffer still has it.
    if (screen()) {
        screen()->show_again();
    }
    overlay_changed();
    redraw();
}

}  // namespace qx
