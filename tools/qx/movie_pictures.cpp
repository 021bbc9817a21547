#include "tools/qx/movie_pictures.h"

#include <algorithm>
#include <cmath>

#include "tools/qx/number_text.h"

namespace qx {

bool MoviePictures::open(const std::string& path, double fps, std::string& error) {
    path_ = path;
    qx_options options;
    qx_default_options(&options);
    options.pixels = QX_PIXELS_RGBA;
    options.fps = fps;
    movie_ = open_movie_file(path, options, error);
    if (!movie_) {
        return false;
    }
    qx_get_info(movie_.get(), &info_);
    canvas_.width = std::max(info_.max_width, 1);
    canvas_.height = std::max(info_.max_height, 1);
    canvas_.rgb.assign(static_cast<size_t>(canvas_.width) * canvas_.height * 3, 0);
    return true;
}

int MoviePictures::next(RgbImage& picture, int64_t& index, int64_t& time_ms, std::string& error) {
    qx_frame frame{};
    const int result = qx_next_frame(movie_.get(), &frame);
    if (result < 0) {
        error = path_ + ": " + qx_error_text(result);
        return -1;
    }
    if (result == 0) {
        return 0;
    }
    index = frame.index;
    time_ms = frame.time_ms;
    if (frame.dropped != 0 || frame.pixels == nullptr) {
        ++dropped_;
    } else {
        const int32_t width = std::min(frame.width, canvas_.width);
        const int32_t height = std::min(frame.height, canvas_.height);
        const int32_t left = (canvas_.width - width) / 2;
        const int32_t top = (canvas_.height - height) / 2;
        if (width != canvas_.width || height != canvas_.height) {
            std::fill(canvas_.rgb.begin(), canvas_.rgb.end(), 0);
        }
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* in = frame.pixels + static_cast<size_t>(y) * frame.stride;
            uint8_t* out =
                canvas_.rgb.data() + (static_cast<size_t>(top + y) * canvas_.width + left) * 3;
            for (int32_t x = 0; x < width; ++x, in += frame.bytes_per_pixel, out += 3) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        }
    }
    picture = canvas_;
    return 1;
}

int64_t MoviePictures::duration_ms() const {
    return std::llround(info_.duration_seconds * 1000);
}

int64_t MoviePictures::shown_until_ms(int64_t index) {
    const int64_t next = index + 1 < info_.frames ? qx_frame_time_ms(movie_.get(), index + 1) : -1;
    return next >= 0 ? next : duration_ms();
}

std::vector<std::string> MoviePictures::problems() {
    std::vector<std::string> lines;
    qx_get_info(movie_.get(), &info_);
    for (int i = 0; i < info_.problems; ++i) {
        qx_problem problem{};
        if (qx_get_problem(movie_.get(), i, &problem) == 0) {
            lines.push_back(
                formatted("at byte %s: %s", grouped(problem.offset).c_str(), problem.text));
        }
    }
    return lines;
}

}  // namespace qx
