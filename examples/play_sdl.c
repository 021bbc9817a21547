/* Plays a movie in an SDL2 window with its sound: the pictures come from qx_next_frame, the
 * sound from qx_read_audio into SDL's audio queue, and each picture is shown when the sound has
 * played up to its time (on a wall clock when there is no sound). Space pauses, the arrow keys
 * seek 5 s back and on, Esc quits. */
#include <SDL2/SDL.h>
#include <qxplay/qxplay.h>
#include <stdio.h>

typedef struct Player {
    qx_movie *movie;
    qx_info info;
    SDL_AudioDeviceID audio;
    int64_t sound_start_ms; /* the movie time the sound queued since the last seek starts at */
    int64_t sound_queued;   /* sample frames queued since the last seek */
    Uint32 wall_start;      /* without sound: the tick count at movie time sound_start_ms */
    int paused;
} Player;

/* Movie time in milliseconds: the sound played so far, or the wall clock. */
static int64_t movie_time(const Player *player) {
    if (player->audio != 0) {
        int64_t waiting = SDL_GetQueuedAudioSize(player->audio) / 4;
        return player->sound_start_ms +
               (player->sound_queued - waiting) * 1000 / player->info.sample_rate;
    }
    return player->sound_start_ms + (int64_t)(SDL_GetTicks() - player->wall_start);
}

/* Keeps about half a second of sound queued. */
static void feed_sound(Player *player) {
    int16_t block[2 * 1024];
    size_t got;
    while (player->audio != 0 &&
           SDL_GetQueuedAudioSize(player->audio) / 4 < (Uint32)player->info.sample_rate / 2 &&
           (got = qx_read_audio(player->movie, block, 1024)) > 0) {
        SDL_QueueAudio(player->audio, block, (Uint32)(got * 4));
        player->sound_queued += (int64_t)got;
    }
}

/* Leaves the frame the seek lands on in `frame`; 0 when there is none. */
static int seek(Player *player, int64_t milliseconds, qx_frame *frame) {
    if (qx_seek_time(player->movie, milliseconds < 0 ? 0 : milliseconds) != QX_OK ||
        qx_next_frame(player->movie, frame) != 1) {
        return 0;
    }
    /* The sound goes on from the time of that frame. */
    if (player->audio != 0) {
        SDL_ClearQueuedAudio(player->audio);
    }
    player->sound_start_ms = frame->time_ms;
    player->sound_queued = 0;
    player->wall_start = SDL_GetTicks();
    return 1;
}

int main(int argc, char **argv) {
    Player player = {0};
    SDL_Window *window;
    SDL_Renderer *renderer;
    SDL_Texture *texture = NULL;
    qx_frame frame;
    int have_frame = 0, running = 1, error = 0, width = 0, height = 0;
    if (argc != 2) {
        fprintf(stderr, "usage: play_sdl MOVIE\n");
        return 2;
    }
    player.movie = qx_open_file(argv[1], NULL, &error);
    if (player.movie == NULL) {
        fprintf(stderr, "%s: %s\n", argv[1], qx_error_text(error));
        return 1;
    }
    qx_get_info(player.movie, &player.info);
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO) != 0) {
        fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    window = SDL_CreateWindow(argv[1], SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640, 480,
                              SDL_WINDOW_RESIZABLE);
    renderer = SDL_CreateRenderer(window, -1, 0);
    if (window == NULL || renderer == NULL) {
        fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    if (player.info.sample_rate > 0) {
        SDL_AudioSpec want = {0};
        want.freq = player.info.sample_rate;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 1024;
        player.audio = SDL_OpenAudioDevice(NULL, 0, &want, NULL, 0);
        SDL_PauseAudioDevice(player.audio, 0);
    }
    player.wall_start = SDL_GetTicks();
    while (running) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) {
                running = 0;
            } else if (event.type == SDL_KEYDOWN) {
                SDL_Keycode key = event.key.keysym.sym;
                if (key == SDLK_ESCAPE) {
                    running = 0;
                } else if (key == SDLK_SPACE) {
                    /* The clock starts again from where it stood: a pause takes no time. */
                    const int64_t now = player.paused ? player.sound_start_ms : movie_time(&player);
                    player.paused = !player.paused;
                    if (player.audio != 0) {
                        SDL_PauseAudioDevice(player.audio, player.paused);
                    }
                    player.sound_start_ms = now;
                    player.sound_queued = 0;
                    player.wall_start = SDL_GetTicks();
                    if (player.audio != 0) {
                        player.sound_queued = SDL_GetQueuedAudioSize(player.audio) / 4;
                    }
                } else if (key == SDLK_LEFT || key == SDLK_RIGHT) {
                    const int64_t step = key == SDLK_LEFT ? -5000 : 5000;
                    have_frame = seek(&player, movie_time(&player) + step, &frame);
                }
            }
        }
        if (player.paused) {
            SDL_Delay(10);
            continue;
        }
        feed_sound(&player);
        if (!have_frame) {
            if (qx_next_frame(player.movie, &frame) != 1) {
                if (player.audio == 0 || SDL_GetQueuedAudioSize(player.audio) == 0) {
                    running = 0;
                }
                SDL_Delay(10);
                continue;
            }
            have_frame = 1;
        }
        if (frame.time_ms > movie_time(&player)) {
            SDL_Delay(2);
            continue;
        }
        if (frame.pixels != NULL) {
            if (texture == NULL || frame.width != width || frame.height != height) {
                SDL_DestroyTexture(texture);
                width = frame.width;
                height = frame.height;
                texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGBA32,
                                            SDL_TEXTUREACCESS_STREAMING, width, height);
                SDL_RenderSetLogicalSize(renderer, width, height);
            }
            SDL_UpdateTexture(texture, NULL, frame.pixels, frame.stride);
            SDL_RenderClear(renderer);
            SDL_RenderCopy(renderer, texture, NULL, NULL);
            SDL_RenderPresent(renderer);
        }
        have_frame = 0;
    }
    qx_close(player.movie);
    SDL_Quit();
    return 0;
}
