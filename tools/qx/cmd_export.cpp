#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tools/qx/commands.h"
#include "tools/qx/export_sinks.h"
#include "tools/qx/progress.h"

namespace {

struct ExportRequest {
    std::string movie;
    std::string out_dir;
    bool wav = false;
    PictureExportOptions pictures;
};

int run_export(const ExportRequest& request) {
    const bool any_output = request.wav || request.pictures.raw || request.pictures.png;
    const bool wav = request.wav || !any_output;
    PictureExportOptions pictures = request.pictures;
    pictures.png = pictures.png || !any_output;

    std::error_code code;
    std::filesystem::create_directories(request.out_dir, code);
    if (code) {
        std::fprintf(stderr, "qx export: %s: cannot create the folder (%s)\n",
                     request.out_dir.c_str(), code.message().c_str());
        return 1;
    }
    MovieScan scan;
    if (!scan.open(request.movie)) {
        std::fprintf(stderr, "qx export: %s\n", scan.error().c_str());
        return 1;
    }
    std::vector<std::unique_ptr<ExportSink>> sinks;
    if (pictures.raw || pictures.png) {
        sinks.push_back(make_picture_sink(request.out_dir, pictures));
    }
    if (wav) {
        sinks.push_back(make_wav_sink(request.out_dir));
    }
    std::erase(sinks, nullptr);
    std::string error;
    for (auto& sink : sinks) {
        if (!sink->begin(scan, error)) {
            std::fprintf(stderr, "qx export: %s\n", error.c_str());
            return 1;
        }
    }
    const auto file_bytes = static_cast<int64_t>(std::filesystem::file_size(request.movie, code));
    ProgressBar progress("exporting", file_bytes);
    scan.run([&](const ScannedChunk& chunk) {
        for (auto& sink : sinks) {
            sink->chunk(chunk, scan);
        }
        progress.update(chunk.next_offset);
    });
    progress.finish();
    int skipped = 0;
    for (auto& sink : sinks) {
        if (!sink->finish(error)) {
            std::fprintf(stderr, "qx export: %s\n", error.c_str());
            return 1;
        }
        skipped += sink->skipped();
    }
    return skipped > 0 ? 2 : 0;
}

}  // namespace

void add_export_command(CLI::App& app, int& status) {
    auto* command = app.add_subcommand(
        "export", "Decode a movie to pictures and sound (PNG and WAV unless told otherwise)");
    auto request = std::make_shared<ExportRequest>();
    command->add_option("MOVIE", request->movie, "the movie file")->required();
    command->add_option("OUTDIR", request->out_dir, "folder for the output")->required();
    command->add_flag("--wav", request->wav, "write audio.wav");
    command->add_flag("--raw", request->pictures.raw, "write frame_NNNNN.raw and frames.json");
    command->add_flag("--png", request->pictures.png, "write frame_NNNNN.png");
    command->add_option("--display", request->pictures.display, "display pixel format")
        ->check(CLI::IsMember({"rgb565", "rgb555", "rgb888", "pal8"}));
    command->add_flag("--double-width", request->pictures.double_width,
                      "decode every pixel twice side by side");
    command->add_option("--brightness", request->pictures.brightness, "brightness in percent");
    command->callback([request, &status] { status = run_export(*request); });
}
