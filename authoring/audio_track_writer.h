#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "authoring/audio_encoders.h"
#include "authoring/movie_writer.h"

namespace qx {

// Writes the audio of a movie into a MovieWriter: the audio header chunk when constructed,
// then one audio data chunk ("SCDl") per write_chunk, through the encoder of the compression
// (0, 7 or 10), carrying each encoder's state from chunk to chunk. Video chunks may be
// written to the same MovieWriter in between.
class AudioTrackWriter {
  public:
    AudioTrackWriter(MovieWriter& movie, int32_t channels, int32_t sample_rate,
                     int32_t compression);

    // Encodes interleaved samples (`channels` per frame) into one chunk and returns it. A
    // compression the player does not know is written as PCM samples; the player queues an
    // empty block for it.
    const EncodedAudio& write_chunk(std::span<const int16_t> samples);

    // Everything the player decodes from the chunks written so far, in order: 16-bit stereo.
    const std::vector<int16_t>& decoded() const { return decoded_; }

  private:
    MovieWriter& movie_;
    int32_t channels_;
    int32_t compression_;
    XaEncoderState xa_state_;
    ImaEncoderState ima_state_;
    EncodedAudio last_;
    std::vector<int16_t> decoded_;
};

}  // namespace qx
