// Decodes every movie named on the command line at the same time, each on a thread of its own,
// and prints one line per movie once all are done: its path, its frame count and the SHA-256 of
// its last picture in 5-6-5 pixels (the bytes `qx export --raw` writes for that frame).
#include <openssl/evp.h>
#include <qxplay/qxplay.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Movie {
    const char* path = nullptr;
    bool opened = false;
    int64_t frames = 0;
    std::vector<uint8_t> last_picture;
};

void decode(Movie& movie) {
    qx_options options;
    qx_default_options(&options);
    options.pixels = QX_PIXELS_RGB565;
    qx_movie* handle = qx_open_file(movie.path, &options, nullptr);
    if (handle == nullptr) {
        return;
    }
    movie.opened = true;
    qx_frame frame;
    while (qx_next_frame(handle, &frame) == 1) {
        ++movie.frames;
        if (frame.pixels != nullptr) {
            movie.last_picture.assign(frame.pixels, frame.pixels + frame.bytes);
        }
    }
    qx_close(handle);
}

std::string sha256_hex(const std::vector<uint8_t>& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: play_headless MOVIE...\n");
        return 2;
    }
    std::vector<Movie> movies(size_t(argc) - 1);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < movies.size(); ++i) {
        movies[i].path = argv[i + 1];
        threads.emplace_back(decode, std::ref(movies[i]));
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    int status = 0;
    for (const Movie& movie : movies) {
        if (!movie.opened) {
            std::printf("%s: cannot be played\n", movie.path);
            status = 1;
            continue;
        }
        std::printf("%s: %lld frames, last %s\n", movie.path, static_cast<long long>(movie.frames),
                    sha256_hex(movie.last_picture).c_str());
    }
    return status;
}
