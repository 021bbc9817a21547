/* qxplay: pictures and sound of Qx movies, on request.
 *
 * Open a movie from a file, from memory or through callbacks, then ask for its pictures one by
 * one in the pixel format you want, read its sound as 16-bit stereo, and seek to any frame;
 * every picture and every sample is exactly what the player shows and plays. Nothing is printed,
 * no thread is started and nothing is shared between movies: any number may be open at once on
 * any threads, each used by one thread at a time. Calls return 0 (or a count) on success and a
 * negative QX_ERROR_* code on failure. */
#ifndef QXPLAY_QXPLAY_H
#define QXPLAY_QXPLAY_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define QXPLAY_VERSION_MAJOR 0
#define QXPLAY_VERSION_MINOR 3
#define QXPLAY_VERSION_PATCH 0

#if defined(QXPLAY_STATIC) || !defined(__GNUC__)
#define QXPLAY_API
#else
#define QXPLAY_API __attribute__((visibility("default")))
#endif

typedef struct qx_movie qx_movie;

enum {
    QX_OK = 0,
    QX_ERROR_ARGUMENT = -1,    /* a null pointer or a value out of its range */
    QX_ERROR_MEMORY = -2,      /* no memory for the movie */
    QX_ERROR_OPEN = -3,        /* the file cannot be opened for reading */
    QX_ERROR_READ = -4,        /* reading or seeking the input failed */
    QX_ERROR_NOT_A_MOVIE = -5, /* the input does not start with a chunk the player takes */
    QX_ERROR_NO_FRAME = -6,    /* no such frame: past the end, or a movie without pictures */
    QX_ERROR_SEEK = -7         /* the movie cannot be followed to that frame (damage) */
};

/* Pixel formats of the pictures. RGB565, RGB555, RGB888 and PAL8 are the bytes a display of
 * that format receives (2, 2, 2 and 1 bytes a pixel, little-endian; on a PAL8 display Mnb and
 * Zle pictures keep 2 bytes a pixel, and on an RGB888 display every picture does); RGBA is four
 * bytes a pixel, red, green, blue, 255: the RGB565 picture with each component widened by
 * repeating its bits. */
typedef enum qx_pixels {
    QX_PIXELS_RGBA = 0,
    QX_PIXELS_RGB565 = 1,
    QX_PIXELS_RGB555 = 2,
    QX_PIXELS_RGB888 = 3,
    QX_PIXELS_PAL8 = 4
} qx_pixels;

typedef struct qx_options {
    qx_pixels pixels;   /* QX_PIXELS_RGBA by default */
    int brightness;     /* percent of the coded brightness; 0 is taken as 100 */
    int double_width;   /* 1: every pixel twice along its row, as the player can show them */
    int stop_at_damage; /* 1: the movie ends where its chunks are damaged, as the design's
                           reader ends it; 0: the reader finds the next chunk and goes on */
    double fps;         /* pace of a movie without sound; 0 is 15 frames a second */
} qx_options;

/* Video codecs (bits of qx_info.video_codecs) and audio codecs. */
enum { QX_VIDEO_RKD = 1, QX_VIDEO_MNB = 2, QX_VIDEO_ZLE = 4 };
typedef enum qx_audio_codec {
    QX_AUDIO_NONE = 0,
    QX_AUDIO_PCM = 1, /* 16-bit PCM */
    QX_AUDIO_XA = 2,  /* four-bit ADPCM in 28-sample frames */
    QX_AUDIO_IMA = 3  /* IMA ADPCM */
} qx_audio_codec;

typedef struct qx_info {
    double duration_seconds; /* the sound's length; for a movie without sound, frames / fps */
    int64_t frames;          /* video frames the reader takes */
    double fps;              /* frames / duration, or the assumed pace without sound */
    int fps_assumed;         /* 1: the movie has no sound, its pace is the options' fps */
    int width, height;       /* of the first frame, in the movie's own pixels */
    int max_width, max_height;
    int sizes;             /* different frame sizes the movie uses */
    unsigned video_codecs; /* QX_VIDEO_* bits of the frames' codecs */
    qx_audio_codec audio_codec;
    int sample_rate;      /* the rate the sound plays at; 0 without sound */
    int channels;         /* as the movie's audio header says; qx_read_audio is stereo */
    int64_t audio_frames; /* sample frames qx_read_audio gives in all */
    int64_t file_bytes;
    int problems;         /* damaged stretches; see qx_get_problem */
    int audio_header;     /* 1: the movie has an audio header, even of a compression that
                             is not decoded (audio_codec is then QX_AUDIO_NONE) */
    int compression;      /* the audio header's compression number; 0 without one */
    int sample_bits;      /* as the audio header says */
    int64_t sound_blocks; /* blocks of sound the reader takes; see qx_get_sound_block */
} qx_info;

typedef struct qx_frame {
    int64_t index;     /* from 0, in the order of the file */
    int64_t time_ms;   /* when the player shows it: when the sound read after it starts */
    int width, height; /* in pixels of `pixels` (doubled width with double_width) */
    int stride;        /* bytes a row; rows are back to back */
    int bytes_per_pixel;
    const uint8_t* pixels; /* valid until the next frame, seek or close of the movie; null
                              when dropped */
    size_t bytes;
    const uint8_t* palette; /* PAL8: 256 red, green, blue triples; else null */
    unsigned codec;         /* one QX_VIDEO_* value */
    int dropped;            /* 1: the frame could not be decoded; the picture shown before it
                               stays on screen */
} qx_frame;

/* Kinds of video frame, as their chunks tell them apart. */
enum { QX_FRAME_RKD_KEY = 1, QX_FRAME_RKD_INTER = 2, QX_FRAME_MNB = 3, QX_FRAME_ZLE = 4 };

