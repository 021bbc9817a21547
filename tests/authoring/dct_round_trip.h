#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "authoring/dct_frame_check.h"
#include "tests/authoring/colour_pictures.h"

namespace qx {

// The DCT encoders as a user runs them: the picture encoded, decoded by the player's own
// decoders on a 5-6-5 display, and widened to 8 bits as `qx export` and the screen do (bits
// repeated, so that full intensity is 255).
enum class DctCodec { Mnb, ZleSummed, ZleChannel };

const char* dct_codec_name(DctCodec codec);

struct DctRoundTrip {
    std::vector<uint8_t> shown;  // RGB
    size_t payload_bytes = 0;
    int32_t result = -1;  // the decoder's DctResult
};

// `true_colour` decodes on a display of 8 bits a component (4-byte pixels) instead.
DctRoundTrip dct_round_trip(DctCodec codec, const ColourPicture& picture, int32_t quality,
                            bool true_colour = false);

// A summed-table encode (Mnb, Zle) as the player shows it, with its pixels that show a colour
// wrapped to the far side of a channel (authoring/dct_frame_check.h).
ShownDctFrame shown_frame(DctCodec codec, const ColourPicture& picture, int32_t quality);

// PSNR in dB of `shown` against the picture (99 for identical pictures).
double picture_psnr(const ColourPicture& picture, const std::vector<uint8_t>& shown);
// Pixels with a channel more than 64 levels off: speckles of a wrong colour.
int64_t speckles(const ColourPicture& picture, const std::vector<uint8_t>& shown);
double bits_per_pixel(const ColourPicture& picture, size_t payload_bytes);

}  // namespace qx
