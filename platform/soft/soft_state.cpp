#include "platform/soft/soft_state.h"

#include <algorithm>

namespace qx {

int32_t SoftState::live(SoftObjectKind kind) const {
    return static_cast<int32_t>(std::count_if(
        objects.begin(), objects.end(), [kind](auto* object) { return object->kind() == kind; }));
}

SoftObject* SoftState::find(const void* address, SoftObjectKind kind) const {
    if (address == nullptr) {
        return nullptr;
    }
    for (SoftObject* object : objects) {
        if (object->kind() == kind && object->face() == address) {
            return object;
        }
    }
    return nullptr;
}

bool soft_fault_trips(SoftFault& fault) {
    int32_t left = fault.load();
    while (left > 0 && !fault.compare_exchange_weak(left, left - 1)) {
    }
    return left != 0;
}

SoftObject::SoftObject(std::shared_ptr<SoftState> state, SoftObjectKind kind,
                       const SoftObject* owner)
    : state_(std::move(state)), kind_(kind), owner_(owner) {
    state_->objects.push_back(this);
}

SoftObject::~SoftObject() {
    auto& objects = state_->objects;
    objects.erase(std::remove(objects.begin(), objects.end(), this), objects.end());
}

void SoftObject::destroy_with_lock() {
    // The state must outlive the lock even when this object held its last owner.
    const std::shared_ptr<SoftState> state = state_;
    std::lock_guard lock(state->mutex);
    release_references();
    destroy_owned();
    delete this;
}

void SoftObject::destroy_owned() {
    // Releasing one owned object may release others owned here, so look again every time.
    for (;;) {
        const auto& objects = state_->objects;
        const auto found = std::find_if(objects.begin(), objects.end(),
                                        [this](auto* object) { return object->owner() == this; });
        if (found == objects.end()) {
            return;
        }
        SoftObject* victim = *found;
        victim->release_references();
        victim->destroy_owned();
        delete victim;
    }
}

}  // namespace qx
