/* The public header as strict C11: every name it declares, used once. */
#include <qxplay/qxplay.h>

int qx_c_strict_check(void);

static int count_chunk(void *cookie, const qx_chunk *chunk) {
    *(int *)cookie += chunk->result == QX_CHUNK_READ_ERROR || chunk->result == QX_CHUNK_BUSY;
    return 0;
}

int qx_c_strict_check(void) {
    qx_options options;
    qx_info info;
    qx_frame frame;
    qx_problem problem;
    qx_frame_entry entry;
    qx_sound_block block;
    int unread = 0;
    qx_io io = {0, 0, 0};
    int error = QX_OK;
    int16_t sound[2];
    qx_movie *movie;
    qx_default_options(&options);
    movie = qx_open_file("movie", &options, &error);
    if (movie == NULL) {
        movie = qx_open_memory("", 0, NULL, &error);
    }
    if (movie == NULL) {
        movie = qx_open_io(&io, NULL, NULL, &error);
    }
    qx_get_info(movie, &info);
    qx_get_problem(movie, 0, &problem);
    qx_get_frame_entry(movie, 0, &entry);
    qx_get_sound_block(movie, 0, &block);
    qx_walk_chunks(movie, count_chunk, &unread);
    qx_next_frame(movie, &frame);
    qx_read_audio(movie, sound, 1);
    qx_seek_frame(movie, 0);
    qx_seek_time(movie, 0);
    qx_frame_time_ms(movie, 0);
    qx_set_brightness(movie, 100);
    qx_close(movie);
    return (int)qx_error_text(error)[0] + (int)qx_version()[0] + QX_PIXELS_PAL8 + QX_AUDIO_IMA +
           QX_VIDEO_ZLE + QX_FRAME_ZLE + QX_CHUNK_SOUND + unread;
}
