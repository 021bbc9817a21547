// Writes the seed corpus of the fuzz targets: small movies made by the movie writer, one folder
// per target, under the folder given as the only argument.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "authoring/movie_writer.h"

namespace qx {

namespace {

std::vector<uint8_t> payload(uint32_t bytes, uint8_t fill) {
    std::vector<uint8_t> body(bytes, fill);
    if (bytes >= 4) {
        body[0] = 16;
        body[2] = 16;
    }
    return body;
}

std::vector<uint8_t> pcm(uint32_t frames) {
    std::vector<uint8_t> body(4 + 2 * frames, 0x11);
    for (int i = 0; i < 4; ++i) {
        body[i] = static_cast<uint8_t>(frames >> (8 * i));
    }
    return body;
}

std::vector<MovieWriter> reader_seeds() {
    std::vector<MovieWriter> seeds(5);
    seeds[0].audio_header(2, 22050, 0);
    for (int i = 0; i < 6; ++i) {
        seeds[0].chunk("pBNM", payload(40, static_cast<uint8_t>(i)));
        seeds[0].chunk("SCDl", pcm(30));
    }
    seeds[0].chunk("SCEl", {});
    for (const char* tag : {"kDKR", "fDKR", "RKDf", "pELZ", "QX2f", "MQXf", "SCCl", "lLCS"}) {
        char name[5] = {tag[0], tag[1], tag[2], tag[3], 0};
        seeds[1].chunk(name, payload(24, 0x5A));
    }
    seeds[2].chunk("SEAD", payload(8, 0));
    seeds[2].chunk("SNDC", std::vector<uint8_t>(64, 0x37));
    seeds[3].audio_header(1, 44100, 7);
    seeds[3].chunk("1SNd", std::vector<uint8_t>(12 + 15 * 3, 0x42));
    seeds[3].chunk_with_size("pBNM", payload(16, 1), 3);
    const AudioElement list1[] = {audio_element(0x10, 5, 2)};
    const AudioElement list2[] = {audio_element(0x84, 0xAC44, 2), audio_element(0x83, 10, 1)};
    seeds[4].audio_header(list1, list2);
    seeds[4].chunk("XXXX", payload(20, 9));
    return seeds;
}

// Movies shaped as real ones are: sound leading the pictures by 20 chunks, sound outlasting
// them, pictures outlasting the sound, and a low sample rate.
std::vector<MovieWriter> player_seeds() {
    std::vector<MovieWriter> seeds(4);
    const int32_t rates[] = {22050, 44100, 11025, 8000};
    for (size_t shape = 0; shape < seeds.size(); ++shape) {
        MovieWriter& movie = seeds[shape];
        movie.audio_header(shape == 1 ? 1 : 2, rates[shape], 0);
        const int lead = shape == 0 ? 20 : 0;
        for (int i = 0; i < lead; ++i) {
            movie.chunk("SCDl", pcm(rates[shape] / 15));
        }
        for (int frame = 0; frame < 8; ++frame) {
            movie.chunk("pBNM", payload(40, static_cast<uint8_t>(frame)));
            if (shape != 2 || frame < 4) {
                movie.chunk("SCDl", pcm(rates[shape] / 15));
            }
        }
        for (int i = 0; shape == 1 && i < 20; ++i) {
            movie.chunk("SCDl", pcm(rates[shape] / 15));
        }
        movie.chunk("SCEl", {});
    }
    return seeds;
}

// Rkd key frames whose palettes shrink (256, 16 then 8 entries), inter frames between, and two
// seeks to the late frames (the input's last bytes), so that a seek gathers the palette back
// from earlier key frames.
MovieWriter palette_seed() {
    MovieWriter movie;
    movie.audio_header(2, 22050, 0);
    for (const uint16_t entries : {256, 16, 0, 8, 0}) {
        std::vector<uint8_t> body(12 + 3 * entries + 64 * 48 / 4, 0x21);
        body[0] = 64;
        body[1] = 0;
        body[2] = 48;
        body[3] = 0;
        body[6] = static_cast<uint8_t>(entries);
        body[7] = static_cast<uint8_t>(entries >> 8);
        movie.chunk(entries > 0 ? "kDKR" : "fDKR", body);
        movie.chunk("SCDl", pcm(22050 / 15));
    }
    movie.chunk("SCEl", {});
    const uint8_t seeks[] = {3, 4};
    movie.raw(seeks);
    return movie;
}

// The inputs of the audio chunk target: a byte choosing channels and compression (all eight
// choices), then data chunks long enough for whole frames of each compression.
std::vector<MovieWriter> audio_chunk_seeds() {
    std::vector<MovieWriter> seeds(8);
    for (size_t format = 0; format < seeds.size(); ++format) {
        const uint8_t selector[] = {static_cast<uint8_t>(format)};
        seeds[format].raw(selector);
        std::vector<uint8_t> body = pcm(45);
        for (size_t i = 4; i < body.size(); ++i) {
            body[i] = static_cast<uint8_t>(i * 37);
        }
        seeds[format].chunk("SCDl", body);
        seeds[format].chunk("1SNd", body);
        seeds[format].chunk("SCEl", {});
    }
    return seeds;
}

bool save_seeds(const std::filesystem::path& folder, const std::vector<MovieWriter>& seeds,
                const std::string& prefix) {
    std::filesystem::create_directories(folder);
    for (size_t i = 0; i < seeds.size(); ++i) {
        if (!seeds[i].save((folder / (prefix + std::to_string(i))).string())) {
            return false;
        }
    }
    return true;
}

}  // namespace

}  // namespace qx

int main(int argc, char** argv) {
    using namespace qx;
    if (argc != 2) {
        std::fprintf(stderr, "usage: qx_fuzz_corpus FOLDER\n");
        return 1;
    }
    const std::filesystem::path root = argv[1];
    const std::vector<MovieWriter> seeds = reader_seeds();
    for (const char* target : {"fuzz_reader", "fuzz_player"}) {
        if (!save_seeds(root / target, seeds, "seed")) {
            return 1;
        }
    }
    if (!save_seeds(root / "fuzz_player", player_seeds(), "shape") ||
        !save_seeds(root / "fuzz_player", {palette_seed()}, "palette") ||
        !save_seeds(root / "fuzz_audio_chunk", audio_chunk_seeds(), "format")) {
        return 1;
    }
    return 0;
}
