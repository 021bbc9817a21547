#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tools/qx/commands.h"
#include "tools/qx/convert_jobs.h"

namespace qx {

namespace {

struct ConvertRequest {
    std::vector<std::string> movies;
    std::string out;
    ConvertOptions options;
    int jobs = 0;
};

// Whether two paths name one file, also through links and different spellings.
bool same_file(const std::string& a, const std::string& b) {
    std::error_code failure;
    if (std::filesystem::equivalent(a, b, failure)) {
        return true;
    }
    return std::filesystem::weakly_canonical(a, failure) ==
           std::filesystem::weakly_canonical(b, failure);
}

// One movie goes to OUT itself (or into OUT when that is a folder); several go into the folder
// OUT, each named after its movie. False, with the reason, when that cannot be done safely.
bool plan_outputs(const ConvertRequest& request, std::vector<ConvertJob>& jobs,
                  std::string& error) {
    std::error_code failure;
    const bool into_folder =
        request.movies.size() > 1 || std::filesystem::is_directory(request.out, failure);
    if (into_folder && !std::filesystem::is_directory(request.out, failure)) {
        std::filesystem::create_directories(request.out, failure);
        if (failure) {
            error = request.out + ": cannot create the folder (" + failure.message() + ")";
            return false;
        }
    }
    std::set<std::string> names;
    for (const std::string& movie : request.movies) {
        std::string out = request.out;
        if (into_folder) {
            const std::string name =
                std::filesystem::path(movie).filename().replace_extension(".webm").string();
            if (!names.insert(name).second) {
                error = "two movies would both become " + name + " in " + request.out;
                return false;
            }
            out = (std::filesystem::path(request.out) / name).string();
        }
        for (const std::string& input : request.movies) {
            if (same_file(out, input)) {
                error = out + ": is one of the movies to convert; choose another output";
                return false;
            }
        }
        jobs.push_back({movie, out});
    }
    return true;
}

int run_convert(const ConvertRequest& request) {
    std::vector<ConvertJob> jobs;
    std::string error;
    if (!plan_outputs(request, jobs, error)) {
        std::fprintf(stderr, "qx convert: %s\n", error.c_str());
        return QX_USAGE_ERROR;
    }
    const auto cores = static_cast<int>(std::thread::hardware_concurrency());
    const int failed =
        convert_all(jobs, request.options, plan_jobs(request.jobs, jobs.size(), cores));
    const size_t converted = jobs.size() - static_cast<size_t>(failed);
    if (jobs.size() == 1) {
        if (failed == 0) {
            std::printf("wrote %s\n", jobs.front().out.c_str());
        }
    } else {
        std::printf("converted %zu of %zu movies into %s\n", converted, jobs.size(),
                    request.out.c_str());
    }
    return failed > 0 ? 1 : 0;
}

}  // namespace

void add_convert_command(CLI::App& app, int& status) {
    auto* command = app.add_subcommand(
        "convert", "Convert movies to WebM (VP9 pictures, Opus sound) that browsers play");
    auto request = std::make_shared<ConvertRequest>();
    command
        ->add_option("MOVIE", request->movies,
                     "the movies to convert; - for standard input redirected from one")
        ->required()
        ->transform([](const std::string& text) { return text == "-" ? "/dev/stdin" : text; });
    command
        ->add_option("-o,--output", request->out,
                     "the WebM file for one movie; a folder for several")
        ->required();
    ConvertOptions& options = request->options;
    command->add_option("--scale", options.scale, "enlarge every picture N times (1)")
        ->check(CLI::Range(1, 8));
    command->add_flag("--smooth", options.smooth, "enlarge with blended rather than sharp pixels");
    auto* quality = command
                        ->add_option("--quality", options.quality,
                                     "0 to 100; 75 (the default) shows no visible loss")
                        ->check(CLI::Range(0, 100));
    command->add_flag("--lossless", options.lossless, "exact pictures (VP9 lossless, 4:4:4)")
        ->excludes(quality);
    auto* fps = command->add_option("--fps", options.fps,
                                    "frames a second of a movie without sound (the player's 15)");
    command
        ->add_option("--jobs", request->jobs,
                     "movies converted at once (as many as there are cores)")
        ->check(CLI::PositiveNumber);
    command->callback([request, fps, &status] {
        require_above_zero(*fps, request->options.fps);
        status = run_convert(*request);
    });
}

}  // namespace qx
