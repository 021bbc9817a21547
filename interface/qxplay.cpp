// The public C interface: a movie's pictures and sound on request, through readers of its own
// over the player's reader, decoders and seek, with no display, sound device, timer or thread.
#include "qxplay/qxplay.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <set>
#include <type_traits>
#include <utility>
#include <vector>

#include "audio/audio_chunk.h"
#include "interface/chunk_report.h"
#include "interface/chunk_stream.h"
#include "interface/movie_survey.h"
#include "interface/picture_buffers.h"
#include "player/display_params.h"
#include "player/reader.h"
#include "player/seek.h"
#include "video/display_setup.h"
#include "video/frame_dispatch.h"

namespace qx {

namespace {

#define QX_TEXT(value) #value
#define QX_VERSION_TEXT(major, minor, patch) QX_TEXT(major) "." QX_TEXT(minor) "." QX_TEXT(patch)

constexpr double DEFAULT_FPS = 15.0;
constexpr int DEFAULT_BRIGHTNESS = 100;

// A C caller may store any integer in the enum field: look at it as stored before taking it as a
// qx_pixels, which in C++ holds only the values the enum can represent.
bool pixels_known(const qx_options& options) {
    std::underlying_type_t<qx_pixels> stored;
    static_assert(sizeof stored == sizeof options.pixels);
    std::memcpy(&stored, &options.pixels, sizeof stored);
    return stored >= QX_PIXELS_RGBA && stored <= QX_PIXELS_PAL8;
}

// Opens the input once more: each reader of a movie has a position of its own.
using Opener = std::function<MovieFile*()>;

PixelFormat display_format_of(qx_pixels pixels) {
    PixelFormat format{};
    format.flags = PIXEL_FORMAT_RGB;
    switch (pixels) {
        case QX_PIXELS_RGB555:
            format.rgb_bit_count = 16;
            format.red_mask = 0x7C00;
            format.green_mask = 0x03E0;
            format.blue_mask = 0x001F;
            break;
        case QX_PIXELS_RGB888:
            format.rgb_bit_count = 32;
            format.red_mask = 0xFF0000;
            format.green_mask = 0xFF00;
            format.blue_mask = 0xFF;
            break;
        case QX_PIXELS_PAL8:
            format.flags |= PIXEL_FORMAT_PALETTE_INDEXED8;
            format.rgb_bit_count = 8;
            break;
        default:  // RGB565, and RGBA, which is widened from it
            format.rgb_bit_count = 16;
            format.red_mask = 0xF800;
            format.green_mask = 0x07E0;
            format.blue_mask = 0x001F;
            break;
    }
    return format;
}

unsigned codec_of_kind(int32_t kind) {
    switch (kind) {
        case VIDEO_RKD_KEY:
        case VIDEO_RKD_INTER:
            return QX_VIDEO_RKD;
        case VIDEO_MNB:
            return QX_VIDEO_MNB;
        default:
            return QX_VIDEO_ZLE;
    }
}

qx_audio_codec audio_codec_of(int32_t compression) {
    switch (compression) {
        case AUDIO_PCM:
            return QX_AUDIO_PCM;
        case AUDIO_XA:
            return QX_AUDIO_XA;
        case AUDIO_IMA:
            return QX_AUDIO_IMA;
        default:
            return QX_AUDIO_NONE;
    }
}

// Why a movie's reader would not take its first chunk at all.
int first_chunk_error(MovieFile* file) {
    uint8_t header[CHUNK_HEADER_BYTES] = {};
    const int32_t got = file_read(file, header, CHUNK_HEADER_BYTES);
    file_seek(file, 0, FILE_SEEK_SET);
    if (got < 0) {
        return QX_ERROR_READ;
    }
    const uint32_t size = header[4] | uint32_t{header[5]} << 8 | uint32_t{header[6]} << 16 |
                          uint32_t{header[7]} << 24;
    if (got != CHUNK_HEADER_BYTES || !is_known_chunk_tag(header) || size < CHUNK_HEADER_BYTES ||
        size > INT32_MAX || is_audio_data_tag(header)) {
        return QX_ERROR_NOT_A_MOVIE;
    }
    return QX_OK;
}

// The largest picture any frame of the movie can be decoded into.
size_t largest_picture_bytes(const MovieSurvey& survey, bool double_width) {
    size_t largest = 0;
    for (const SurveyedFrame& frame : survey.frames) {
        if (frame.width > 0 && frame.height > 0 && frame.width <= MAX_FRAME_SIDE &&
            frame.height <= MAX_FRAME_SIDE) {
            largest = std::max(largest, size_t(frame.width) * size_t(frame.height));
        }
    }
    return largest * 2 * (double_width ? 2 : 1);
}

}  // namespace

}  // namespace qx

