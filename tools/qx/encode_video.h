#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qx {

enum class VideoFormat { Rkd, Mnb, Zle };

// The format named "rkd", "mnb" or "zle"; false for any other name.
bool video_format_named(const std::string& name, VideoFormat& format);
const char* video_format_label(VideoFormat format);

// One encoded picture: the chunk's tag and body.
struct EncodedFrame {
    const char (*tag)[5];
    std::vector<uint8_t> payload;
};

// Encodes the pictures of one movie, in order, and says what a player will show for each.
class VideoTrackEncoder {
  public:
    virtual ~VideoTrackEncoder() = default;
    // `rgb` holds one picture of the size the encoder was made for. `shown` receives the
    // picture the player shows for the frame, as 8-bit RGB.
    virtual bool encode(const std::vector<uint8_t>& rgb, EncodedFrame& frame,
                        std::vector<uint8_t>& shown, std::string& error) = 0;
};

// Quality 0..100. Null, with the reason in `error`, for a picture size the format cannot carry.
std::unique_ptr<VideoTrackEncoder> make_video_encoder(VideoFormat format, int32_t quality,
                                                      int32_t width, int32_t height,
                                                      std::string& error);

}  // namespace qx
