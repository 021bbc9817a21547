#include "tools/qx/export_streams.h"

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>

#include "tools/qx/commands.h"
#include "tools/qx/export_y4m.h"
#include "tools/qx/movie_pictures.h"
#include "tools/qx/output_file.h"
#include "tools/qx/wav_writer.h"

namespace qx {

namespace {

// Standard output for "-", else a file that appears only when complete.
class StreamTarget {
  public:
    bool open(const std::string& name, std::string& error) {
        name_ = name == "-" ? "standard output" : name;
        if (name == "-") {
            stream_ = stdout;
            return true;
        }
        file_.emplace();
        if (!file_->create(name, error)) {
            return false;
        }
        const int own = dup(file_->fd());
        stream_ = own >= 0 ? fdopen(own, "wb") : nullptr;
        if (stream_ == nullptr) {
            error = name + ": cannot be written";
            return false;
        }
        return true;
    }

    ~StreamTarget() {
        if (stream_ != nullptr && stream_ != stdout) {
            std::fclose(stream_);
        }
    }

    std::FILE* stream() const { return stream_; }
    const std::string& name() const { return name_; }

    bool complete(std::string& error) {
        const bool flushed = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
        if (!flushed) {
            error = name_ + ": cannot be written";
            return false;
        }
        return !file_ || file_->commit(error);
    }

  private:
    std::string name_;
    std::optional<OutputFile> file_;
    std::FILE* stream_ = nullptr;
};

bool export_pictures(MoviePictures& source, const StreamExportRequest& request,
                     std::string& error) {
    StreamTarget target;
    if (!target.open(request.y4m, error)) {
        return false;
    }
    const qx_info& info = source.info();
    if (!write_y4m_header(target.stream(), std::max(info.max_width, 1),
                          std::max(info.max_height, 1), info.fps, !request.chroma_444)) {
        error = target.name() + ": cannot be written";
        return false;
    }
    RgbImage picture;
    PlanarPicture planes;
    int64_t index = 0;
    int64_t time_ms = 0;
    int result = 0;
    while ((result = source.next(picture, index, time_ms, error)) == 1) {
        rgb_to_ycbcr(picture, !request.chroma_444, planes);
        if (!write_y4m_frame(target.stream(), planes)) {
            error = target.name() + ": cannot be written";
            return false;
        }
    }
    return result == 0 && target.complete(error);
}

// Stereo as the player plays it, as the folder export writes it.
bool export_sound(MoviePictures& source, const StreamExportRequest& request, std::string& error) {
    const qx_info& info = source.info();
    if (info.sample_rate <= 0) {
        error = request.movie + ": has no sound";
        return false;
    }
    StreamTarget target;
    WavWriter wav;
    if (!target.open(request.wav, error) ||
        !wav.open_stream(target.stream(), target.name(), info.sample_rate, 2,
                         static_cast<uint64_t>(info.audio_frames), error)) {
        return false;
    }
    std::vector<int16_t> stereo(4096 * 2);
    int64_t left = info.audio_frames;
    while (left > 0) {
        const size_t got = qx_read_audio(source.movie(), stereo.data(),
                                         static_cast<size_t>(std::min<int64_t>(4096, left)));
        if (got == 0) {
            break;
        }
        if (!wav.write(stereo.data(), got, error)) {
            return false;
        }
        left -= static_cast<int64_t>(got);
    }
    if (left > 0) {
        error = request.movie + ": its sound ended early";
        return false;
    }
    return wav.close(error) && target.complete(error);
}

}  // namespace

bool stream_export_asked(const std::string& out_dir, bool wav, bool pictures, bool ranged,
                         StreamExportRequest& request) {
    const bool names_wav = out_dir == "-" || (out_dir.size() > 4 &&
                                              out_dir.compare(out_dir.size() - 4, 4, ".wav") == 0);
    if (request.y4m.empty() && !(wav && !pictures && names_wav)) {
        return false;
    }
    if (pictures || (!out_dir.empty() && !wav)) {
        throw CLI::ValidationError("--y4m goes with --wav FILE only, not with a folder");
    }
    if (ranged) {
        throw CLI::ValidationError("a stream holds the whole movie: no range with it");
    }
    request.wav = wav ? out_dir : "";
    return true;
}

int run_stream_export(const StreamExportRequest& request) {
    if (request.y4m == "-" && request.wav == "-") {
        std::fprintf(stderr,
                     "qx export: the pictures and the sound cannot both go to standard output\n");
        return QX_USAGE_ERROR;
    }
    MoviePictures source;
    std::string error;
    const bool done = source.open(request.movie, 0, error) &&
                      (request.y4m.empty() || export_pictures(source, request, error)) &&
                      (request.wav.empty() || export_sound(source, request, error));
    if (!done) {
        std::fprintf(stderr, "qx export: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace qx