// The handle the C interface gives out.
struct qx_movie {
    qx_options options{};
    qx::Opener opener;
    qx::MovieSurvey survey;

    qx::ChunkStream pictures;
    qx::PictureBuffers buffers;
    bool display_set_up = false;
    bool target_queued = false;  // a seek left the next frame queued in the pictures' reader
    int64_t next_frame = 0;
    std::vector<uint8_t> rgba;

    qx::ChunkStream sound;
    std::vector<int16_t> block;  // the sound block being given out, interleaved stereo
    size_t block_given = 0;      // sample frames of it already given

    ~qx_movie() {
        if (display_set_up) {
            qx::release_display(pictures.context().video);
        }
    }
};

namespace qx {

namespace {

int open_pictures(qx_movie& movie) {
    uint32_t flags = PLAY_APP_BUFFERS | PLAY_KEEP_BRIGHTNESS;
    if (movie.options.double_width) {
        flags |= PLAY_DOUBLE_WIDTH;
    }
    if (!movie.pictures.open(movie.opener(), flags, movie.options.stop_at_damage != 0)) {
        return QX_ERROR_MEMORY;
    }
    PlayParams& params = movie.pictures.params();
    set_display_pixel_format(params, display_format_of(movie.options.pixels));
    params.brightness = movie.options.brightness;
    const size_t bytes = largest_picture_bytes(movie.survey, movie.options.double_width != 0);
    if (bytes > 0 && !movie.buffers.allocate(bytes, params)) {
        return QX_ERROR_MEMORY;
    }
    setup_display(movie.pictures.context().video);
    movie.display_set_up = true;
    return QX_OK;
}

int open_movie(qx_movie& movie) {
    MovieFile* first = movie.opener();
    if (first == nullptr) {
        return QX_ERROR_OPEN;
    }
    const int problem = first_chunk_error(first);
    if (problem != QX_OK) {
        file_close(first, 0);
        return problem;
    }
    if (!survey_movie(first, movie.options.stop_at_damage != 0, movie.survey)) {
        return QX_ERROR_MEMORY;
    }
    const int pictures = open_pictures(movie);
    if (pictures != QX_OK) {
        return pictures;
    }
    return movie.sound.open(movie.opener(), 0, movie.options.stop_at_damage != 0) ? QX_OK
                                                                                  : QX_ERROR_MEMORY;
}

qx_movie* open_with(Opener opener, const qx_options* options, int* error) {
    auto* movie = new (std::nothrow) qx_movie;
    int result = QX_ERROR_MEMORY;
    if (movie != nullptr) {
        qx_default_options(&movie->options);
        if (options != nullptr) {
            movie->options = *options;
        }
        qx_options& chosen = movie->options;
        if (chosen.brightness == 0) {
            chosen.brightness = DEFAULT_BRIGHTNESS;
        }
        if (!(chosen.fps > 0)) {
            chosen.fps = DEFAULT_FPS;
        }
        result = !pixels_known(chosen) || chosen.brightness < 0 || chosen.fps > 1000
                     ? QX_ERROR_ARGUMENT
                     : QX_OK;
        if (result == QX_OK) {
            movie->opener = std::move(opener);
            result = open_movie(*movie);
        }
    }
    if (error != nullptr) {
        *error = result;
    }
    if (result != QX_OK) {
        delete movie;
        return nullptr;
    }
    return movie;
}

int64_t frame_count(const qx_movie& movie) {
    return static_cast<int64_t>(movie.survey.frames.size());
}

// Decodes the frame in `slot` as the player would and describes it in `frame`.
void decode_frame(qx_movie& movie, const VideoFrameSlot& slot, qx_frame& frame) {
    PlayerContext& context = movie.pictures.context();
    PlayParams& params = movie.pictures.params();
    frame = qx_frame{};
    frame.index = slot.sequence;
    frame.time_ms = frame_time_ms(movie.survey, slot.sequence, movie.options.fps);
    frame.codec = codec_of_kind(slot.kind);
    PictureGeometry geometry{};
    const bool decoded = decode_video_frame(context.video, payload_of(slot)) &&
                         picture_geometry(context.video, slot.kind, geometry);
    note_frame_consumed(context, slot.sequence, decoded);
    if (!decoded) {
        frame.dropped = 1;
    } else if (movie.options.pixels == QX_PIXELS_RGBA) {
        const size_t pixels = size_t(geometry.width) * size_t(geometry.rows);
        movie.rgba.resize(pixels * 4);
        widen_rgb565_to_rgba(params.draw_buffer, pixels, movie.rgba.data());
        frame.pixels = movie.rgba.data();
        frame.bytes = movie.rgba.size();
        frame.bytes_per_pixel = 4;
    } else {
        frame.pixels = params.draw_buffer;
        frame.bytes = geometry.bytes;
        frame.bytes_per_pixel = static_cast<int>(geometry.row_bytes / uint32_t(geometry.width));
        if (movie.options.pixels == QX_PIXELS_PAL8) {
            frame.palette = context.video.rkd.palette;
        }
    }
    if (!frame.dropped) {
        frame.width = geometry.width;
        frame.height = geometry.rows;
        frame.stride = geometry.width * frame.bytes_per_pixel;
    }
    // The picture stays where it is: the next frame is decoded into the other one.
    swap_work_surfaces(context.video);
}

// Takes the next block of sound from the sound's reader into `movie.block`; false at the end.
bool next_sound_block(qx_movie& movie) {
    StreamChunk chunk{};
    while (movie.sound.next(chunk)) {
        if (chunk.result == READ_AUDIO && chunk.audio->bytes >= 4) {
            const auto* samples = reinterpret_cast<const int16_t*>(chunk.audio->data);
            movie.block.assign(samples, samples + chunk.audio->bytes / 4 * 2);
            movie.block_given = 0;
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" {

const char* qx_version(void) {
    return QX_VERSION_TEXT(QXPLAY_VERSION_MAJOR, QXPLAY_VERSION_MINOR, QXPLAY_VERSION_PATCH);
}

const char* qx_error_text(int error) {
    switch (error) {
        case QX_OK:
            return "no error";
        case QX_ERROR_ARGUMENT:
            return "invalid argument";
        case QX_ERROR_MEMORY:
            return "out of memory";
        case QX_ERROR_OPEN:
            return "cannot be opened for reading";
        case QX_ERROR_READ:
            return "read error";
        case QX_ERROR_NOT_A_MOVIE:
            return "not a movie";
        case QX_ERROR_NO_FRAME:
            return "no such frame";
        case QX_ERROR_SEEK:
            return "the movie cannot be followed to that frame";
        default:
            return "unknown error";
    }
}

void qx_default_options(qx_options* options) {
    if (options != nullptr) {
        *options = qx_options{};
        options->pixels = QX_PIXELS_RGBA;
        options->brightness = DEFAULT_BRIGHTNESS;
        options->fps = DEFAULT_FPS;
    }
}

qx_movie* qx_open_file(const char* path, const qx_options* options, int* error) {
    if (path == nullptr) {
        if (error != nullptr) {
            *error = QX_ERROR_ARGUMENT;
        }
        return nullptr;
    }
    const std::string name = path;
    return open_with([name] { return file_open(name.c_str(), 0); }, options, error);
}

qx_movie* qx_open_memory(const void* data, size_t size, const qx_options* options, int* error) {
    if (data == nullptr && size != 0) {
        if (error != nullptr) {
            *error = QX_ERROR_ARGUMENT;
        }
        return nullptr;
    }
    // Empty memory still needs an address to read nothing from.
    static const uint8_t nothing = 0;
    const void* bytes = size == 0 ? &nothing : data;
    return open_with([bytes, size] { return file_open_memory(bytes, size); }, options, error);
}

qx_movie* qx_open_io(const qx_io* io, void* cookie, const qx_options* options, int* error) {
    if (io == nullptr || io->read == nullptr || io->seek == nullptr) {
        if (error != nullptr) {
            *error = QX_ERROR_ARGUMENT;
        }
        return nullptr;
    }
    const FileSource source{io->read, io->seek, io->size};
    return open_with([source, cookie] { return file_open_source(source, cookie); }, options, error);
}

void qx_close(qx_movie* movie) {
    delete movie;
}

int qx_get_info(qx_movie* movie, qx_info* info) {
    if (movie == nullptr || info == nullptr) {
        return QX_ERROR_ARGUMENT;
    }
    const MovieSurvey& survey = movie->survey;
    *info = qx_info{};
    info->frames = frame_count(*movie);
    info->file_bytes = survey.file_bytes;
    info->problems = static_cast<int>(survey.damage.size());
    std::set<std::pair<int32_t, int32_t>> sizes;
    for (const SurveyedFrame& frame : survey.frames) {
        info->video_codecs |= codec_of_kind(frame.kind);
        if (frame.width > 0 && frame.height > 0) {
            if (sizes.empty()) {
                info->width = frame.width;
                info->height = frame.height;
            }
            sizes.insert({frame.width, frame.height});
            info->max_width = std::max(info->max_width, frame.width);
            info->max_height = std::max(info->max_height, frame.height);
        }
    }
    info->sizes = static_cast<int>(sizes.size());
    if (survey.has_audio) {
        info->audio_header = 1;
        info->audio_codec = audio_codec_of(survey.compression);
        info->compression = survey.compression;
        info->sample_rate = survey.sample_rate;
        info->sample_bits = survey.sample_bits;
        info->channels = survey.channels;
        info->audio_frames = survey.sound_frames;
    }
    info->sound_blocks = static_cast<int64_t>(survey.blocks.size());
    if (survey.sound_frames > 0 && survey.sample_rate > 0) {
        info->duration_seconds = static_cast<double>(survey.sound_frames) / survey.sample_rate;
        // The pace of the pictures themselves: the sound may run on past the last of them.
        const int64_t last_ms = frame_time_ms(survey, info->frames - 1, movie->options.fps);
        info->fps = info->frames > 1 && last_ms > 0 ? (info->frames - 1) * 1000.0 / last_ms
                    : info->duration_seconds > 0    ? info->frames / info->duration_seconds
                                                    : 0;
    } else {
        info->fps_assumed = 1;
        info->fps = movie->options.fps;
        info->duration_seconds = info->frames / movie->options.fps;
    }
    return QX_OK;
}

int qx_get_problem(qx_movie* movie, int index, qx_problem* problem) {
    if (movie == nullptr || problem == nullptr || index < 0 ||
        static_cast<size_t>(index) >= movie->survey.damage.size()) {
        return QX_ERROR_ARGUMENT;
    }
    const DamagedStretch& stretch = movie->survey.damage[static_cast<size_t>(index)];
    problem->offset = stretch.offset;
    problem->bytes = stretch.end - stretch.offset;
    std::snprintf(problem->text, sizeof problem->text, "%s", stretch.text.c_str());
    return QX_OK;
}

int qx_get_frame_entry(qx_movie* movie, int64_t index, qx_frame_entry* entry) {
    if (movie == nullptr || entry == nullptr || index < 0 || index >= frame_count(*movie)) {
        return QX_ERROR_ARGUMENT;
    }
    const SurveyedFrame& frame = movie->survey.frames[static_cast<size_t>(index)];
    *entry = qx_frame_entry{};
    entry->offset = frame.offset;
    entry->sound_before = frame.sound_before;
    entry->kind = frame.kind;
    entry->stated_width = frame.stated_width;
    entry->stated_height = frame.stated_height;
    return QX_OK;
}

int qx_get_sound_block(qx_movie* movie, int64_t index, qx_sound_block* block) {
    if (movie == nullptr || block == nullptr || index < 0 ||
        index >= static_cast<int64_t>(movie->survey.blocks.size())) {
        return QX_ERROR_ARGUMENT;
    }
    const SurveyedBlock& found = movie->survey.blocks[static_cast<size_t>(index)];
    *block = qx_sound_block{};
    block->offset = found.offset;
    block->first = found.first;
    block->frames = found.frames;
    block->video_stamp = found.video_stamp;
    block->sides_equal = found.sides_equal ? 1 : 0;
    return QX_OK;
}

int qx_walk_chunks(qx_movie* movie, int (*visit)(void* cookie, const qx_chunk* chunk),
                   void* cookie) {
    if (movie == nullptr || visit == nullptr) {
        return QX_ERROR_ARGUMENT;
    }
    MovieFile* file = movie->opener();
    if (file == nullptr) {
        return QX_ERROR_OPEN;
    }
    ChunkStream walk;
    if (!walk.open(file, 0, movie->options.stop_at_damage != 0)) {
        return QX_ERROR_MEMORY;
    }
    StreamChunk chunk{};
    qx_chunk report{};
    while (walk.next(chunk)) {
        report_chunk(chunk, movie->survey.has_audio, report);
        if (visit(cookie, &report) != 0) {
            break;
        }
    }
    return QX_OK;
}

int qx_next_frame(qx_movie* movie, qx_frame* frame) {
    if (movie == nullptr || frame == nullptr) {
        return QX_ERROR_ARGUMENT;
    }
    if (movie->next_frame >= frame_count(*movie)) {
        return 0;
    }
    if (movie->target_queued) {
        movie->target_queued = false;
        PlayerContext& context = movie->pictures.context();
        decode_frame(*movie, ring_front(context.reader.video_ring), *frame);
        release_video_slot(context);
    } else {
        StreamChunk chunk{};
        do {
            if (!movie->pictures.next(chunk)) {
                movie->next_frame = frame_count(*movie);
                return 0;
            }
        } while (chunk.result != READ_VIDEO);
        decode_frame(*movie, *chunk.video, *frame);
    }
    movie->next_frame = frame->index + 1;
    return 1;
}

size_t qx_read_audio(qx_movie* movie, int16_t* stereo, size_t sample_frames) {
    if (movie == nullptr || stereo == nullptr) {
        return 0;
    }
    size_t given = 0;
    while (given < sample_frames) {
        const size_t left = movie->block.size() / 2 - movie->block_given;
        if (left == 0) {
            if (!next_sound_block(*movie)) {
                break;
            }
            continue;
        }
        const size_t take = std::min(left, sample_frames - given);
        std::memcpy(stereo + 2 * given, movie->block.data() + 2 * movie->block_given,
                    take * 2 * sizeof(int16_t));
        movie->block_given += take;
        given += take;
    }
    return given;
}

int qx_seek_frame(qx_movie* movie, int64_t frame) {
    if (movie == nullptr) {
        return QX_ERROR_ARGUMENT;
    }
    if (frame < 0 || frame >= frame_count(*movie)) {
        return QX_ERROR_NO_FRAME;
    }
    const auto target = static_cast<int32_t>(frame);
    PlayerContext& pictures = movie->pictures.context();
    movie->pictures.resume();
    movie->target_queued = false;
    movie->next_frame = frame_count(*movie);
    if (!movie_index_scan(pictures, INT32_MAX) || target >= pictures.seek.index.frame_count ||
        seek_decoders_to(pictures, target) != SEEK_DONE) {
        return QX_ERROR_SEEK;
    }
    movie->target_queued = true;
    movie->next_frame = frame;
    movie->sound.resume();
    movie->block.clear();
    movie->block_given = 0;
    if (movie->survey.has_audio && seek_sound_to(movie->sound.context(), target) != SEEK_DONE) {
        return QX_ERROR_SEEK;
    }
    return QX_OK;
}

int qx_seek_time(qx_movie* movie, int64_t milliseconds) {
    if (movie == nullptr) {
        return QX_ERROR_ARGUMENT;
    }
    const int64_t count = frame_count(*movie);
    if (count == 0) {
        return QX_ERROR_NO_FRAME;
    }
    // Times never fall as frames go on: the last frame not after the time, by halving.
    int64_t low = 0;
    int64_t high = count - 1;
    while (low < high) {
        const int64_t middle = low + (high - low + 1) / 2;
        if (frame_time_ms(movie->survey, middle, movie->options.fps) <= milliseconds) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return qx_seek_frame(movie, low);
}

int64_t qx_frame_time_ms(qx_movie* movie, int64_t frame) {
    if (movie == nullptr || frame < 0) {
        return QX_ERROR_ARGUMENT;
    }
    return frame_time_ms(movie->survey, frame, movie->options.fps);
}

int qx_set_brightness(qx_movie* movie, int percent) {
    if (movie == nullptr || percent < 0) {
        return QX_ERROR_ARGUMENT;
    }
    movie->options.brightness = percent;
    movie->pictures.params().brightness = movie->options.brightness;
    return QX_OK;
}

}  // extern "C"

}  // namespace qx
