#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/qx/picture_planes.h"

namespace qx {

// A WebM file as another make's parser (libwebm's) sees it, and its streams decoded by libvpx
// and libopus: what a player of the file gets.
struct WebmTrack {
    uint64_t number = 0;
    std::string codec;
    uint64_t width = 0;
    uint64_t height = 0;
    int matrix = -1;  // MatrixCoefficients
    int range = -1;
    uint64_t codec_delay_ns = 0;
    uint64_t channels = 0;
    double sample_rate = 0;
};

struct WebmFrame {
    uint64_t track = 0;
    int64_t time_ms = 0;
    bool key = false;
    std::vector<uint8_t> data;
    int64_t discard_ns = 0;
};

struct WebmReadback {
    bool parsed = false;
    std::string doc_type;
    double duration_ms = 0;
    std::vector<WebmTrack> tracks;
    std::vector<WebmFrame> frames;
    int cue_points = 0;
    int seek_entries = 0;

    const WebmTrack* track(const std::string& codec) const;
};

WebmReadback read_webm(const std::string& path);
// The pictures of the VP9 track in order, as its decoder gives them.
std::vector<PlanarPicture> decode_vp9(const WebmReadback& file);
// The Opus track as interleaved stereo at 48 kHz, less its pre-skip and end padding.
std::vector<int16_t> decode_opus(const WebmReadback& file);
// PSNR in dB of `decoded` against `reference` (RGB triples of one size); 99 when equal.
double rgb_psnr(const std::vector<uint8_t>& reference, const std::vector<uint8_t>& decoded);
// The picture back in RGB: G, B, R planes as they are, BT.601 studio-range Y'CbCr through the
// standard inverse with each chroma sample spread over the pixels it covers.
std::vector<uint8_t> planes_to_rgb(const PlanarPicture& picture);

}  // namespace qx
