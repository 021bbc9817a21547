#include "tools/qx/encode_demo.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "authoring/dct_scene.h"

namespace qx {

namespace {

class DemoFrames : public FrameSource {
  public:
    explicit DemoFrames(int64_t frames) : frames_(frames) {
        width_ = DEMO_WIDTH;
        height_ = DEMO_HEIGHT;
    }

    int64_t frame_count() const override { return frames_; }
    double frame_rate() const override { return DEMO_FPS; }

    bool next(std::vector<uint8_t>& rgb, std::string&) override {
        if (next_ >= frames_) {
            return false;
        }
        // One loop of the figure of eight every 8 s, so that the camera comes home twice.
        const double turn = 2 * std::numbers::pi * double(next_) / (8 * DEMO_FPS);
        const auto shift_x = static_cast<int32_t>(std::lround(60 * std::sin(turn)));
        const auto shift_y = static_cast<int32_t>(std::lround(30 * std::sin(2 * turn)));
        rgb = dct_scene(width_, height_, shift_x, shift_y);
        ++next_;
        return true;
    }

  private:
    int64_t frames_;
    int64_t next_ = 0;
};

double note_frequency(int32_t semitones_from_a4) {
    return 440.0 * std::pow(2.0, semitones_from_a4 / 12.0);
}

// A plucked note: a few harmonics under a quick attack and an exponential fall.
double pluck(double frequency, double age) {
    if (age < 0) {
        return 0;
    }
    const double envelope = std::min(1.0, age * 200) * std::exp(-age * 4.5);
    const double phase = 2 * std::numbers::pi * frequency * age;
    return envelope * (std::sin(phase) + 0.35 * std::sin(2 * phase) + 0.12 * std::sin(3 * phase));
}

}  // namespace

std::unique_ptr<FrameSource> make_demo_frames(int64_t frames) {
    return std::make_unique<DemoFrames>(frames);
}

SoundTrack demo_sound(int32_t sample_rate, double seconds) {
    // Four bars a chord (I, V, vi, IV of C major, semitones from A4), arpeggiated in eighths
    // at 120 beats a minute over a bass note on every beat.
    constexpr std::array<std::array<int32_t, 3>, 4> CHORDS = {
        {{3, 7, 10}, {-2, 2, 5}, {0, 3, 7}, {-4, 0, 3}}};
    constexpr double EIGHTH = 0.25;
    constexpr int32_t EIGHTHS_PER_BAR = 8;
    SoundTrack sound;
    sound.channels = 2;
    sound.sample_rate = sample_rate;
    const auto frames = static_cast<int64_t>(seconds * sample_rate);
    sound.samples.resize(static_cast<size_t>(frames * 2));
    for (int64_t frame = 0; frame < frames; ++frame) {
        const double time = double(frame) / sample_rate;
        const auto eighth = static_cast<int64_t>(time / EIGHTH);
        const auto& chord = CHORDS[size_t(eighth / EIGHTHS_PER_BAR % 4)];
        const double age = time - double(eighth) * EIGHTH;
        // Up and down the chord, an octave higher on the way down.
        constexpr std::array<int32_t, 8> STEPS = {0, 1, 2, 3, 2, 1, 0, 1};
        const int32_t step = STEPS[size_t(eighth % 8)];
        const int32_t semitone = chord[size_t(step % 3)] + (step == 3 ? 12 : 0);
        const double melody = pluck(note_frequency(semitone), age);
        const double beat_age = time - std::floor(time / (2 * EIGHTH)) * 2 * EIGHTH;
        const double bass = pluck(note_frequency(chord[0] - 24), beat_age);
        // The melody wanders between the speakers; the bass stays in the middle.
        const double pan = 0.5 + 0.4 * std::sin(2 * std::numbers::pi * time / 4);
        const double left = 0.45 * melody * (1 - pan) + 0.35 * bass;
        const double right = 0.45 * melody * pan + 0.35 * bass;
        sound.samples[size_t(2 * frame)] =
            static_cast<int16_t>(std::lround(std::tanh(left) * 30000));
        sound.samples[size_t(2 * frame + 1)] =
            static_cast<int16_t>(std::lround(std::tanh(right) * 30000));
    }
    return sound;
}

}  // namespace qx
