#pragma once
#include <SDL.h>

#include <vector>

#include "platform/sdl/sdl_presenter.h"

namespace qx {

// Presents through a renderer: each complete picture is converted straight into a streaming
// texture, which the renderer draws scaled. The way for renderers the graphics hardware runs.
class TexturePresenter final : public SdlPresenter {
  public:
    explicit TexturePresenter(SDL_Renderer* renderer);
    ~TexturePresenter() override;

    void redraw() override;
    bool read_pixels(std::vector<uint32_t>& pixels, int& width, int& height) override;
    void renderer_reset() override;

  private:
    ScreenBuffer::PictureRows picture_rows() override;
    void picture_rows_done() override;
    void show_new_picture() override { redraw(); }
    void forget_output() override;
    void overlay_changed() override;
    void destroy_overlay_textures();
    // A texture of the screen's size; false when none can be made.
    bool make_texture(int width, int height);
    void draw();

    SDL_Renderer* renderer_;
    SDL_Texture* texture_ = nullptr;
    int texture_width_ = 0;
    int texture_height_ = 0;
    bool texture_locked_ = false;
    std::vector<SDL_Texture*> overlay_textures_;  // one a layer of the overlay
};

}  // namespace qx
