/* The few calls JavaScript makes beside the C interface itself: its records flattened into
 * arrays of doubles (JavaScript reads no C structs, and 64-bit integers cross as doubles), and
 * the choice of kernels for the benchmark. */
#include <emscripten.h>
#include <qxplay/qxplay.h>
#include <stdlib.h>
#include <string.h>

EMSCRIPTEN_KEEPALIVE qx_movie* qxw_open(const void* data, size_t size, int pixels, int* error) {
    qx_options options;
    qx_default_options(&options);
    options.pixels = (qx_pixels)pixels;
    return qx_open_memory(data, size, &options, error);
}

/* duration, frames, fps, fps assumed, width, height, video codec bits, audio codec, sample
 * rate, channels, audio frames, file bytes, problems, largest width, largest height. */
EMSCRIPTEN_KEEPALIVE int qxw_info(qx_movie* movie, double* out) {
    qx_info info;
    const int result = qx_get_info(movie, &info);
    if (result < 0) {
        return result;
    }
    const double values[] = {info.duration_seconds,
                             (double)info.frames,
                             info.fps,
                             info.fps_assumed,
                             info.width,
                             info.height,
                             info.video_codecs,
                             info.audio_codec,
                             info.sample_rate,
                             info.channels,
                             (double)info.audio_frames,
                             (double)info.file_bytes,
                             info.problems,
                             info.max_width,
                             info.max_height};
    memcpy(out, values, sizeof values);
    return 0;
}

/* The problem's offset and length into out[0..1], its text into `text` (160 bytes). */
EMSCRIPTEN_KEEPALIVE int qxw_problem(qx_movie* movie, int index, double* out, char* text) {
    qx_problem problem;
    const int result = qx_get_problem(movie, index, &problem);
    if (result < 0) {
        return result;
    }
    out[0] = (double)problem.offset;
    out[1] = (double)problem.bytes;
    memcpy(text, problem.text, sizeof problem.text);
    return 0;
}

/* index, time, width, height, bytes, pixels, palette, codec, dropped. */
EMSCRIPTEN_KEEPALIVE int qxw_next_frame(qx_movie* movie, double* out) {
    qx_frame frame;
    const int result = qx_next_frame(movie, &frame);
    if (result <= 0) {
        return result;
    }
    const double values[] = {(double)frame.index,
                             (double)frame.time_ms,
                             frame.width,
                             frame.height,
                             (double)frame.bytes,
                             (double)(uintptr_t)frame.pixels,
                             (double)(uintptr_t)frame.palette,
                             frame.codec,
                             frame.dropped};
    memcpy(out, values, sizeof values);
    return result;
}

EMSCRIPTEN_KEEPALIVE int qxw_seek_frame(qx_movie* movie, double frame) {
    return qx_seek_frame(movie, (int64_t)frame);
}

EMSCRIPTEN_KEEPALIVE int qxw_seek_time(qx_movie* movie, double milliseconds) {
    return qx_seek_time(movie, (int64_t)milliseconds);
}

EMSCRIPTEN_KEEPALIVE double qxw_frame_time_ms(qx_movie* movie, double frame) {
    return (double)qx_frame_time_ms(movie, (int64_t)frame);
}

/* Before the first picture only: the kernel tables are filled once, on first use. */
EMSCRIPTEN_KEEPALIVE void qxw_choose_kernels(const char* level) {
    setenv("QX_KERNELS", level, 1);
}
