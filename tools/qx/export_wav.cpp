#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "audio/audio_chunk.h"
#include "player/reader.h"
#include "tools/qx/export_sinks.h"
#include "tools/qx/number_text.h"
#include "interface/sound_start.h"
#include "tools/qx/wav_writer.h"

namespace {

// Compression 10 is decoded as two channels whatever the header says; the other formats play
// a mono header's sample on both sides.
bool plays_as_mono(const SoundStream& sound) {
    return sound.channels != 2 && sound.compression != AUDIO_IMA;
}

bool sides_equal(const int16_t* samples, size_t count) {
    for (size_t i = 0; i + 1 < count; i += 2) {
        if (samples[i] != samples[i + 1]) {
            return false;
        }
    }
    return true;
}

// OUTDIR/audio.wav at the rate and channel count the player plays the movie with, known once
// it would start its sound; the blocks decoded before that wait in memory (a prefill's worth).
// A movie without audio writes no file.
class WavSink : public ExportSink {
  public:
    WavSink(std::string path, const ExportRange& range) : path_(std::move(path)), range_(range) {}

    bool begin(MovieScan& scan, std::string&) override {
        has_audio_ = scan.params().has_audio != 0;
        watch_.emplace(has_audio_);
        return true;
    }

    void chunk(const ScannedChunk& chunk, MovieScan& scan) override {
        if (chunk.result == READ_VIDEO) {
            video_chunks_read_ = chunk.video->sequence + 1;
        }
        if (chunk.result == READ_AUDIO && chunk.audio->bytes > 0 &&
            range_.includes_sound(chunk.audio->video_stamp)) {
            const auto* samples = reinterpret_cast<const int16_t*>(chunk.audio->data);
            const size_t count = static_cast<size_t>(chunk.audio->bytes) / AUDIO_FRAME_BYTES * 2;
            if (file_.is_open()) {
                write_block(samples, count);
            } else if (error_.empty()) {
                pending_.emplace_back(samples, samples + count);
            }
        }
        if (has_audio_ && watch_->chunk_read(chunk.result) && !file_.is_open() && error_.empty()) {
            open(scan.context());
        }
    }

    // The range's last sound comes before the video chunk after it; the rate is known once
    // the player would have started its sound.
    bool done() const override {
        const bool rate_known = !has_audio_ || watch_->started() || !error_.empty();
        return rate_known && video_chunks_read_ > range_.end;
    }

    bool finish(MovieScan& scan, std::string& error) override {
        if (has_audio_ && !file_.is_open() && error_.empty() && !pending_.empty()) {
            open(scan.context());
        }
        std::string unfinished;
        if (!file_.close(unfinished) && error_.empty()) {
            error_ = unfinished;
        }
        if (opened_ && !error_.empty()) {
            std::remove(path_.c_str());  // no half sound file is left under the name
        }
        error = error_;
        return error_.empty();
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
    void open(const PlayerContext& context) {
        sample_rate_ = context.sound.sample_rate;
        channels_ = plays_as_mono(context.sound) ? 1 : 2;
        if (!file_.open(path_, sample_rate_, channels_, error_)) {
            pending_.clear();
            return;
        }
        opened_ = true;
        write_pending();
    }

    void write_pending() {
        for (const std::vector<int16_t>& block : pending_) {
            write_block(block.data(), block.size());
        }
        pending_.clear();
    }

    // Decoded blocks are stereo; a mono movie's carry each sample twice, and a mono file keeps
    // the first of each pair. A block whose sides differ (a later header that changed the
    // compression) makes the file stereo from then on, so that nothing the player plays is lost.
    void write_block(const int16_t* samples, size_t count) {
        const size_t frames = count / 2;
        if (channels_ == 1 && !sides_equal(samples, count) && error_.empty() &&
            file_.widen_to_stereo(error_)) {
            channels_ = 2;
        }
        if (channels_ == 1) {
            mono_.resize(count / 2);
            for (size_t i = 0; i < mono_.size(); ++i) {
                mono_[i] = samples[2 * i];
            }
            samples = mono_.data();
        }
        if (error_.empty()) {
            file_.write(samples, frames, error_);
        }
        frames_written_ += static_cast<int64_t>(frames);
    }

    std::string path_;
    ExportRange range_;
    int64_t video_chunks_read_ = 0;
    bool has_audio_ = false;
    std::optional<SoundStartWatch> watch_;
    std::vector<std::vector<int16_t>> pending_;  // interleaved stereo, until the file opens
    std::vector<int16_t> mono_;
    WavWriter file_;
    bool opened_ = false;
    int32_t sample_rate_ = 0;
    int32_t channels_ = 2;
    int64_t frames_written_ = 0;
    std::string error_;
};

}  // namespace

std::unique_ptr<ExportSink> make_wav_sink(const std::string& out_dir, const ExportRange& range) {
    return std::make_unique<WavSink>(out_dir + "/audio.wav", range);
}
