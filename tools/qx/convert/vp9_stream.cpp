#include "tools/qx/convert/vp9_stream.h"

#include <vpx/vp8cx.h>

#include <algorithm>
#include <cmath>

namespace qx {

namespace {

// The real-time encoder's fastest setting: at the default quality its pictures measured as
// close to the movies' as the slower ones (about 40 dB), at twice the speed of setting 7.
constexpr int SPEED = 9;

// `qx encode`'s quality scale onto VP9's constant-quality level: 75 gives 16, where the
// loss is not seen at the movies' sizes; 100 gives 0.
int cq_level(int quality) {
    return static_cast<int>(std::lround((100 - std::clamp(quality, 0, 100)) * 63 / 100.0));
}

// Tile columns are at least 256 pixels wide; more of them let more threads work at once.
int tile_columns_log2(int32_t width, int threads) {
    int log2 = 0;
    while ((2 << log2) <= threads && (width >> (log2 + 1)) >= 256) {
        ++log2;
    }
    return log2;
}

bool failed(vpx_codec_ctx_t& codec, vpx_codec_err_t result, const char* what, std::string& error) {
    if (result == VPX_CODEC_OK) {
        return false;
    }
    const char* detail = vpx_codec_error_detail(&codec);
    error = std::string("VP9 encoder: ") + what + ": " + vpx_codec_err_to_string(result) +
            (detail != nullptr ? std::string(" (") + detail + ")" : "");
    return true;
}

}  // namespace

Vp9Stream::~Vp9Stream() {
    if (open_) {
        vpx_codec_destroy(&codec_);
    }
}

bool Vp9Stream::open(const Vp9Settings& settings, std::string& error) {
    vpx_codec_enc_cfg_t config{};
    if (failed(codec_, vpx_codec_enc_config_default(vpx_codec_vp9_cx(), &config, 0),
               "no default settings", error)) {
        return false;
    }
    config.g_w = static_cast<unsigned>(settings.width);
    config.g_h = static_cast<unsigned>(settings.height);
    config.g_timebase = {1, 1000};
    config.g_profile = settings.lossless ? 1 : 0;
    config.g_threads = static_cast<unsigned>(std::max(1, settings.threads));
    config.g_lag_in_frames = 0;
    config.rc_end_usage = VPX_Q;
    config.rc_min_quantizer = 0;
    config.rc_max_quantizer = settings.lossless ? 0 : 63;
    config.kf_mode = VPX_KF_AUTO;
    config.kf_min_dist = 0;
    config.kf_max_dist = static_cast<unsigned>(std::max(1, settings.keyframe_every));
    if (failed(codec_, vpx_codec_enc_init(&codec_, vpx_codec_vp9_cx(), &config, 0), "cannot start",
               error)) {
        return false;
    }
    open_ = true;
    const bool set =
        !failed(codec_, vpx_codec_control(&codec_, VP8E_SET_CPUUSED, SPEED), "speed", error) &&
        !failed(codec_, vpx_codec_control(&codec_, VP8E_SET_CQ_LEVEL, cq_level(settings.quality)),
                "quality", error) &&
        !failed(codec_, vpx_codec_control(&codec_, VP9E_SET_LOSSLESS, settings.lossless ? 1 : 0),
                "lossless", error) &&
        !failed(codec_, vpx_codec_control(&codec_, VP9E_SET_ROW_MT, 1), "row threads", error) &&
        !failed(codec_,
                vpx_codec_control(&codec_, VP9E_SET_TILE_COLUMNS,
                                  tile_columns_log2(settings.width, settings.threads)),
                "tiles", error) &&
        !failed(codec_,
                vpx_codec_control(&codec_, VP9E_SET_COLOR_SPACE,
                                  settings.lossless ? VPX_CS_SRGB : VPX_CS_BT_601),
                "colour space", error) &&
        !failed(codec_,
                vpx_codec_control(&codec_, VP9E_SET_COLOR_RANGE,
                                  settings.lossless ? VPX_CR_FULL_RANGE : VPX_CR_STUDIO_RANGE),
                "colour range", error);
    return set;
}

bool Vp9Stream::encode(const PlanarPicture& picture, int64_t time_ms, int64_t duration_ms,
                       const PacketSink& sink, std::string& error) {
    vpx_image_t image{};
    const vpx_img_fmt_t format = picture.half_chroma ? VPX_IMG_FMT_I420 : VPX_IMG_FMT_I444;
    vpx_img_wrap(&image, format, static_cast<unsigned>(picture.width),
                 static_cast<unsigned>(picture.height), 1,
                 const_cast<uint8_t*>(picture.planes[0].data()));
    for (int plane = 0; plane < 3; ++plane) {
        image.planes[plane] = const_cast<uint8_t*>(picture.planes[plane].data());
        image.stride[plane] = picture.plane_width(plane);
    }
    image.cs = picture.gbr ? VPX_CS_SRGB : VPX_CS_BT_601;
    image.range = picture.gbr ? VPX_CR_FULL_RANGE : VPX_CR_STUDIO_RANGE;
    return drain(&image, time_ms, duration_ms, sink, error);
}

bool Vp9Stream::flush(const PacketSink& sink, std::string& error) {
    return drain(nullptr, 0, 0, sink, error);
}

bool Vp9Stream::drain(const vpx_image_t* image, int64_t time_ms, int64_t duration_ms,
                      const PacketSink& sink, std::string& error) {
    const unsigned long duration = static_cast<unsigned long>(std::max<int64_t>(1, duration_ms));
    if (failed(codec_, vpx_codec_encode(&codec_, image, time_ms, duration, 0, VPX_DL_REALTIME),
               "cannot code a picture", error)) {
        return false;
    }
    vpx_codec_iter_t iterator = nullptr;
    while (const vpx_codec_cx_pkt_t* packet = vpx_codec_get_cx_data(&codec_, &iterator)) {
        if (packet->kind == VPX_CODEC_CX_FRAME_PKT) {
            sink(static_cast<const uint8_t*>(packet->data.frame.buf), packet->data.frame.sz,
                 packet->data.frame.pts, (packet->data.frame.flags & VPX_FRAME_IS_KEY) != 0);
        }
    }
    return true;
}

}  // namespace qx
