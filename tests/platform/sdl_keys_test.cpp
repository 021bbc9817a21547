#include <gtest/gtest.h>

#include "platform/sdl/sdl_keys.h"
#include "platform/window.h"

namespace qx {

TEST(SdlKeys, HostKeysGetTheirVirtualKeyCodes) {
    EXPECT_EQ(virtual_key_from_sdl(SDLK_LSHIFT), 16u);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_RSHIFT), 16u);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_ESCAPE), 27u);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_SPACE), 32u);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_KP_PLUS), 107u);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_KP_MINUS), 109u);
}

TEST(SdlKeys, RunsOfLettersDigitsKeypadAndFunctionKeys) {
    EXPECT_EQ(virtual_key_from_sdl(SDLK_a), 0x41u);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_q), 0x51u);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_z), 0x5Au);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_0), 0x30u);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_9), 0x39u);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_KP_0), 0x60u);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_KP_1), 0x61u);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_KP_9), 0x69u);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_F1), 0x70u);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_F12), 0x7Bu);
}

TEST(SdlKeys, MainKeyboardPlusAndMinusDifferFromTheKeypad) {
    EXPECT_EQ(virtual_key_from_sdl(SDLK_EQUALS), KEY_PLUS);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_PLUS), KEY_PLUS);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_MINUS), KEY_MINUS);
    EXPECT_EQ(virtual_key_from_sdl(SDLK_CAPSLOCK), 0u);
}

}  // namespace qx
