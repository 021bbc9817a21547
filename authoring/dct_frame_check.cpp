#include "authoring/dct_frame_check.h"

#include <memory>

#include "authoring/dct_shown.h"
#include "codecs/dct/mnb_frame.h"
#include "codecs/dct/zle_frame.h"

namespace qx {

namespace {

// Tables whose sums keep the three 7-bit sample indexes apart, one byte each: decoded through
// them, a frame gives the samples each pixel was converted from.
std::unique_ptr<ColourTables> sample_probe_tables() {
    auto probe = std::make_unique<ColourTables>();
    for (uint32_t i = 0; i < 128; ++i) {
        probe->luma_table[i] = i;
        probe->cb_table[i] = i << 8;
        probe->cr_table[i] = i << 16;
    }
    return probe;
}

int32_t decode_frame(DctFormat format, const std::vector<uint8_t>& payload,
                     const ColourTables& tables, int32_t pixel_bytes, std::vector<uint8_t>& draw,
                     DctHeader& header) {
    DctDecoder decoder;
    if (format == DctFormat::Mnb) {
        mnb_read_header(payload.data(), uint32_t(payload.size()), header);
        mnb_build_dequant_table(decoder.dequant_table, header.quality);
    } else {
        zle_read_header(payload.data(), uint32_t(payload.size()), header);
        zle_build_dequant_table(decoder.dequant_table, header.quality);
    }
    if (payload.size() < 8 || header.width <= 0 || header.height <= 0) {
        return DCT_BAD_SIZE;
    }
    draw.assign(size_t(header.width) * size_t(header.height) * size_t(pixel_bytes), 0);
    const DctFrame frame{header.width, header.height, pixel_bytes, draw.size()};
    const auto body_bytes = uint32_t(payload.size() - 8);
    if (format == DctFormat::Mnb) {
        return mnb_decode_picture(decoder, tables, frame, payload.data() + 8, body_bytes,
                                  draw.data());
    }
    const std::vector<uint8_t> reference(draw.size(), 0);
    return zle_decode_picture(decoder, tables, frame, zle_frame_flags(header), payload.data() + 8,
                              body_bytes, draw.data(), reference.data());
}

}  // namespace

ShownDctFrame show_dct_frame(DctFormat format, const std::vector<uint8_t>& payload) {
    ShownDctFrame shown;
    DctHeader header{};
    std::vector<uint8_t> draw;
    shown.result = decode_frame(format, payload, shown_colour_tables(), 2, draw, header);
    if (shown.result != DCT_DECODED) {
        return shown;
    }
    const size_t pixels = draw.size() / 2;
    shown.rgb.resize(pixels * 3);
    for (size_t i = 0; i < pixels; ++i) {
        widen_565(uint32_t(draw[2 * i]) | uint32_t(draw[2 * i + 1]) << 8, &shown.rgb[3 * i]);
    }
    const bool channel = format == DctFormat::Zle && zle_frame_flags(header).channel_conversion;
    std::vector<uint8_t> samples;
    if (channel ||
        decode_frame(format, payload, *sample_probe_tables(), 4, samples, header) != DCT_DECODED) {
        return shown;
    }
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* indexes = &samples[4 * i];
        shown.wrapped +=
            summed_shows_wrapped(indexes[0], indexes[1], indexes[2], &shown.rgb[3 * i]) ? 1 : 0;
    }
    return shown;
}

}  // namespace qx
