#include "tools/qx/encode_video.h"

#include <span>

#include "authoring/dct_shown.h"
#include "authoring/mnb_encoder.h"
#include "authoring/rkd_encoder.h"
#include "authoring/zle_encoder.h"
#include "codecs/dct/mnb_frame.h"
#include "codecs/dct/zle_frame.h"

namespace qx {

namespace {

constexpr int32_t DCT_LARGEST_SIDE = 32767;
constexpr int32_t RKD_LARGEST_SIDE = 65535;

class RkdTrack : public VideoTrackEncoder {
  public:
    RkdTrack(int32_t quality, int32_t width, int32_t height)
        : encoder_(options(quality)), width_(width), height_(height) {}

    bool encode(const std::vector<uint8_t>& rgb, EncodedFrame& frame, std::vector<uint8_t>& shown,
                std::string& error) override {
        std::optional<RkdChunk> chunk = encoder_.encode_rgb(width_, height_, rgb);
        if (!chunk) {
            error = "the Rkd encoder cannot take this picture";
            return false;
        }
        frame.tag = &chunk->tag();
        frame.payload = std::move(chunk->payload);
        const std::vector<uint8_t>& indices = encoder_.reconstruction();
        const auto& palette = encoder_.palette().rgb;
        shown.resize(indices.size() * 3);
        for (size_t i = 0; i < indices.size(); ++i) {
            for (size_t c = 0; c < 3; ++c) {
                shown[3 * i + c] = palette[3 * size_t(indices[i]) + c];
            }
        }
        return true;
    }

  private:
    // Below quality 100 a 4 x 4 block may be shown with a summed squared RGB error that grows
    // with the square of the distance from 100; at 100 every block is exact to the palette.
    static RkdEncoderOptions options(int32_t quality) {
        RkdEncoderOptions options;
        const int32_t loss = 100 - quality;
        options.blocks.max_block_error = loss * loss;
        return options;
    }

    RkdEncoder encoder_;
    int32_t width_;
    int32_t height_;
};

// Decodes what the DCT encoders made on a 5-6-5 display, the one the player's DCT formats are
// drawn on, and widens it as the screen shows it.
class DctShownPicture {
  public:
    DctShownPicture(int32_t width, int32_t height)
        : draw_(size_t(width) * height * 2, 0), reference_(draw_.size(), 0) {}

    bool decode_mnb(const std::vector<uint8_t>& payload) {
        DctHeader header{};
        mnb_read_header(payload.data(), uint32_t(payload.size()), header);
        mnb_build_dequant_table(decoder_->dequant_table, header.quality);
        return mnb_decode_picture(*decoder_, shown_colour_tables(),
                                  dct_frame_of(header, false, draw_.size()), payload.data() + 8,
                                  uint32_t(payload.size() - 8), draw_.data()) == DCT_DECODED;
    }

    // Copied macroblocks come from the previous picture, so the two are exchanged as a player
    // exchanges its work surfaces; `shown` then reads the picture just decoded.
    bool decode_zle(const std::vector<uint8_t>& payload) {
        std::swap(draw_, reference_);
        DctHeader header{};
        zle_read_header(payload.data(), uint32_t(payload.size()), header);
        zle_build_dequant_table(decoder_->dequant_table, header.quality);
        const ZleFrameFlags flags = zle_frame_flags(header);
        return zle_decode_picture(*decoder_, shown_colour_tables(),
                                  dct_frame_of(header, false, draw_.size()), flags,
                                  payload.data() + 8, uint32_t(payload.size() - 8), draw_.data(),
                                  reference_.data()) == DCT_DECODED;
    }

    void shown(std::vector<uint8_t>& rgb) const {
        const size_t pixels = draw_.size() / 2;
        rgb.resize(pixels * 3);
        for (size_t i = 0; i < pixels; ++i) {
            widen_565(draw_[2 * i] | uint32_t(draw_[2 * i + 1]) << 8, &rgb[3 * i]);
        }
    }

  private:
    std::unique_ptr<DctDecoder> decoder_ = std::make_unique<DctDecoder>();
    std::vector<uint8_t> draw_;
    std::vector<uint8_t> reference_;
};

// Mnb or Zle: the encoder, then the player's own decoder to see what it made.
class DctTrack : public VideoTrackEncoder {
  public:
    DctTrack(VideoFormat format, int32_t quality, int32_t width, int32_t height)
        : width_(width), height_(height), decoded_(width, height) {
        if (format == VideoFormat::Mnb) {
            mnb_ = std::make_unique<MnbEncoder>(quality);
        } else {
            zle_ = std::make_unique<ZleEncoder>(ZleEncoderOptions{.quality = quality});
        }
    }

    bool encode(const std::vector<uint8_t>& rgb, EncodedFrame& frame, std::vector<uint8_t>& shown,
                std::string& error) override {
        const RgbPicture picture{width_, height_, rgb.data()};
        bool decoded = false;
        if (mnb_) {
            frame.tag = &MNB_CHUNK_TAG;
            frame.payload = mnb_->encode(picture);
            decoded = decoded_.decode_mnb(frame.payload);
        } else {
            frame.tag = &ZLE_CHUNK_TAG;
            frame.payload = zle_->encode(picture);
            decoded = decoded_.decode_zle(frame.payload);
        }
        if (!decoded) {
            error = "an encoded frame does not decode";
            return false;
        }
        decoded_.shown(shown);
        return true;
    }

  private:
    std::unique_ptr<MnbEncoder> mnb_;
    std::unique_ptr<ZleEncoder> zle_;
    int32_t width_;
    int32_t height_;
    DctShownPicture decoded_;
};

std::string size_text(int32_t width, int32_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

bool video_format_named(const std::string& name, VideoFormat& format) {
    if (name == "rkd") {
        format = VideoFormat::Rkd;
    } else if (name == "mnb") {
        format = VideoFormat::Mnb;
    } else if (name == "zle") {
        format = VideoFormat::Zle;
    } else {
        return false;
    }
    return true;
}

const char* video_format_label(VideoFormat format) {
    switch (format) {
        case VideoFormat::Rkd:
            return "Rkd";
        case VideoFormat::Mnb:
            return "Mnb";
        case VideoFormat::Zle:
            return "Zle";
    }
    return "?";
}

std::unique_ptr<VideoTrackEncoder> make_video_encoder(VideoFormat format, int32_t quality,
                                                      int32_t width, int32_t height,
                                                      std::string& error) {
    if (format == VideoFormat::Rkd) {
        if (width % 8 != 0 || height % 4 != 0 || width <= 0 || height <= 0 ||
            width > RKD_LARGEST_SIDE || height > RKD_LARGEST_SIDE) {
            error = "pictures of " + size_text(width, height) +
                    " cannot be Rkd frames: the width must be a multiple of 8 and the height a "
                    "multiple of 4";
            return nullptr;
        }
        return std::make_unique<RkdTrack>(quality, width, height);
    }
    if (width <= 0 || height <= 0 || width > DCT_LARGEST_SIDE || height > DCT_LARGEST_SIDE) {
        error = "pictures of " + size_text(width, height) + " cannot be " +
                video_format_label(format) + " frames: both sides must be 1 to 32767";
        return nullptr;
    }
    return std::make_unique<DctTrack>(format, quality, width, height);
}

}  // namespace qx
