#pragma once
#include <gtest/gtest.h>

#include <cstring>

#include "platform/soft/soft_backend.h"

namespace qx {

inline SurfaceDesc offscreen_desc(uint32_t width, uint32_t height, uint32_t caps) {
    SurfaceDesc desc;
    desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_HEIGHT | SURFACE_DESC_WIDTH;
    desc.width = width;
    desc.height = height;
    desc.caps = caps;
    return desc;
}

inline SurfaceDesc flipping_primary_desc() {
    SurfaceDesc desc;
    desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_BACK_BUFFER_COUNT;
    desc.back_buffer_count = 1;
    desc.caps = SURFACE_PRIMARY | SURFACE_FLIP | SURFACE_COMPLEX;
    return desc;
}

// A display with its primary surface, made through the installed backend as the host does.
class SoftDisplayTest : public ::testing::Test {
  protected:
    explicit SoftDisplayTest(const SoftBackendConfig& config = {}) : soft_(config) {}

    void SetUp() override {
        ASSERT_EQ(display_create(&display_), PLATFORM_OK);
        SurfaceDesc desc;
        desc.flags = SURFACE_DESC_CAPS;
        desc.caps = SURFACE_PRIMARY;
        ASSERT_EQ(display_->create_surface(desc, &primary_), PLATFORM_OK);
    }

    void TearDown() override {
        if (display_ != nullptr) {
            display_->release();
        }
    }

    DisplaySurface* offscreen(uint32_t width, uint32_t height) {
        DisplaySurface* surface = nullptr;
        EXPECT_EQ(display_->create_surface(offscreen_desc(width, height, SURFACE_OFFSCREEN_PLAIN),
                                           &surface),
                  PLATFORM_OK);
        return surface;
    }

    // Writes pixel value x + 16 * y (16-bit) everywhere, through a lock as a decoder does.
    static void paint_coordinates(DisplaySurface* surface) {
        SurfaceDesc desc;
        ASSERT_EQ(surface->lock(nullptr, desc, LOCK_WAIT), PLATFORM_OK);
        for (uint32_t y = 0; y < desc.height; ++y) {
            auto* row = static_cast<uint8_t*>(desc.memory) + static_cast<size_t>(y) * desc.pitch;
            for (uint32_t x = 0; x < desc.width; ++x) {
                const auto value = static_cast<uint16_t>(x + 16 * y);
                std::memcpy(row + 2 * x, &value, 2);
            }
        }
        ASSERT_EQ(surface->unlock(nullptr), PLATFORM_OK);
    }

    ScopedSoftBackend soft_;
    Display* display_ = nullptr;
    DisplaySurface* primary_ = nullptr;
};

}  // namespace qx
