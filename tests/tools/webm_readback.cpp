#include "tests/tools/webm_readback.h"

#include <opus/opus.h>
#include <vpx/vp8dx.h>
#include <vpx/vpx_decoder.h>
#include <webm/callback.h>
#include <webm/file_reader.h>
#include <webm/webm_parser.h>

#include <cmath>
#include <cstdio>

namespace qx {

namespace {

class Collector : public webm::Callback {
  public:
    explicit Collector(WebmReadback& file) : file_(file) {}

    webm::Status OnEbml(const webm::ElementMetadata&, const webm::Ebml& ebml) override {
        file_.doc_type = ebml.doc_type.value();
        return webm::Status(webm::Status::kOkCompleted);
    }
    webm::Status OnSeek(const webm::ElementMetadata&, const webm::Seek&) override {
        ++file_.seek_entries;
        return webm::Status(webm::Status::kOkCompleted);
    }
    webm::Status OnInfo(const webm::ElementMetadata&, const webm::Info& info) override {
        file_.duration_ms =
            info.duration.value() * static_cast<double>(info.timecode_scale.value()) / 1e6;
        return webm::Status(webm::Status::kOkCompleted);
    }
    webm::Status OnTrackEntry(const webm::ElementMetadata&,
                              const webm::TrackEntry& entry) override {
        WebmTrack track;
        track.number = entry.track_number.value();
        track.codec = entry.codec_id.value();
        track.codec_delay_ns = entry.codec_delay.value();
        if (entry.video.is_present()) {
            const webm::Video& video = entry.video.value();
            track.width = video.pixel_width.value();
            track.height = video.pixel_height.value();
            if (video.colour.is_present()) {
                track.matrix = static_cast<int>(video.colour.value().matrix_coefficients.value());
                track.range = static_cast<int>(video.colour.value().range.value());
            }
        }
        if (entry.audio.is_present()) {
            track.channels = entry.audio.value().channels.value();
            track.sample_rate = entry.audio.value().sampling_frequency.value();
        }
        file_.tracks.push_back(track);
        return webm::Status(webm::Status::kOkCompleted);
    }
    webm::Status OnClusterBegin(const webm::ElementMetadata&, const webm::Cluster& cluster,
                                webm::Action* action) override {
        cluster_ms_ = static_cast<int64_t>(cluster.timecode.value());
        *action = webm::Action::kRead;
        return webm::Status(webm::Status::kOkCompleted);
    }
    webm::Status OnSimpleBlockBegin(const webm::ElementMetadata&, const webm::SimpleBlock& block,
                                    webm::Action* action) override {
        begin_frame(block, block.is_key_frame);
        *action = webm::Action::kRead;
        return webm::Status(webm::Status::kOkCompleted);
    }
    webm::Status OnBlockBegin(const webm::ElementMetadata&, const webm::Block& block,
                              webm::Action* action) override {
        begin_frame(block, false);
        *action = webm::Action::kRead;
        return webm::Status(webm::Status::kOkCompleted);
    }
    webm::Status OnBlockGroupEnd(const webm::ElementMetadata&,
                                 const webm::BlockGroup& group) override {
        file_.frames.back().discard_ns = group.discard_padding.value();
        return webm::Status(webm::Status::kOkCompleted);
    }
    webm::Status OnFrame(const webm::FrameMetadata&, webm::Reader* reader,
                         std::uint64_t* remaining) override {
        std::vector<uint8_t>& data = file_.frames.back().data;
        while (*remaining > 0) {
            const size_t at = data.size();
            data.resize(at + *remaining);
            std::uint64_t got = 0;
            const webm::Status status = reader->Read(*remaining, data.data() + at, &got);
            data.resize(at + got);
            *remaining -= got;
            if (!status.ok()) {
                return status;
            }
        }
        return webm::Status(webm::Status::kOkCompleted);
    }
    webm::Status OnCuePoint(const webm::ElementMetadata&, const webm::CuePoint&) override {
        ++file_.cue_points;
        return webm::Status(webm::Status::kOkCompleted);
    }

  private:
    void begin_frame(const webm::Block& block, bool key) {
        file_.frames.push_back({block.track_number, cluster_ms_ + block.timecode, key, {}, 0});
    }

