#pragma once
#include <qxplay/qxplay.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qx {

struct ChunkInfo {
    int64_t offset;
    std::string tag;
    uint32_t size;
    int32_t result;
    std::string action;
};

// A stretch of the file the reader could not follow, with the bytes it covers.
struct MovieProblem {
    int64_t offset;
    int64_t end;
    std::string text;
};

// What `qx info` tells of a movie: every chunk as the player's reader takes it, and the
// summary a viewer wants.
struct MovieInfo {
    std::string path;
    int64_t file_bytes = 0;
    bool has_audio = false;
    // The audio format the player plays the movie at: the one in effect when it starts its
    // sound (a later header changes nothing).
    bool audio_format_set = false;
    int32_t channels = 0;
    int32_t sample_rate = 0;
    int32_t sample_bits = 0;
    int32_t compression = 0;
    qx_audio_codec audio_codec = QX_AUDIO_NONE;  // none also for a compression nobody decodes
    int32_t video_kinds[5] = {};                 // indexed by QX_FRAME_* kind 1 to 4
    std::vector<std::string> video_codecs;       // "rkd", "mnb", "zle" in order of first appearance
    int32_t video_frames = 0;
    int32_t audio_chunks = 0;
    int64_t audio_frames = 0;  // decoded sample frames
    // Where the pictures meet the sound: the first and the last picture count a block of sound
    // carries (the pictures read before it), with the sample frames decoded before that block.
    // The clock shows picture n when the first block carrying n starts to play.
    int32_t first_stamp = 0;
    int64_t first_stamp_at = 0;
    int32_t last_stamp = 0;
    int64_t last_stamp_at = 0;
    int32_t frame_width = 0;  // the first picture's size
    int32_t frame_height = 0;
    // Every picture size the movie uses, in order of first appearance.
    std::vector<std::pair<int32_t, int32_t>> frame_sizes;
    std::vector<ChunkInfo> chunks;
    std::vector<MovieProblem> problems;

    // Length of the decoded sound at the played rate; none without sound.
    std::optional<double> duration_seconds() const;
    // Pictures per second of the sound they are paced by, over the stretch where pictures and
    // sound interleave (sound before or after all pictures does not count); over the whole
    // length when they never interleave. None without sound.
    std::optional<double> frames_per_second() const;
    // The length and pace a viewer sees: the sound's, or for pictures without sound the pace
    // a player shows them at, ASSUMED_FRAMES_PER_SECOND, flagged as assumed. None for a movie
    // with neither.
    struct Timing {
        double seconds;
        std::optional<double> fps;
        bool assumed;
    };
    std::optional<Timing> timing() const;
};

// The pace of a movie whose pictures no sound paces.
inline constexpr double ASSUMED_FRAMES_PER_SECOND = 15;

// False, with one line in `error`, when the file is missing, unreadable or not a movie.
// Without `list_chunks` the chunk list stays empty, so that the memory a scan takes does not
// grow with the number of chunks in the file.
bool read_movie_info(const std::string& path, MovieInfo& info, std::string& error,
                     bool list_chunks = true);
// "ORLUND.MNB: 16.00 s, 2.90 MB, 1,451 kb/s" and the video and audio lines, then at most a few
// lines of problems.
std::string movie_info_summary(const MovieInfo& info);
// The chunk table of `qx info --chunks`.
std::string movie_info_chunk_table(const MovieInfo& info);
std::string movie_info_json(const MovieInfo& info, bool with_chunks);
// Audio codec names: "pcm", "xa-adpcm", "ima-adpcm"; null for none.
const char* audio_codec_name(qx_audio_codec codec);

}  // namespace qx
