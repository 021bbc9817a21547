#include "tools/qx/window/controls_painter.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qx {

namespace {

PlayControls bar_at_a_quarter() {
    PlayControls controls;
    controls.bar = true;
    controls.status.timed = true;
    controls.status.position_ms = 4000;
    controls.status.duration_ms = 16000;
    return controls;
}

uint32_t pixel(const OverlayLayer& layer, int x, int y) {
    return layer.argb[size_t(y) * layer.place.w + x];
}

// Whether any pixel of the rows from `top` to `bottom` of the layer is light: text.
bool has_light_pixels(const OverlayLayer& layer, int top, int bottom) {
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < layer.place.w; ++x) {
            if ((pixel(layer, x, y) & 0xFF) > 0xA0) {
                return true;
            }
        }
    }
    return false;
}

TEST(ControlsPainter, TheBarShowsThePlayedShareAndTextOnlyWithTheFont) {
    const ControlsLayout layout = controls_layout(640, 480);
    ControlsPainter painter;
    const WindowOverlay overlay = painter.paint(bar_at_a_quarter(), 640, 480);
    ASSERT_EQ(overlay.size(), 1u);
    const OverlayLayer& bar = overlay[0];
    EXPECT_EQ(bar.place.y, layout.bar.y);
    EXPECT_EQ(bar.place.w, 640);
    const int track_y = layout.track.y - layout.bar.y + 1;
    const int quarter = layout.track.x + layout.track.width / 4;
    EXPECT_EQ(pixel(bar, quarter - 3, track_y) >> 24, 0xFFu) << "played part is drawn opaque";
    EXPECT_NE(pixel(bar, quarter - 3, track_y), pixel(bar, quarter + 3, track_y));
    const int text_top = layout.text_top - layout.bar.y;
    EXPECT_TRUE(has_light_pixels(bar, text_top, bar.place.h)) << "no text: is the font there?";

    ControlsPainter without_font("/no/such/font.ttf");
    const WindowOverlay plain = without_font.paint(bar_at_a_quarter(), 640, 480);
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_FALSE(has_light_pixels(plain[0], text_top, plain[0].place.h));
    EXPECT_EQ(pixel(plain[0], quarter - 3, track_y), pixel(bar, quarter - 3, track_y));
}

TEST(ControlsPainter, NothingShownIsNothingDrawnAndBoxesStayInTheWindow) {
    ControlsPainter painter;
    EXPECT_TRUE(painter.paint(PlayControls{}, 640, 480).empty());
    PlayControls controls = bar_at_a_quarter();
    controls.message = "damaged data at 2,279,634: 97,864 bytes skipped";
    controls.panel = std::vector<std::string>(30, "a line of the help that is long enough");
    const WindowOverlay overlay = painter.paint(controls, 320, 200);
    ASSERT_EQ(overlay.size(), 3u);
    for (const OverlayLayer& layer : overlay) {
        EXPECT_GE(layer.place.x, 0);
        EXPECT_LE(layer.place.x + layer.place.w, 320);
        EXPECT_EQ(layer.argb.size(), size_t(layer.place.w) * layer.place.h);
    }
}

}  // namespace

}  // namespace qx