    WebmReadback& file_;
    int64_t cluster_ms_ = 0;
};

}  // namespace

const WebmTrack* WebmReadback::track(const std::string& codec) const {
    for (const WebmTrack& candidate : tracks) {
        if (candidate.codec == codec) {
            return &candidate;
        }
    }
    return nullptr;
}

WebmReadback read_webm(const std::string& path) {
    WebmReadback file;
    std::FILE* stream = std::fopen(path.c_str(), "rb");
    if (stream == nullptr) {
        return file;
    }
    webm::FileReader reader(stream);
    Collector collector(file);
    webm::WebmParser parser;
    file.parsed = parser.Feed(&collector, &reader).completed_ok();
    return file;
}

std::vector<PlanarPicture> decode_vp9(const WebmReadback& file) {
    std::vector<PlanarPicture> pictures;
    const WebmTrack* video = file.track("V_VP9");
    vpx_codec_ctx_t codec{};
    if (video == nullptr || vpx_codec_dec_init(&codec, vpx_codec_vp9_dx(), nullptr, 0) != 0) {
        return pictures;
    }
    for (const WebmFrame& frame : file.frames) {
        if (frame.track != video->number ||
            vpx_codec_decode(&codec, frame.data.data(), static_cast<unsigned>(frame.data.size()),
                             nullptr, 0) != VPX_CODEC_OK) {
            continue;
        }
        vpx_codec_iter_t iterator = nullptr;
        while (vpx_image_t* image = vpx_codec_get_frame(&codec, &iterator)) {
            PlanarPicture picture;
            picture.width = static_cast<int32_t>(image->d_w);
            picture.height = static_cast<int32_t>(image->d_h);
            picture.half_chroma = image->x_chroma_shift == 1;
            picture.gbr = image->cs == VPX_CS_SRGB;
            for (int plane = 0; plane < 3; ++plane) {
                for (int32_t y = 0; y < picture.plane_height(plane); ++y) {
                    const uint8_t* row = image->planes[plane] + y * image->stride[plane];
                    picture.planes[plane].insert(picture.planes[plane].end(), row,
                                                 row + picture.plane_width(plane));
                }
            }
            pictures.push_back(std::move(picture));
        }
    }
    vpx_codec_destroy(&codec);
    return pictures;
}

std::vector<int16_t> decode_opus(const WebmReadback& file) {
    std::vector<int16_t> sound;
    const WebmTrack* audio = file.track("A_OPUS");
    int status = 0;
    OpusDecoder* decoder = audio != nullptr ? opus_decoder_create(48000, 2, &status) : nullptr;
    if (decoder == nullptr) {
        return sound;
    }
    std::vector<int16_t> packet(5760 * 2);
    for (const WebmFrame& frame : file.frames) {
        if (frame.track != audio->number) {
            continue;
        }
        const int frames =
            opus_decode(decoder, frame.data.data(), static_cast<opus_int32>(frame.data.size()),
                        packet.data(), 5760, 0);
        if (frames > 0) {
            const int64_t kept = frames - (frame.discard_ns * 48000 + 500000000) / 1000000000;
            sound.insert(sound.end(), packet.begin(),
                         packet.begin() + std::max<int64_t>(0, kept) * 2);
        }
    }
    opus_decoder_destroy(decoder);
    const auto skip = static_cast<size_t>(audio->codec_delay_ns * 48000 / 1000000000) * 2;
    sound.erase(sound.begin(),
                sound.begin() + static_cast<std::ptrdiff_t>(std::min(skip, sound.size())));
    return sound;
}

double rgb_psnr(const std::vector<uint8_t>& reference, const std::vector<uint8_t>& decoded) {
    if (reference.size() != decoded.size() || reference.empty()) {
        return 0;
    }
    double squares = 0;
    for (size_t i = 0; i < reference.size(); ++i) {
        const double difference = static_cast<double>(reference[i]) - decoded[i];
        squares += difference * difference;
    }
    if (squares == 0) {
        return 99;
    }
    return 10 * std::log10(255.0 * 255.0 * static_cast<double>(reference.size()) / squares);
}

std::vector<uint8_t> planes_to_rgb(const PlanarPicture& picture) {
    std::vector<uint8_t> rgb(static_cast<size_t>(picture.width) * picture.height * 3);
    const int shift = picture.half_chroma ? 1 : 0;
    const auto clamp = [](double value) {
        return static_cast<uint8_t>(std::lround(std::min(255.0, std::max(0.0, value))));
    };
    for (int32_t y = 0; y < picture.height; ++y) {
        for (int32_t x = 0; x < picture.width; ++x) {
            const size_t at = static_cast<size_t>(y) * picture.width + x;
            const size_t chroma =
                static_cast<size_t>(y >> shift) * picture.plane_width(1) + (x >> shift);
            uint8_t* out = rgb.data() + at * 3;
            if (picture.gbr) {
                out[0] = picture.planes[2][chroma];
                out[1] = picture.planes[0][at];
                out[2] = picture.planes[1][chroma];
                continue;
            }
            const double luma = 1.164383 * (picture.planes[0][at] - 16);
            const double cb = picture.planes[1][chroma] - 128.0;
            const double cr = picture.planes[2][chroma] - 128.0;
            out[0] = clamp(luma + 1.596027 * cr);
            out[1] = clamp(luma - 0.391762 * cb - 0.812968 * cr);
            out[2] = clamp(luma + 2.017232 * cb);
        }
    }
    return rgb;
}

}  // namespace qx
