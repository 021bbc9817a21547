#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tools/qx/commands.h"
#include "tools/qx/export_folder.h"
#include "tools/qx/export_sinks.h"
#include "tools/qx/export_streams.h"
#include "tools/qx/movie_open.h"
#include "tools/qx/number_text.h"

namespace qx {

namespace {

struct ExportRequest {
    std::string movie;
    std::string out_dir;
    bool wav = false;
    PictureExportOptions pictures;
    ExportRangeRequest range;
    StreamExportRequest streams;
};

int fail(const std::string& error, int status = 1) {
    std::fprintf(stderr, "qx export: %s\n", error.c_str());
    return status;
}

// "wrote 240 PNG pictures and audio.wav (16.0 s, 22,050 Hz stereo)"
std::string export_summary(const std::vector<std::unique_ptr<ExportSink>>& sinks) {
    std::vector<std::string> parts;
    for (const auto& sink : sinks) {
        for (std::string& part : sink->summary()) {
            parts.push_back(std::move(part));
        }
    }
    if (parts.empty()) {
        return "wrote nothing: the movie holds none of what was asked for";
    }
    std::string text = "wrote " + parts.front();
    for (size_t i = 1; i < parts.size(); ++i) {
        text += (i + 1 == parts.size() ? " and " : ", ") + parts[i];
    }
    return text;
}

int run_export(const ExportRequest& request) {
    const bool any_output = request.wav || request.pictures.raw || request.pictures.png;
    const bool wav = request.wav || !any_output;
    PictureExportOptions pictures = request.pictures;
    pictures.png = pictures.png || !any_output;

    // The movie is looked at first, so that a file that is none leaves no folder behind.
    qx_options options;
    qx_default_options(&options);
    options.pixels = display_pixels_named(pictures.display);
    options.double_width = pictures.double_width ? 1 : 0;
    std::string error;
    const OpenMovie movie = open_movie_file(request.movie, options, error);
    if (!movie) {
        return fail(error);
    }
    // Set apart from the options, where 0 means the default: here 0 is black.
    qx_set_brightness(movie.get(), pictures.brightness);
    qx_info info{};
    qx_get_info(movie.get(), &info);
    ExportRange range;
    const ExportRangeRequest& asked = request.range;
    // A range beyond the movie is refused before anything is written.
    if ((asked.start_frame || asked.start_seconds || asked.frames) &&
        !resolve_export_range(asked, info, range, error)) {
        return fail(error, QX_USAGE_ERROR);
    }
    std::vector<std::unique_ptr<ExportSink>> sinks;
    if (pictures.raw || pictures.png) {
        sinks.push_back(make_picture_sink(request.out_dir, pictures, range));
    }
    if (wav) {
        sinks.push_back(make_wav_sink(request.out_dir, range));
    }
    std::error_code code;
    std::filesystem::create_directories(request.out_dir, code);
    if (code) {
        return fail(request.out_dir + ": cannot create the folder (" + code.message() + ")");
    }
    if (!clear_earlier_export(request.out_dir, error)) {
        return fail(error);
    }
    int skipped = 0;
    for (auto& sink : sinks) {
        if (!sink->write(movie.get(), info, error)) {
            return fail(error);
        }
        skipped += sink->skipped();
    }
    std::string summary = export_summary(sinks);
    if (range.end - range.first == 1) {
        summary += formatted(" for frame %d", range.first);
    } else if (!range.whole()) {
        summary += formatted(" for frames %d to %d", range.first, range.end - 1);
    }
    std::printf("%s\n", summary.c_str());
    // Frames that could not be decoded were each named and the rest of the export stands, but
    // the movie was not read whole: a failure, told apart from a usage error (2).
    return skipped > 0 ? 1 : 0;
}

}  // namespace

void add_export_command(CLI::App& app, int& status) {
    auto* command = app.add_subcommand(
        "export", "Decode a movie to pictures and sound (PNG and WAV unless told otherwise)");
    auto request = std::make_shared<ExportRequest>();
    add_movie_argument(*command, request->movie);
    command->add_option("OUTDIR", request->out_dir,
                        "folder for the output; with --wav alone, the WAV file or - for "
                        "standard output");
    command->add_flag("--wav", request->wav, "write audio.wav");
    command->add_option("--y4m", request->streams.y4m,
                        "write the pictures as one YUV4MPEG2 stream to FILE, or - for standard "
                        "output");
    command->add_option("--chroma", request->streams.chroma_444, "chroma of --y4m: 420 or 444")
        ->transform(
            CLI::CheckedTransformer(std::map<std::string, bool>{{"420", false}, {"444", true}}));
    command->add_flag("--raw", request->pictures.raw, "write frame_NNNNN.raw and frames.json");
    command->add_flag("--png", request->pictures.png, "write frame_NNNNN.png");
    command->add_option("--display", request->pictures.display, "display pixel format")
        ->check(CLI::IsMember({"rgb565", "rgb555", "rgb888", "pal8"}));
    command->add_flag("--double-width", request->pictures.double_width,
                      "decode every pixel twice side by side");
    auto* brightness =
        command->add_option("--brightness", request->pictures.brightness, "brightness in percent");
    ExportRangeRequest& range = request->range;
    auto* start_frame = command->add_option("--start-frame", range.start_frame,
                                            "first frame to write, counted from 0 (0)");
    auto* start =
        command
            ->add_option("--start", range.start_seconds,
                         "begin at the frame the player seeks to for this time in seconds")
            ->excludes(start_frame);
    auto* frames = command->add_option("--frames", range.frames, "how many frames to write (all)");
    command->callback([request, brightness, start_frame, start, frames, &status] {
        require_not_negative(*brightness, request->pictures.brightness);
        require_at_most(*brightness, request->pictures.brightness, MOST_BRIGHTNESS_PERCENT);
        const ExportRangeRequest& asked = request->range;
        require_not_negative(*start_frame, asked.start_frame.value_or(0));
        require_not_negative(*start, asked.start_seconds.value_or(0));
        require_above_zero(*frames, asked.frames.value_or(1));
        const bool pictures = request->pictures.png || request->pictures.raw;
        const bool ranged = asked.start_frame || asked.start_seconds || asked.frames;
        if (stream_export_asked(request->out_dir, request->wav, pictures, ranged,
                                request->streams)) {
            request->streams.movie = request->movie;
            status = run_stream_export(request->streams);
            return;
        }
        if (request->out_dir.empty()) {
            throw CLI::RequiredError("OUTDIR");
        }
        status = run_export(*request);
    });
}

}  // namespace qx
