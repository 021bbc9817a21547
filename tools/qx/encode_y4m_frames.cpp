#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "tools/qx/encode_frames.h"

namespace qx {

namespace {

// How the chroma planes of a stream are subsampled.
struct ChromaLayout {
    int32_t shift_x;
    int32_t shift_y;
    bool present;
};

// The 8-bit layouts; deeper samples (420p10 and the like) and alpha planes are refused.
bool chroma_layout_named(const std::string& name, ChromaLayout& layout) {
    if (name == "420" || name == "420jpeg" || name == "420mpeg2" || name == "420paldv") {
        layout = {1, 1, true};  // chroma siting is not modelled
    } else if (name == "422") {
        layout = {1, 0, true};
    } else if (name == "444") {
        layout = {0, 0, true};
    } else if (name == "mono") {
        layout = {0, 0, false};
    } else {
        return false;
    }
    return true;
}

uint8_t clamp_byte(double value) {
    return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

// 8-bit YUV4MPEG2: a header line, then frames of "FRAME" lines and planes. Samples are taken
// as studio-range ITU-R BT.601, which is what the format's streams carry unless told otherwise.
class Y4mFrames : public FrameSource {
  public:
    ~Y4mFrames() override {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }

    bool open(const std::string& path, std::string& error) {
        path_ = path;
        file_ = std::fopen(path.c_str(), "rb");
        if (file_ == nullptr) {
            error = path + ": cannot be opened";
            return false;
        }
        std::string header;
        if (!read_line(header) || header.rfind("YUV4MPEG2", 0) != 0) {
            error = path + ": not a YUV4MPEG2 stream";
            return false;
        }
        std::istringstream fields(header.substr(9));
        std::string field;
        std::string colour = "420jpeg";
        while (fields >> field) {
            const std::string value = field.substr(1);
            switch (field[0]) {
                case 'W':
                    width_ = std::atoi(value.c_str());
                    break;
                case 'H':
                    height_ = std::atoi(value.c_str());
                    break;
                case 'C':
                    colour = value;
                    break;
                case 'F':
                    rate_ = parse_ratio(value);
                    break;
                // Interlacing (I) and aspect (A) tags are accepted: the fields are coded as
                // the woven picture and pixels as square.
                default:
                    break;
            }
        }
        if (width_ <= 0 || height_ <= 0 || width_ > 32767 || height_ > 32767) {
            error = path + ": no valid picture size in the stream header";
            return false;
        }
        if (!chroma_layout_named(colour, layout_)) {
            error = path + ": colour space C" + colour +
                    " is not supported (8-bit 420, 422, 444 or mono only)";
            return false;
        }
        const size_t luma = static_cast<size_t>(width_) * height_;
        chroma_width_ = (width_ + (1 << layout_.shift_x) - 1) >> layout_.shift_x;
        chroma_height_ = (height_ + (1 << layout_.shift_y) - 1) >> layout_.shift_y;
        const size_t chroma =
            layout_.present ? static_cast<size_t>(chroma_width_) * chroma_height_ : 0;
        const size_t frame_bytes = luma + 2 * chroma;
        std::fseek(file_, 0, SEEK_END);
        const long end = std::ftell(file_);
        std::fseek(file_, data_start_, SEEK_SET);
        // Sized from the file, not the header alone, so that a header cannot ask for more
        // memory than the stream could fill.
        frame_count_ = (end - data_start_) / static_cast<long>(frame_bytes + 6);
        if (frame_count_ == 0) {
            error = path + ": the stream holds no whole frame";
            return false;
        }
        planes_.assign(frame_bytes, 0);
        return true;
    }

    int64_t frame_count() const override { return frame_count_; }
    double frame_rate() const override { return rate_; }
    std::vector<std::string> files() const override { return {path_}; }

    // A stream must end after a whole frame: anything else means a damaged file or a header
    // whose size or colour space does not match the data, and is an error, not an end.
    bool next(std::vector<uint8_t>& rgb, std::string& error) override {
        const std::string frame = "frame " + std::to_string(frames_read_ + 1);
        std::string line;
        const bool read = read_line(line);
        if (!read && line.empty() && std::feof(file_) != 0) {
            return false;
        }
        if (!read || line.rfind("FRAME", 0) != 0) {
            error = path_ + ": " + frame +
                    " does not start with FRAME (does the header's size "
                    "and colour space match the data?)";
            return false;
        }
        if (std::fread(planes_.data(), 1, planes_.size(), file_) != planes_.size()) {
            error = path_ + ": the stream ends inside " + frame;
            return false;
        }
        ++frames_read_;
        convert(rgb);
        return true;
    }

  private:
    // Reads up to a newline; false at the end of the file or on a line no header would need.
    bool read_line(std::string& line) {
        line.clear();
        for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) {
            if (c == '\n') {
                data_start_ = std::ftell(file_);
                return true;
            }
            if (line.size() > 4096) {
                return false;
            }
            line.push_back(static_cast<char>(c));
        }
        return false;
    }

    static double parse_ratio(const std::string& value) {
        const size_t colon = value.find(':');
        const double numerator = std::atof(value.substr(0, colon).c_str());
        const double denominator =
            colon == std::string::npos ? 1 : std::atof(value.substr(colon + 1).c_str());
        return denominator > 0 && numerator > 0 ? numerator / denominator : 0;
    }

    void convert(std::vector<uint8_t>& rgb) const {
        rgb.resize(static_cast<size_t>(width_) * height_ * 3);
        const uint8_t* luma = planes_.data();
        const uint8_t* cb = luma + static_cast<size_t>(width_) * height_;
        const uint8_t* cr = cb + static_cast<size_t>(chroma_width_) * chroma_height_;
        for (int32_t y = 0; y < height_; ++y) {
            for (int32_t x = 0; x < width_; ++x) {
                const size_t at = static_cast<size_t>(y) * width_ + x;
                const size_t chroma_at = static_cast<size_t>(y >> layout_.shift_y) * chroma_width_ +
                                         (x >> layout_.shift_x);
                const double l = 1.164383 * (luma[at] - 16);
                const double u = layout_.present ? cb[chroma_at] - 128.0 : 0;
                const double v = layout_.present ? cr[chroma_at] - 128.0 : 0;
                rgb[3 * at] = clamp_byte(l + 1.596027 * v);
                rgb[3 * at + 1] = clamp_byte(l - 0.391762 * u - 0.812968 * v);
                rgb[3 * at + 2] = clamp_byte(l + 2.017232 * u);
            }
        }
    }

    std::string path_;
    std::FILE* file_ = nullptr;
    long data_start_ = 0;
    ChromaLayout layout_{};
    int32_t chroma_width_ = 0;
    int32_t chroma_height_ = 0;
    double rate_ = 0;
    int64_t frame_count_ = 0;
    int64_t frames_read_ = 0;
    std::vector<uint8_t> planes_;
};

}  // namespace

std::unique_ptr<FrameSource> open_y4m_frames(const std::string& path, std::string& error) {
    auto frames = std::make_unique<Y4mFrames>();
    if (!frames->open(path, error)) {
        return nullptr;
    }
    return frames;
}

}  // namespace qx
