#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/qx/export_sinks.h"
#include "tools/qx/number_text.h"
#include "tools/qx/progress.h"
#include "tools/qx/wav_writer.h"

namespace qx {

namespace {

// Sample frames read from the interface at a time.
constexpr size_t READ_FRAMES = 4096;

// The stretch of the sound a range carries, in sample frames, and whether all of it is mono.
struct SoundStretch {
    int64_t first = 0;
    int64_t end = 0;
    bool sides_equal = true;
};

SoundStretch stretch_of(qx_movie* movie, const ExportRange& range) {
    SoundStretch stretch;
    bool found = false;
    qx_sound_block block{};
    for (int64_t i = 0; qx_get_sound_block(movie, i, &block) == QX_OK; ++i) {
        if (block.frames == 0 || !range.includes_sound(static_cast<int32_t>(block.video_stamp))) {
            continue;
        }
        // Stamps never fall, so the blocks of a range follow one another.
        if (!found) {
            stretch.first = block.first;
            found = true;
        }
        stretch.end = block.first + block.frames;
        stretch.sides_equal = stretch.sides_equal && block.sides_equal != 0;
    }
    return stretch;
}

// Compression 10 is decoded as two channels whatever the header says; the other formats play
// a mono header's sample on both sides.
bool plays_as_mono(const qx_info& info) {
    return info.channels != 2 && info.audio_codec != QX_AUDIO_IMA;
}

// OUTDIR/audio.wav at the rate the player plays the movie with, mono when the movie plays as
// mono and every block of the range has equal sides, so that nothing the player plays is lost.
// A movie without sound writes no file.
class WavSink : public ExportSink {
  public:
    WavSink(std::string path, const ExportRange& range) : path_(std::move(path)), range_(range) {}

    bool write(qx_movie* movie, const qx_info& info, std::string& error) override {
        if (info.audio_header == 0 || info.sound_blocks == 0) {
            return true;
        }
        const SoundStretch stretch = stretch_of(movie, range_);
        sample_rate_ = info.sample_rate;
        channels_ = plays_as_mono(info) && stretch.sides_equal ? 1 : 2;
        WavWriter file;
        if (!file.open(path_, sample_rate_, channels_, error)) {
            return false;
        }
        opened_ = true;
        const bool copied = copy_sound(movie, stretch, file, error);
        std::string unfinished;
        if (!file.close(unfinished) || !copied) {
            error = copied ? unfinished : error;
            std::remove(path_.c_str());  // no half sound file is left under the name
            return false;
        }
        return true;
    }

    int skipped() const override { return 0; }

    std::vector<std::string> summary() const override {
        if (!opened_) {
            return {};
        }
        return {formatted("audio.wav (%.1f s, %s Hz %s)",
                          static_cast<double>(frames_written_) / sample_rate_,
                          grouped(sample_rate_).c_str(), channels_ == 1 ? "mono" : "stereo")};
    }

  private:
    // The sound from the start of the stretch to its end; a mono file keeps the first of each
    // pair of equal sides.
    bool copy_sound(qx_movie* movie, const SoundStretch& stretch, WavWriter& file,
                    std::string& error) {
        ProgressBar progress("exporting sound", stretch.end);
        std::vector<int16_t> stereo(READ_FRAMES * 2);
        std::vector<int16_t> mono(READ_FRAMES);
        int64_t at = 0;
        while (at < stretch.end) {
            const size_t want = static_cast<size_t>(std::min<int64_t>(
                READ_FRAMES, (at < stretch.first ? stretch.first : stretch.end) - at));
            const size_t got = qx_read_audio(movie, stereo.data(), want);
            if (got == 0) {
                error = path_ + ": the movie's sound ended early";
                return false;
            }
            if (at >= stretch.first) {
                const int16_t* samples = stereo.data();
                if (channels_ == 1) {
                    for (size_t i = 0; i < got; ++i) {
                        mono[i] = stereo[2 * i];
                    }
                    samples = mono.data();
                }
                if (!file.write(samples, got, error)) {
                    return false;
                }
                frames_written_ += static_cast<int64_t>(got);
            }
            at += static_cast<int64_t>(got);
            progress.update(at);
        }
        progress.finish();
        return true;
    }

    std::string path_;
    ExportRange range_;
    bool opened_ = false;
    int32_t sample_rate_ = 0;
    int32_t channels_ = 2;
    int64_t frames_written_ = 0;
};

}  // namespace

std::unique_ptr<ExportSink> make_wav_sink(const std::string& out_dir, const ExportRange& range) {
    return std::make_unique<WavSink>(out_dir + "/audio.wav", range);
}

}  // namespace qx
