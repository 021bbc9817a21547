#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/qx/commands.h"
#include "tools/qx/movie_pictures.h"
#include "tools/qx/output_file.h"
#include "tools/qx/picture_png.h"
#include "tools/qx/picture_scale.h"
#include "tools/qx/thumbnail_choice.h"

namespace qx {

namespace {

struct ThumbnailRequest {
    std::string movie;
    std::string out;
    int size = 256;
    std::optional<double> at_seconds;
};

// The picture shown at `frame`, reached by seeking rather than decoding all before it.
bool picture_at(MoviePictures& source, int64_t frame, RgbImage& picture, std::string& error) {
    const int sought = qx_seek_frame(source.movie(), frame);
    int64_t index = 0;
    int64_t time_ms = 0;
    if (sought < 0) {
        error =
            "frame " + std::to_string(frame) + " cannot be reached (" + qx_error_text(sought) + ")";
        return false;
    }
    return source.next(picture, index, time_ms, error) == 1;
}

bool representative_picture(MoviePictures& source, RgbImage& chosen, std::string& error) {
    std::vector<RgbImage> pictures;
    std::vector<PictureDetail> details;
    for (const int64_t frame : thumbnail_candidates(source.info().frames)) {
        RgbImage picture;
        if (!picture_at(source, frame, picture, error)) {
            continue;  // a damaged stretch: another candidate may do
        }
        details.push_back(picture_detail(picture));
        pictures.push_back(std::move(picture));
        if (!says_little(details.back())) {
            break;
        }
    }
    if (pictures.empty()) {
        if (error.empty()) {
            error = "holds no pictures";
        }
        return false;
    }
    chosen = std::move(pictures[choose_thumbnail(details)]);
    return true;
}

int run_thumbnail(const ThumbnailRequest& request) {
    MoviePictures source;
    std::string error;
    RgbImage picture;
    bool found = source.open(request.movie, 0, error);
    if (found && request.at_seconds) {
        const int sought = qx_seek_time(source.movie(), std::llround(*request.at_seconds * 1000));
        int64_t index = 0;
        int64_t time_ms = 0;
        found = sought >= 0 && source.next(picture, index, time_ms, error) == 1;
        if (!found && error.empty()) {
            error = request.movie + ": no picture at that time";
        }
    } else if (found) {
        found = representative_picture(source, picture, error);
        if (!found) {
            error = request.movie + ": " + error;
        }
    }
    OutputFile output;
    if (!found || !output.create(request.out, error) ||
        !write_png("/proc/self/fd/" + std::to_string(output.fd()),
                   fit_picture(picture, request.size), error) ||
        !output.commit(error)) {
        std::fprintf(stderr, "qx thumbnail: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

void add_thumbnail_command(CLI::App& app, int& status) {
    auto* command = app.add_subcommand(
        "thumbnail", "Write a picture that shows what a movie holds, as a PNG (for file managers)");
    auto request = std::make_shared<ThumbnailRequest>();
    add_movie_argument(*command, request->movie);
    command->add_option("OUT", request->out, "the PNG file to write")->required();
    command->add_option("--size", request->size, "fit the picture in N x N pixels (256)")
        ->check(CLI::Range(1, 4096));
    auto* at = command->add_option("--at", request->at_seconds,
                                   "the picture shown at this time in seconds (a chosen one)");
    command->callback([request, at, &status] {
        require_not_negative(*at, request->at_seconds.value_or(0));
        status = run_thumbnail(*request);
    });
}

}  // namespace qx
