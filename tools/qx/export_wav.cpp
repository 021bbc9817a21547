#include <sndfile.h>

#include <cstdio>
#include <string>

#include "audio/audio_chunk.h"
#include "player/reader.h"
#include "tools/qx/export_sinks.h"

namespace {

// OUTDIR/audio.wav, opened once the movie's audio format is known: at its audio header, or
// at the first block. A movie without audio writes no file.
class WavSink : public ExportSink {
  public:
    explicit WavSink(std::string path) : path_(std::move(path)) {}
    ~WavSink() override { close(); }

    bool begin(MovieScan&, std::string&) override { return true; }

    void chunk(const ScannedChunk& chunk, MovieScan& scan) override {
        if (!error_.empty()) {
            return;
        }
        if (chunk.result == READ_AUDIO_HEADER || chunk.result == READ_AUDIO) {
            open(scan.context().sample_rate);
        }
        if (chunk.result != READ_AUDIO || file_ == nullptr || chunk.audio->bytes <= 0) {
            return;
        }
        const sf_count_t frames = chunk.audio->bytes / AUDIO_FRAME_BYTES;
        const auto* samples = reinterpret_cast<const short*>(chunk.audio->data);
        if (sf_writef_short(file_, samples, frames) != frames) {
            error_ = path_ + ": cannot be written (" + sf_strerror(file_) + ")";
        }
    }

    bool finish(std::string& error) override {
        if (file_ != nullptr && sf_close(file_) != 0 && error_.empty()) {
            error_ = path_ + ": cannot be completed";
        }
        file_ = nullptr;
        error = error_;
        return error_.empty();
    }

    int skipped() const override { return 0; }

  private:
    void open(int32_t sample_rate) {
        if (file_ != nullptr) {
            return;
        }
        SF_INFO info{};
        info.samplerate = sample_rate;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        file_ = sf_open(path_.c_str(), SFM_WRITE, &info);
        if (file_ == nullptr) {
            error_ = path_ + ": cannot be created at " + std::to_string(sample_rate) + " Hz (" +
                     sf_strerror(nullptr) + ")";
        }
    }

    void close() {
        if (file_ != nullptr) {
            sf_close(file_);
            file_ = nullptr;
        }
    }

    std::string path_;
    SNDFILE* file_ = nullptr;
    std::string error_;
};

}  // namespace

std::unique_ptr<ExportSink> make_wav_sink(const std::string& out_dir) {
    return std::make_unique<WavSink>(out_dir + "/audio.wav");
}
