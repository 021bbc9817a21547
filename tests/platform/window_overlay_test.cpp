#include "platform/sdl/window_overlay.h"

#include <gtest/gtest.h>

namespace qx {

namespace {

// A layer hanging over the window's right and bottom edges: opaque, half and clear pixels
// blend as their alpha says, and nothing is written outside the window.
TEST(WindowOverlay, LayersBlendByTheirAlphaAndAreClippedToTheWindow) {
    std::vector<uint32_t> window(4 * 3 + 1, 0x00204060);
    const uint32_t guard = window.back() = 0xDEADBEEF;
    OverlayLayer layer;
    layer.place = {2, 1, 3, 3};
    layer.argb = {0xFFFFFFFF, 0x80FF0000, 0x12345678, 0x00FFFFFF, 0xFF000000,
                  0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000};
    blend_overlay_layer(layer, {window.data(), 4, 3, 16});
    EXPECT_EQ(window[1 * 4 + 2], 0x00FFFFFFu);
    EXPECT_EQ(window[1 * 4 + 3], 0x00902030u);  // (255 * 128 + 32 * 127 + 127) / 255 = 144
    EXPECT_EQ(window[2 * 4 + 2], 0x00204060u);
    EXPECT_EQ(window[2 * 4 + 3], 0x00000000u);
    EXPECT_EQ(window[0 * 4 + 2], 0x00204060u);
    EXPECT_EQ(window.back(), guard);
}

}  // namespace

}  // namespace qx
