/* Decodes a movie's pictures as fast as it can through the C interface, as the web module
 * does (RGBA, the same calls), and prints the best frames a second of `rounds` passes.
 * Usage: decode_speed MOVIE [rounds] */
#include <qxplay/qxplay.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double seconds_now(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: decode_speed MOVIE [rounds]\n");
        return 2;
    }
    const int rounds = argc > 2 ? atoi(argv[2]) : 3;
    double best = 0;
    for (int round = 0; round < rounds; ++round) {
        int error = 0;
        qx_movie* movie = qx_open_file(argv[1], NULL, &error);
        if (movie == NULL) {
            fprintf(stderr, "decode_speed: %s: %s\n", argv[1], qx_error_text(error));
            return 1;
        }
        qx_frame frame;
        long frames = 0;
        const double start = seconds_now();
        while (qx_next_frame(movie, &frame) == 1) {
            ++frames;
        }
        const double rate = (double)frames / (seconds_now() - start);
        best = rate > best ? rate : best;
        qx_close(movie);
    }
    printf("%.2f\n", best);
    return 0;
}
