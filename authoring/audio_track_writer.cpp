#include "authoring/audio_track_writer.h"

#include "format/audio_header.h"
#include "format/chunk_tags.h"

namespace qx {

AudioTrackWriter::AudioTrackWriter(MovieWriter& movie, int32_t channels, int32_t sample_rate,
                                   int32_t compression)
    : movie_(movie), channels_(channels), compression_(compression) {
    movie_.audio_header(channels, sample_rate, compression);
}

const EncodedAudio& AudioTrackWriter::write_chunk(std::span<const int16_t> samples) {
    switch (compression_) {
        case AUDIO_XA:
            last_ = xa_encode_payload(samples, channels_, xa_state_);
            break;
        case AUDIO_IMA:
            last_ = ima_encode_payload(samples, channels_, ima_state_);
            break;
        case AUDIO_PCM:
            last_ = pcm_encode_payload(samples, channels_);
            break;
        default:
            last_ = pcm_encode_payload(samples, channels_);
            last_.decoded.clear();
            break;
    }
    movie_.chunk(CHUNK_TAG_AUDIO_DATA, last_.payload);
    decoded_.insert(decoded_.end(), last_.decoded.begin(), last_.decoded.end());
    return last_;
}

}  // namespace qx
