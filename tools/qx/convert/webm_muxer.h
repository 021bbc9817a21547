#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace qx {

// A WebM file written as its blocks come, in time order, through libebml/libmatroska: the
// header, a seek head, the segment's info with its duration, the tracks, clusters that start at
// every video key frame, and cues pointing at them. The seek head, the duration and the
// segment's size are filled in at the end.
struct WebmVideoTrack {
    int32_t width = 0;
    int32_t height = 0;
    bool gbr = false;  // planes G, B, R (identity matrix, full range) instead of BT.601 Y'CbCr
    bool half_chroma = true;
};

struct WebmAudioTrack {
    int32_t channels = 2;
    double sample_rate = 48000;
    std::vector<uint8_t> codec_private;  // the Opus identification header
    uint64_t codec_delay_ns = 0;
    uint64_t seek_preroll_ns = 0;
};

class WebmMuxer {
  public:
    WebmMuxer();
    ~WebmMuxer();
    WebmMuxer(const WebmMuxer&) = delete;
    WebmMuxer& operator=(const WebmMuxer&) = delete;

    // Writes the file's head to `file` (kept open, flushed by finish); either track may be
    // absent.
    bool begin(std::FILE* file, const WebmVideoTrack* video, const WebmAudioTrack* audio,
               std::string& error);
    // One frame of a track, at `time_ms`, in time order across the tracks. `discard_ns` trims
    // the end of the frame's decoded sound (the padding of the last Opus packet).
    void add_video(int64_t time_ms, const uint8_t* data, size_t bytes, bool key);
    void add_audio(int64_t time_ms, const uint8_t* data, size_t bytes, int64_t discard_ns = 0);
    bool finish(int64_t duration_ms, std::string& error);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace qx
