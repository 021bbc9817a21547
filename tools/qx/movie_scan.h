#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "player/player_context.h"

// One chunk as the player's reader took it.
struct ScannedChunk {
    int64_t offset;               // of the chunk header in the file
    char tag[4];                  // as stored, or zeros when the header could not be read
    uint32_t size;                // the header's size field
    int32_t result;               // what read_chunk returned
    int64_t next_offset;          // where the reader stands afterwards
    const VideoFrameSlot* video;  // the slot filled, for READ_VIDEO
    const AudioBlockSlot* audio;  // the block queued, for READ_AUDIO
};

// Reads a movie the way the player does, without playing it.
class MovieScan {
  public:
    // Opens the movie; false (with error() set, one line) when it cannot be opened or the
    // reader would not take its first chunk.
    bool open(const std::string& path);
    ~MovieScan();

    // Calls read_chunk until the reader stops moving through the file (its header read
    // failed), handing each chunk to `visit`; the slot a chunk filled is freed after the visit.
    void run(const std::function<void(const ScannedChunk&)>& visit);
    // Ends run() after the chunk being visited, for a reader that has all it wants.
    void stop() { stopped_ = true; }

    PlayerContext& context() { return *context_; }
    PlayParams& params() { return params_; }
    const std::string& error() const { return error_; }

  private:
    std::string first_chunk_problem();

    PlayParams params_{};
    PlayerContext* context_ = nullptr;
    bool stopped_ = false;
    std::string error_;
};

// A tag made printable: its four bytes, with \xNN for any that is not.
std::string printable_tag(const char* tag);

// The size field of an 8-byte chunk header.
uint32_t chunk_size(const uint8_t* header);
// Tags of the chunks that end a movie, and of audio data chunks.
bool is_end_tag(const char* tag);
bool is_audio_data_tag(const char* tag);
