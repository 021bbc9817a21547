#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qx {

// The pictures of a movie to encode, in order, all of one size.
class FrameSource {
  public:
    virtual ~FrameSource() = default;
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // The number of pictures, or an estimate where the input cannot say exactly.
    virtual int64_t frame_count() const = 0;
    // The input's own frame rate, 0 when it has none.
    virtual double frame_rate() const { return 0; }
    // The files the pictures are read from (none for pictures made in memory).
    virtual std::vector<std::string> files() const { return {}; }
    // Fills `rgb` with the next picture (width x height RGB triples). False at the end, and on
    // a fault, which leaves its reason in `error`.
    virtual bool next(std::vector<uint8_t>& rgb, std::string& error) = 0;

  protected:
    int32_t width_ = 0;
    int32_t height_ = 0;
};

// A YUV4MPEG2 stream for a path ending in ".y4m"; otherwise PNG pictures: a printf-style
// pattern such as "frames/%05d.png" (numbered from 0 or 1 on, until one is missing), a folder
// whose .png files are taken in name order, or a single .png file. Null, with the reason in
// `error`, when the input cannot be opened or holds no picture.
std::unique_ptr<FrameSource> open_frame_source(const std::string& input, std::string& error);

std::unique_ptr<FrameSource> open_png_frames(const std::string& input, std::string& error);
std::unique_ptr<FrameSource> open_y4m_frames(const std::string& path, std::string& error);

}  // namespace qx
