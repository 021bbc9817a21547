#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "audio/audio_chunk.h"
#include "tools/qx/commands.h"
#include "tools/qx/encode_demo.h"
#include "tools/qx/encode_movie.h"
#include "tools/qx/encode_progress.h"
#include "tools/qx/file_identity.h"
#include "tools/qx/number_text.h"

namespace qx {

namespace {

constexpr int32_t SILENT_TRACK_RATE = 22050;

struct EncodeRequest {
    std::string out;
    std::string input;
    std::string audio_in;
    std::string video = "mnb";
    std::string audio = "ima";
    int32_t quality = 75;
    double fps = 0;
    int32_t sample_rate = 0;
    int64_t frames = 0;
    bool no_audio = false;
    bool demo = false;
};

int32_t compression_named(const std::string& name) {
    if (name == "pcm") {
        return AUDIO_PCM;
    }
    return name == "xa" ? AUDIO_XA : AUDIO_IMA;
}

const char* compression_label(int32_t compression) {
    switch (compression) {
        case AUDIO_PCM:
            return "PCM";
        case AUDIO_XA:
            return "XA ADPCM";
        default:
            return "IMA ADPCM";
    }
}

int fail(const std::string& message) {
    std::fprintf(stderr, "qx encode: %s\n", message.c_str());
    return 1;
}

void print_summary(const EncodeRequest& request, const EncodeSettings& settings,
                   const FrameSource& frames, const SoundTrack* sound, const EncodeSummary& summary,
                   int64_t file_bytes) {
    std::printf("%s: %s %dx%d %s quality %d at %g fps, %s\n", request.out.c_str(),
                counted(summary.frames, "frame").c_str(), frames.width(), frames.height(),
                video_format_label(settings.video), settings.quality, settings.fps,
                counted(file_bytes, "byte").c_str());
    std::printf("  video %s, PSNR %.2f dB against the input, worst frame %lld at %.2f dB\n",
                counted(summary.video_bytes, "byte").c_str(), summary.psnr,
                static_cast<long long>(summary.worst_frame), summary.worst_psnr);
    if (sound == nullptr) {
        std::printf("  no audio: plays unpaced\n");
        return;
    }
    const char* what = sound->samples.empty() ? "silence"
                       : sound->channels == 2 ? "stereo"
                                              : "mono";
    std::printf("  audio %s, %s, %s %s at %s Hz\n", counted(summary.audio_chunks, "chunk").c_str(),
                counted(summary.audio_bytes, "byte").c_str(),
                compression_label(settings.compression), what, grouped(sound->sample_rate).c_str());
}

// One line a frame for the first few frames that came out poorly, then how many more did.
void warn_poor_frames(const EncodeSummary& summary) {
    constexpr size_t LISTED = 10;
    for (size_t i = 0; i < std::min(LISTED, summary.poor_frames.size()); ++i) {
        std::fprintf(stderr, "qx encode: warning: frame %lld comes out at %.2f dB, below %g dB\n",
                     static_cast<long long>(summary.poor_frames[i].first),
                     summary.poor_frames[i].second, POOR_FRAME_PSNR);
    }
    if (summary.poor_frames.size() > LISTED) {
        std::fprintf(stderr, "qx encode: warning: %zu more frames below %g dB\n",
                     summary.poor_frames.size() - LISTED, POOR_FRAME_PSNR);
    }
}

int run_encode(const EncodeRequest& request) {
    EncodeSettings settings;
    settings.quality = request.quality;
    settings.compression = compression_named(request.audio);
    settings.frame_limit = request.frames;
    if (!video_format_named(request.video, settings.video)) {
        return fail("unknown video format " + request.video);
    }
    std::string error;
    std::unique_ptr<FrameSource> frames;
    std::optional<SoundTrack> sound;
    if (request.demo) {
        settings.video = VideoFormat::Mnb;
        settings.compression = AUDIO_IMA;
        frames = make_demo_frames(request.frames > 0 ? request.frames : DEMO_FRAMES);
        settings.fps = request.fps > 0 ? request.fps : DEMO_FPS;
        const int32_t rate = request.sample_rate > 0 ? request.sample_rate : DEMO_SAMPLE_RATE;
        sound = demo_sound(rate, double(frames->frame_count()) / settings.fps);
    } else {
        if (request.input.empty()) {
            return fail("no input: give --input PICTURES (or --demo)");
        }
        frames = open_frame_source(request.input, error);
        if (!frames) {
            return fail(error);
        }
        std::vector<std::string> inputs = frames->files();
        if (!request.audio_in.empty()) {
            inputs.push_back(request.audio_in);
        }
        if (is_one_of(request.out, inputs)) {
            return fail(request.out + ": is one of the inputs; the movie needs a file of its own");
        }
        settings.fps = request.fps > 0            ? request.fps
                       : frames->frame_rate() > 0 ? frames->frame_rate()
                                                  : 15;
        if (!request.audio_in.empty()) {
            sound.emplace();
            if (!read_sound_file(request.audio_in, request.sample_rate, *sound, error)) {
                return fail(error);
            }
        } else if (!request.no_audio) {
            // Silence still paces playback at the frame rate.
            sound.emplace();
            sound->channels = 1;
            sound->sample_rate = request.sample_rate > 0 ? request.sample_rate : SILENT_TRACK_RATE;
        }
    }
    MovieWriter movie;
    EncodeSummary summary;
    const int64_t total = request.frames > 0 ? std::min(request.frames, frames->frame_count())
                                             : frames->frame_count();
    EncodeProgress progress(total);
    const SoundTrack* track = sound && !request.no_audio ? &*sound : nullptr;
    const bool encoded = encode_movie(*frames, track, settings, movie, summary, error,
                                      [&](int64_t done) { progress.update(done); });
    progress.finish();
    if (!encoded) {
        return fail(error);
    }
    if (!movie.save(request.out, error)) {
        return fail(error);
    }
    warn_poor_frames(summary);
    print_summary(request, settings, *frames, track, summary, int64_t(movie.bytes().size()));
    return 0;
}

}  // namespace

void add_encode_command(CLI::App& app, int& status) {
    auto* command = app.add_subcommand(
        "encode", "Make a movie from PNG pictures or a .y4m stream, with optional sound");
    auto request = std::make_shared<EncodeRequest>();
    command->add_option("OUT", request->out, "the movie file to write")->required();
    command->add_option("-i,--input", request->input,
                        "pictures: frames/%05d.png, a folder of .png files, or a .y4m stream");
    auto* audio_in =
        command->add_option("--audio-in", request->audio_in, "a sound file (WAV, FLAC, ...)");
    command->add_option("--video", request->video, "video format")
        ->check(CLI::IsMember({"rkd", "mnb", "zle"}))
        ->capture_default_str();
    command->add_option("--quality", request->quality, "picture quality 0..100")
        ->check(CLI::Range(0, 100))
        ->capture_default_str();
    command
        ->add_option("--fps", request->fps,
                     "frames a second (default: the stream's own rate, else 15)")
        ->check(CLI::Range(0.1, 1000.0));
    command->add_option("--audio", request->audio, "audio compression")
        ->check(CLI::IsMember({"pcm", "xa", "ima"}))
        ->capture_default_str();
    command
        ->add_option("--sample-rate", request->sample_rate,
                     "sound resampled to this rate (default: the file's own)")
        ->check(CLI::Range(4000, 96000));
    command
        ->add_flag("--no-audio", request->no_audio,
                   "no audio track (without --audio-in a silent one paces playback)")
        ->excludes(audio_in);
    auto* frames =
        command->add_option("--frames", request->frames, "encode at most this many frames");
    command->add_flag("--demo", request->demo,
                      "write the demo movie (320x240 Mnb video with IMA sound)");
    command->callback([request, frames, &status] {
        require_above_zero(*frames, double(request->frames));
        try {
            status = run_encode(*request);
        } catch (const std::bad_alloc&) {
            status = fail("out of memory: the input is too large to encode");
        }
    });
}

}  // namespace qx
