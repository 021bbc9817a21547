#include <gtest/gtest.h>

#include <vector>

#include "interface/sound_start.h"
#include "player/reader.h"

namespace qx {

// The read after which the player starts its sound: the prefill reads two chunks a round until
// 16 audio blocks are queued, and the first turn reads one more, or two when the first brought
// a chunk of one stream and the movie has the other.
namespace {

int reads_until_started(const std::vector<int32_t>& results) {
    SoundStartWatch watch(true);
    for (size_t i = 0; i < results.size(); ++i) {
        if (watch.chunk_read(results[i])) {
            return static_cast<int>(i) + 1;
        }
    }
    return -1;
}

std::vector<int32_t> alternating(int pairs) {
    std::vector<int32_t> results = {READ_AUDIO_HEADER};
    for (int i = 0; i < pairs; ++i) {
        results.push_back(READ_VIDEO);
        results.push_back(READ_AUDIO);
    }
    return results;
}

TEST(SoundStartWatch, PrefillRoundsThenTheFirstTurn) {
    // Header, then video and audio in turn: the 16th block is read 33rd, in round 17 (reads 33
    // and 34); the first turn reads an audio chunk and, the movie having video, one more.
    EXPECT_EQ(reads_until_started(alternating(40)), 36);
    // All audio: 16 blocks in 8 rounds, then one read for a movie with no video.
    EXPECT_EQ(reads_until_started(std::vector<int32_t>(40, READ_AUDIO)), 17);
}

TEST(SoundStartWatch, TheEndOfTheFileEndsThePrefill) {
    std::vector<int32_t> results = alternating(3);
    results.push_back(READ_END);
    results.push_back(READ_END);
    EXPECT_EQ(reads_until_started(results), 9);
}

}  // namespace

}  // namespace qx
