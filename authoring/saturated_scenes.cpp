#include "authoring/saturated_scenes.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qx {

namespace {

using Rgb = std::array<uint8_t, 3>;

constexpr Rgb WHITE{255, 255, 255};
constexpr Rgb BLACK{0, 0, 0};
constexpr Rgb YELLOW{255, 255, 0};
constexpr Rgb GREEN{0, 200, 0};
constexpr Rgb RED{230, 0, 0};
constexpr Rgb BLUE{0, 0, 230};
constexpr Rgb MAGENTA{255, 0, 255};
constexpr Rgb CYAN{0, 255, 255};
constexpr Rgb PURPLE{117, 0, 137};

// Drawing in the coordinates of a 320 x 240 layout.
class Canvas {
  public:
    Canvas(int32_t width, int32_t height, const Rgb& ground)
        : width_(width),
          height_(height),
          scale_x_(width / 320.0),
          scale_y_(height / 240.0),
          rgb_(size_t(width) * size_t(height) * 3) {
        fill_rect(0, 0, 320, 240, ground);
    }

    void fill_rect(double x, double y, double w, double h, const Rgb& colour) {
        const auto left = int32_t(std::lround(x * scale_x_));
        const auto top = int32_t(std::lround(y * scale_y_));
        const auto right = std::max(left + 1, int32_t(std::lround((x + w) * scale_x_)));
        const auto bottom = std::max(top + 1, int32_t(std::lround((y + h) * scale_y_)));
        for (int32_t row = std::max(0, top); row < std::min(bottom, height_); ++row) {
            for (int32_t column = std::max(0, left); column < std::min(right, width_); ++column) {
                put(column, row, colour);
            }
        }
    }

    void disc(double cx, double cy, double radius, const Rgb& colour) {
        for (int32_t y = 0; y < height_; ++y) {
            for (int32_t x = 0; x < width_; ++x) {
                if (std::hypot((x + 0.5) / scale_x_ - cx, (y + 0.5) / scale_y_ - cy) <= radius) {
                    put(x, y, colour);
                }
            }
        }
    }

    // `cells` glyphs of `size` by twice that, strokes a fifth of `size` wide: the seven
    // segments of a digit display, chosen for each cell from a fixed sequence.
    void text(double x, double y, int32_t cells, double size, const Rgb& colour) {
        const double stroke = std::max(1.0, size / 5);
        const double w = size - 2 * stroke;
        uint32_t seed = 0x9E3779B9u ^ uint32_t(x * 131 + y * 7 + size);
        for (int32_t cell = 0; cell < cells; ++cell) {
            seed = seed * 1664525u + 1013904223u;
            const uint32_t segments = (seed >> 8) | 1;  // never an empty glyph
            const double left = x + cell * size;
            const double rects[7][4] = {{left, y, w, stroke},
                                        {left, y + w, w, stroke},
                                        {left, y + 2 * w, w, stroke},
                                        {left, y, stroke, w},
                                        {left + w - stroke, y, stroke, w},
                                        {left, y + w, stroke, w},
                                        {left + w - stroke, y + w, stroke, w + stroke}};
            for (int32_t s = 0; s < 7; ++s) {
                if ((segments >> s) & 1) {
                    fill_rect(rects[s][0], rects[s][1], rects[s][2], rects[s][3], colour);
                }
            }
        }
    }

    std::vector<uint8_t> take() { return std::move(rgb_); }

  private:
    void put(int32_t x, int32_t y, const Rgb& colour) {
        std::copy(colour.begin(), colour.end(), &rgb_[3 * (size_t(y) * size_t(width_) + x)]);
    }

    int32_t width_;
    int32_t height_;
    double scale_x_;
    double scale_y_;
    std::vector<uint8_t> rgb_;
};

}  // namespace

std::vector<uint8_t> saturated_logo(int32_t width, int32_t height) {
    Canvas canvas(width, height, PURPLE);
    canvas.disc(70, 90, 60.5, RED);
    canvas.disc(70, 90, 45.5, PURPLE);
    canvas.disc(70, 90, 20.5, CYAN);
    canvas.text(140, 30, 17, 10, WHITE);
    canvas.text(140, 60, 13, 13, YELLOW);
    canvas.text(140, 100, 22, 8, CYAN);
    canvas.fill_rect(0, 170, 320, 50, YELLOW);
    canvas.text(8, 178, 30, 10, BLACK);
    canvas.text(8, 202, 50, 6, BLUE);
    return canvas.take();
}

std::vector<uint8_t> white_text_on_colour(int32_t width, int32_t height) {
    Canvas canvas(width, height, BLACK);
    const Rgb grounds[] = {RED, BLUE, PURPLE, GREEN, MAGENTA, BLACK};
    for (int32_t band = 0; band < 6; ++band) {
        canvas.fill_rect(0, band * 40, 320, 40, grounds[band]);
        canvas.text(5 + band, band * 40 + 4, 30, 10, WHITE);
        canvas.text(3, band * 40 + 25, 50, 6, WHITE);
    }
    return canvas.take();
}

std::vector<uint8_t> yellow_discs_on_green(int32_t width, int32_t height) {
    Canvas canvas(width, height, GREEN);
    canvas.disc(100, 120, 70.3, YELLOW);
    canvas.disc(230, 60, 25.7, YELLOW);
    canvas.disc(250, 170, 9.4, YELLOW);
    canvas.disc(285, 200, 3.2, YELLOW);
    return canvas.take();
}

}  // namespace qx
