#include "tests/authoring/dct_round_trip.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "authoring/mnb_encoder.h"
#include "authoring/zle_encoder.h"
#include "codecs/dct/mnb_frame.h"
#include "codecs/dct/zle_frame.h"
#include "tests/codecs/dct/dct_test_support.h"

namespace qx {

namespace {

std::vector<uint8_t> widened_565(const std::vector<uint8_t>& picture) {
    std::vector<uint8_t> rgb(picture.size() / 2 * 3);
    for (size_t i = 0; i < picture.size() / 2; ++i) {
        const uint32_t p = picture[2 * i] | picture[2 * i + 1] << 8;
        const uint32_t red = p >> 11;
        const uint32_t green = (p >> 5) & 63;
        const uint32_t blue = p & 31;
        rgb[3 * i] = uint8_t(red << 3 | red >> 2);
        rgb[3 * i + 1] = uint8_t(green << 2 | green >> 4);
        rgb[3 * i + 2] = uint8_t(blue << 3 | blue >> 2);
    }
    return rgb;
}

}  // namespace

const char* dct_codec_name(DctCodec codec) {
    switch (codec) {
        case DctCodec::Mnb:
            return "Mnb";
        case DctCodec::ZleSummed:
            return "Zle";
        case DctCodec::ZleChannel:
            return "Zle channel";
    }
    return "?";
}

namespace {

std::vector<uint8_t> encoded_payload(DctCodec codec, const ColourPicture& picture,
                                     int32_t quality) {
    const RgbPicture source{picture.width, picture.height, picture.rgb.data()};
    if (codec == DctCodec::Mnb) {
        return MnbEncoder(quality).encode(source);
    }
    ZleEncoder encoder({quality, codec == DctCodec::ZleChannel, true});
    return encoder.encode(source);
}

// The player's decoder on `payload`, into pixels of `pixel_bytes` through `tables`; the
// decoder's result.
int32_t decode_payload(DctCodec codec, const std::vector<uint8_t>& payload,
                       const ColourPicture& picture, const ColourTables& tables,
                       int32_t pixel_bytes, std::vector<uint8_t>& draw) {
    DctHeader header{};
    DctDecoder decoder;
    draw.assign(size_t(picture.width) * picture.height * pixel_bytes, 0);
    const DctFrame frame{picture.width, picture.height, pixel_bytes, draw.size()};
    const std::vector<uint8_t> reference(draw.size(), 0);
    if (codec == DctCodec::Mnb) {
        mnb_read_header(payload.data(), uint32_t(payload.size()), header);
        mnb_build_dequant_table(decoder.dequant_table, header.quality);
        return mnb_decode_picture(decoder, tables, frame, payload.data() + 8,
                                  uint32_t(payload.size() - 8), draw.data());
    }
    zle_read_header(payload.data(), uint32_t(payload.size()), header);
    zle_build_dequant_table(decoder.dequant_table, header.quality);
    const ZleFrameFlags flags = zle_frame_flags(header);
    return zle_decode_picture(decoder, tables, frame, flags, payload.data() + 8,
                              uint32_t(payload.size() - 8), draw.data(), reference.data());
}

}  // namespace

DctRoundTrip dct_round_trip(DctCodec codec, const ColourPicture& picture, int32_t quality,
                            bool true_colour) {
    const std::vector<uint8_t> payload = encoded_payload(codec, picture, quality);
    const auto tables = dct_test_tables(true_colour ? 24 : 16);
    std::vector<uint8_t> draw;
    DctRoundTrip trip;
    trip.result = decode_payload(codec, payload, picture, *tables, true_colour ? 4 : 2, draw);
    if (true_colour) {
        for (size_t i = 0; i < draw.size(); i += 4) {
            trip.shown.insert(trip.shown.end(), {draw[i + 2], draw[i + 1], draw[i]});
        }
    } else {
        trip.shown = widened_565(draw);
    }
    trip.payload_bytes = payload.size();
    return trip;
}

ShownDctFrame shown_frame(DctCodec codec, const ColourPicture& picture, int32_t quality) {
    return show_dct_frame(codec == DctCodec::Mnb ? DctFormat::Mnb : DctFormat::Zle,
                          encoded_payload(codec, picture, quality));
}

double picture_psnr(const ColourPicture& picture, const std::vector<uint8_t>& shown) {
    double squared = 0;
    for (size_t i = 0; i < picture.rgb.size(); ++i) {
        const double d = double(picture.rgb[i]) - double(shown[i]);
        squared += d * d;
    }
    const double mse = squared / double(picture.rgb.size());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

int64_t speckles(const ColourPicture& picture, const std::vector<uint8_t>& shown) {
    int64_t count = 0;
    for (size_t i = 0; i < picture.rgb.size(); i += 3) {
        for (size_t c = 0; c < 3; ++c) {
            if (std::abs(int(picture.rgb[i + c]) - int(shown[i + c])) > 64) {
                ++count;
                break;
            }
        }
    }
    return count;
}

double bits_per_pixel(const ColourPicture& picture, size_t payload_bytes) {
    return 8.0 * double(payload_bytes) / (double(picture.width) * picture.height);
}

}  // namespace qx
