#include "platform/soft/soft_sound_buffer.h"

#include <algorithm>

#include "platform/platform_clock.h"

namespace qx {

namespace {

constexpr int64_t MICROSECONDS_PER_SECOND = 1000000;

}  // namespace

bool soft_wave_format_valid(const WaveFormat& format) {
    const bool layout = format.format_tag == WAVE_FORMAT_PCM &&
                        (format.channels == 1 || format.channels == 2) &&
                        (format.bits_per_sample == 8 || format.bits_per_sample == 16);
    return layout && format.block_align == format.channels * format.bits_per_sample / 8 &&
           format.samples_per_sec >= SOFT_MIN_SAMPLE_RATE &&
           format.samples_per_sec <= SOFT_MAX_SAMPLE_RATE &&
           format.avg_bytes_per_sec == format.samples_per_sec * format.block_align;
}

SoftSoundBuffer::SoftSoundBuffer(std::shared_ptr<SoftState> state, const SoftObject* device)
    : SoftObject(std::move(state), SOFT_SOUND_BUFFER, device) {}

SoftSoundBuffer::SoftSoundBuffer(std::shared_ptr<SoftState> state, const SoftObject* device,
                                 uint32_t flags, uint32_t bytes, const WaveFormat& format)
    : SoftObject(std::move(state), SOFT_SOUND_BUFFER, device), memory_(bytes) {
    record_index_ = state_->sound_buffers.size();
    SoftSoundBufferRecord made{};
    made.buffer = this;
    made.flags = flags;
    made.buffer_bytes = bytes;
    made.format = format;
    made.frequency = format.samples_per_sec;
    made.alive = true;
    state_->heard.emplace_back();
    state_->written.emplace_back();
    state_->sound_buffers.push_back(made);
}

SoftSoundBuffer::~SoftSoundBuffer() {
    if (!is_primary()) {
        // A listener hears the buffer up to the moment it goes.
        advance();
        log_held_back();
        record().alive = false;
        record().playing = false;
    }
}

void SoftSoundBuffer::restart_motion() {
    motion_start_us_ = platform_clock_now_us();
    motion_frames_ = 0;
}

void SoftSoundBuffer::advance() {
    if (is_primary()) {
        return;
    }
    SoftSoundBufferRecord& self = record();
    if (!self.playing || !state_->config.cursor_follows_clock) {
        return;
    }
    const int64_t elapsed_us = platform_clock_now_us() - motion_start_us_;
    const int64_t frames = elapsed_us * self.frequency / MICROSECONDS_PER_SECOND;
    if (frames <= motion_frames_) {
        return;
    }
    uint64_t bytes = static_cast<uint64_t>(frames - motion_frames_) * self.format.block_align;
    motion_frames_ = frames;
    const auto size = static_cast<uint32_t>(memory_.size());
    if (!self.looping && bytes >= size - cursor_) {
        // Played once to the end: the buffer stops there and the cursor goes back to 0.
        bytes = size - cursor_;
        self.playing = false;
    }
    pass(bytes);
}

void SoftSoundBuffer::move_cursor_to(uint32_t cursor) {
    const auto size = static_cast<uint32_t>(memory_.size());
    if (is_primary() || cursor >= size) {
        return;
    }
    pass((cursor + size - cursor_) % size);
}

void SoftSoundBuffer::pass(uint64_t bytes) {
    const auto size = static_cast<uint32_t>(memory_.size());
    if (locked_.empty()) {
        log_heard(cursor_, bytes);
    } else {
        if (held_back_bytes_ == 0) {
            held_back_from_ = cursor_;
        }
        held_back_bytes_ += bytes;
    }
    cursor_ = static_cast<uint32_t>((cursor_ + bytes) % size);
}

void SoftSoundBuffer::log_held_back() {
    log_heard(held_back_from_, held_back_bytes_);
    held_back_bytes_ = 0;
}

void SoftSoundBuffer::log_heard(uint32_t from, uint64_t bytes) {
    record().heard_bytes += static_cast<int64_t>(bytes);
    append_to_log(state_->heard[record_index_], from, bytes);
}

void SoftSoundBuffer::append_to_log(std::vector<uint8_t>& log, uint32_t from,
                                    uint64_t bytes) const {
    const size_t limit = state_->config.heard_log_limit;
    const auto size = static_cast<uint32_t>(memory_.size());
    uint32_t position = from;
    while (bytes > 0 && log.size() < limit) {
        const uint64_t take = std::min<uint64_t>({bytes, size - position, limit - log.size()});
        const auto start = memory_.begin() + position;
        log.insert(log.end(), start, start + static_cast<ptrdiff_t>(take));
        bytes -= take;
        position = static_cast<uint32_t>((position + take) % size);
    }
}

PlatformResult SoftSoundBuffer::get_caps(SoundBufferCaps& caps) {
    std::lock_guard lock(state_->mutex);
    SoftFaults& faults = state_->faults;
    if (soft_fault_trips(is_primary() ? faults.primary_get_caps : faults.secondary_get_caps)) {
        return PLATFORM_FAILED;
    }
    if (is_primary()) {
        caps.flags = SOUND_BUFFER_PRIMARY;
        caps.buffer_bytes = state_->config.primary_buffer_bytes;
    } else {
        caps.flags = record().flags;
        caps.buffer_bytes = static_cast<uint32_t>(memory_.size());
    }
    caps.unlock_transfer_rate = 0;
    caps.play_cpu_overhead = 0;
    return PLATFORM_OK;
}

PlatformResult SoftSoundBuffer::set_format(const WaveFormat& format) {
    std::lock_guard lock(state_->mutex);
    if (soft_fault_trips(state_->faults.primary_set_format)) {
        return PLATFORM_FAILED;
    }
    if (!is_primary() || !soft_wave_format_valid(format)) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    state_->counters.primary_format_set = true;
    state_->counters.primary_format = format;
    return PLATFORM_OK;
}

PlatformResult SoftSoundBuffer::set_frequency(uint32_t samples_per_sec) {
    std::lock_guard lock(state_->mutex);
    if (soft_fault_trips(state_->faults.set_frequency)) {
        return PLATFORM_FAILED;
    }
    const bool original = samples_per_sec == 0;
    if (is_primary() || (!original && (samples_per_sec < SOFT_MIN_SAMPLE_RATE ||
                                       samples_per_sec > SOFT_MAX_SAMPLE_RATE))) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    advance();
    record().frequency = original ? record().format.samples_per_sec : samples_per_sec;
    restart_motion();
    return PLATFORM_OK;
}

PlatformResult SoftSoundBuffer::play(uint32_t reserved, uint32_t /*priority*/, uint32_t flags) {
    std::lock_guard lock(state_->mutex);
    ++state_->counters.buffer_plays;
    if (!is_primary()) {
        ++record().plays;
    }
    if (soft_fault_trips(state_->faults.play)) {
        return PLATFORM_FAILED;
    }
    if (reserved != 0) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    if (is_primary()) {
        return PLATFORM_OK;
    }
    advance();
    SoftSoundBufferRecord& self = record();
    if (!self.playing) {
        self.playing = true;
        restart_motion();
    }
    self.looping = (flags & SOUND_PLAY_LOOPING) != 0;
    return PLATFORM_OK;
}

PlatformResult SoftSoundBuffer::stop() {
    std::lock_guard lock(state_->mutex);
    ++state_->counters.buffer_stops;
    if (is_primary()) {
        return PLATFORM_OK;
    }
    ++record().stops;
    advance();
    record().playing = false;
    return PLATFORM_OK;
}

PlatformResult SoftSoundBuffer::get_current_position(uint32_t* play_cursor,
                                                     uint32_t* write_cursor) {
    std::lock_guard lock(state_->mutex);
    ++state_->counters.position_queries;
    if (is_primary()) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    ++record().position_queries;
    if (soft_fault_trips(state_->faults.current_position)) {
        return PLATFORM_FAILED;
    }
    advance();
    const SoftSoundBufferRecord& self = record();
    const auto size = static_cast<uint32_t>(memory_.size());
    // The device is busy with about a hundredth of a second ahead of the play cursor.
    const uint32_t lead = self.playing ? (self.frequency / 100) * self.format.block_align : 0;
    if (play_cursor != nullptr) {
        *play_cursor = cursor_;
    }
    if (write_cursor != nullptr) {
        *write_cursor = static_cast<uint32_t>((uint64_t{cursor_} + lead) % size);
    }
    return PLATFORM_OK;
}

PlatformResult SoftSoundBuffer::lock(uint32_t offset, uint32_t bytes, void** first,
                                     uint32_t* first_bytes, void** second, uint32_t* second_bytes,
                                     uint32_t flags) {
    std::lock_guard lock(state_->mutex);
    ++state_->counters.buffer_locks;
    if (!is_primary()) {
        ++record().locks;
    }
    if (soft_fault_trips(state_->faults.buffer_lock)) {
        return PLATFORM_FAILED;
    }
    const auto size = static_cast<uint32_t>(memory_.size());
    if (is_primary() || flags != 0 || first == nullptr || first_bytes == nullptr ||
        offset >= size || bytes == 0 || bytes > size) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    const uint32_t head = std::min(bytes, size - offset);
    const bool wraps = head < bytes;
    if (wraps && (second == nullptr || second_bytes == nullptr)) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    advance();
    *first = memory_.data() + offset;
    *first_bytes = head;
    if (second != nullptr) {
        *second = wraps ? memory_.data() : nullptr;
    }
    if (second_bytes != nullptr) {
        *second_bytes = bytes - head;
    }
    locked_.push_back({*first, offset, bytes});
    record().last_lock_offset = offset;
    record().last_lock_bytes = bytes;
    return PLATFORM_OK;
}

PlatformResult SoftSoundBuffer::unlock(void* first, uint32_t /*first_bytes*/, void* /*second*/,
                                       uint32_t /*second_bytes*/) {
    std::lock_guard lock(state_->mutex);
    ++state_->counters.buffer_unlocks;
    if (!is_primary()) {
        ++record().unlocks;
    }
    const auto found =
        std::find_if(locked_.begin(), locked_.end(),
                     [first](const LockedRegion& region) { return region.first == first; });
    if (found == locked_.end()) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    // Bytes the cursor passed while the region was locked are heard as they were written.
    advance();
    append_to_log(state_->written[record_index_], found->offset, found->bytes);
    locked_.erase(found);
    if (locked_.empty()) {
        log_held_back();
    }
    return PLATFORM_OK;
}

}  // namespace qx
