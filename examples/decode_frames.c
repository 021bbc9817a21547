/* Prints when each frame of a movie is shown and how much sound it has: the smallest program
 * that reads a movie through the library. */
#include <qxplay/qxplay.h>
#include <stdio.h>

int main(int argc, char **argv) {
    qx_movie *movie;
    qx_frame frame;
    qx_info info;
    int16_t sound[2 * 4096];
    size_t got;
    long long sample_frames = 0;
    int error = 0;
    if (argc != 2) {
        fprintf(stderr, "usage: decode_frames MOVIE\n");
        return 2;
    }
    movie = qx_open_file(argv[1], NULL, &error);
    if (movie == NULL) {
        fprintf(stderr, "%s: %s\n", argv[1], qx_error_text(error));
        return 1;
    }
    qx_get_info(movie, &info);
    printf("%s: %lld frames of %dx%d, %.2f s\n", argv[1], (long long)info.frames, info.width,
           info.height, info.duration_seconds);
    while (qx_next_frame(movie, &frame) == 1) {
        printf("frame %lld at %lld ms%s\n", (long long)frame.index, (long long)frame.time_ms,
               frame.dropped ? " (dropped)" : "");
    }
    while ((got = qx_read_audio(movie, sound, 4096)) > 0) {
        sample_frames += (long long)got;
    }
    printf("sound: %lld sample frames at %d Hz\n", sample_frames, info.sample_rate);
    qx_close(movie);
    return 0;
}