/* A video frame as the reader finds it, before anything is decoded. */
typedef struct qx_frame_entry {
    int64_t offset;       /* of the frame's chunk in the file */
    int64_t sound_before; /* sample frames of sound read before the frame's chunk */
    int kind;             /* QX_FRAME_* */
    int stated_width;     /* the size the frame's header states, as unsigned 16-bit numbers; */
    int stated_height;    /* -1 when it states none (an Rkd inter frame keeps the key frame's) */
} qx_frame_entry;

/* A block of sound as the reader takes it, in what qx_read_audio gives from the start. */
typedef struct qx_sound_block {
    int64_t offset;      /* of the block's chunk in the file */
    int64_t first;       /* its first sample frame */
    int64_t frames;      /* its sample frames; 0 for a chunk that decodes to none */
    int64_t video_stamp; /* video frames read before it */
    int sides_equal;     /* 1: left and right are the same throughout the block */
} qx_sound_block;

/* What the reader made of a chunk (the values are the design's reader results). */
enum {
    QX_CHUNK_AUDIO_FORMAT = 0,
    QX_CHUNK_VIDEO = 1,
    QX_CHUNK_SOUND = 2,
    QX_CHUNK_BUSY = 3, /* the reader's queues were full */
    QX_CHUNK_SKIPPED = 4,
    QX_CHUNK_NOT_READ = -1, /* the end of the movie, or a chunk the reader cannot take */
    QX_CHUNK_READ_ERROR = -2
};

typedef struct qx_chunk {
    int64_t offset;
    uint32_t size;    /* as its header says */
    int result;       /* QX_CHUNK_* */
    int64_t sequence; /* the video frame or sound block it became, from 0; else -1 */
    char tag[20];     /* its four bytes, \xNN for any that is not printable */
    char text[160];   /* what the reader did with it, in one line */
} qx_chunk;

typedef struct qx_problem {
    int64_t offset; /* where the damage starts in the file */
    int64_t bytes;  /* how much the reader stepped over */
    char text[160]; /* what was found, in one line */
} qx_problem;

/* Input through callbacks, for movies that are neither a file nor in memory. `read` returns
 * the bytes read, 0 at the end, negative on an error; `seek` moves to an absolute offset and
 * returns it, negative on an error; `size` returns the input's length, negative when unknown
 * (then the input is read to its end to learn it), and may be null. */
typedef struct qx_io {
    int64_t (*read)(void* cookie, void* buffer, size_t bytes);
    int64_t (*seek)(void* cookie, int64_t offset);
    int64_t (*size)(void* cookie);
} qx_io;

QXPLAY_API const char* qx_version(void);
QXPLAY_API const char* qx_error_text(int error);
QXPLAY_API void qx_default_options(qx_options* options);

/* `options` may be null (the defaults); `error` may be null. Null on failure. The memory of
 * qx_open_memory is not copied and must stay until qx_close; `cookie` goes to every call of
 * `io`, which must stay valid until qx_close. */
QXPLAY_API qx_movie* qx_open_file(const char* path, const qx_options* options, int* error);
QXPLAY_API qx_movie* qx_open_memory(const void* data, size_t size, const qx_options* options,
                                    int* error);
QXPLAY_API qx_movie* qx_open_io(const qx_io* io, void* cookie, const qx_options* options,
                                int* error);
QXPLAY_API void qx_close(qx_movie* movie);

QXPLAY_API int qx_get_info(qx_movie* movie, qx_info* info);
/* The `index`th damaged stretch, 0 .. info.problems - 1. */
QXPLAY_API int qx_get_problem(qx_movie* movie, int index, qx_problem* problem);

/* The `index`th video frame, 0 .. info.frames - 1, and sound block, 0 .. info.sound_blocks - 1,
 * as the opening reading of the movie found them. */
QXPLAY_API int qx_get_frame_entry(qx_movie* movie, int64_t index, qx_frame_entry* entry);
QXPLAY_API int qx_get_sound_block(qx_movie* movie, int64_t index, qx_sound_block* block);
/* Reads the movie once more from its start and hands every chunk to `visit`, in file order;
 * a nonzero return from `visit` ends the walk. The pictures and sound keep their positions. */
QXPLAY_API int qx_walk_chunks(qx_movie* movie, int (*visit)(void* cookie, const qx_chunk* chunk),
                              void* cookie);

/* 1 with the next frame, 0 at the end, negative on an error. */
QXPLAY_API int qx_next_frame(qx_movie* movie, qx_frame* frame);
/* Up to `sample_frames` interleaved stereo sample frames into `stereo`; the count given, 0 at
 * the end. The sound keeps its own position: pictures and sound may be read in any order. */
QXPLAY_API size_t qx_read_audio(qx_movie* movie, int16_t* stereo, size_t sample_frames);
/* The next qx_next_frame gives frame `frame`, exactly as decoding from the start gives it, and
 * the sound goes on from that frame's time, as the player's seek goes on. */
QXPLAY_API int qx_seek_frame(qx_movie* movie, int64_t frame);
/* Seeks to the frame shown at `milliseconds`: the last frame whose time is not after it. */
QXPLAY_API int qx_seek_time(qx_movie* movie, int64_t milliseconds);
/* When frame `frame` is shown, in milliseconds, without decoding anything. */
QXPLAY_API int64_t qx_frame_time_ms(qx_movie* movie, int64_t frame);
/* Brightness in percent for the pictures from the next frame on, as given: 0 is black. */
QXPLAY_API int qx_set_brightness(qx_movie* movie, int percent);

#ifdef __cplusplus
}
#endif

#endif
