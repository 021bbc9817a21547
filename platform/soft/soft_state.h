#pragma once
#include <memory>
#include <mutex>
#include <vector>

#include "platform/soft/soft_backend.h"

namespace qx {

enum SoftObjectKind : uint32_t {
    SOFT_DISPLAY,
    SOFT_SURFACE,
    SOFT_PALETTE,
    SOFT_SOUND_DEVICE,
    SOFT_SOUND_BUFFER,
};

class SoftObject;

// Everything the soft objects of one backend share. One mutex guards all of it but the fault
// switches; it is recursive because releasing one object can release others (a surface its
// palette, a display everything made on it).
struct SoftState {
    explicit SoftState(const SoftBackendConfig& backend_config) : config(backend_config) {}

    const SoftBackendConfig config;
    SoftFaults faults;
    std::recursive_mutex mutex;
    std::vector<SoftObject*> objects;  // every live object, in creation order
    SoftCounters counters{};
    std::vector<SoftSurfaceRecord> surfaces_created;
    std::vector<uint32_t> palette_flags;
    std::vector<SoftBltRecord> blts;
    std::vector<SoftSoundBufferRecord> sound_buffers;
    std::vector<std::vector<uint8_t>> heard;    // per secondary buffer, same index
    std::vector<std::vector<uint8_t>> written;  // per secondary buffer, same index

    int32_t live(SoftObjectKind kind) const;
    // The live object at `address` of the given kind, or null.
    SoftObject* find(const void* address, SoftObjectKind kind) const;
};

// Consumes one failure of a fault switch; true when the call is to fail.
bool soft_fault_trips(SoftFault& fault);

// Membership of a soft object in its backend's registry, and the lifetime rules of the
// platform: an object owned by another (a surface by its display, a buffer by its device)
// goes when its owner goes, whatever references are still held. Constructors and destructors
// run with the state's mutex held.
class SoftObject {
  public:
    SoftObject(std::shared_ptr<SoftState> state, SoftObjectKind kind, const SoftObject* owner);
    virtual ~SoftObject();
    SoftObject(const SoftObject&) = delete;
    SoftObject& operator=(const SoftObject&) = delete;

    SoftObjectKind kind() const { return kind_; }
    const SoftObject* owner() const { return owner_; }
    // The interface pointer tests and callers hold (the PlatformObject face of this object).
    virtual const void* face() const = 0;

  protected:
    // The last reference is gone: drops the references this object holds, the objects it owns,
    // and then itself.
    void destroy_with_lock();
    // Releases the references this object holds on others; called with the mutex held.
    virtual void release_references() {}
    // Destroys every object this one owns, whatever references remain.
    void destroy_owned();

    std::shared_ptr<SoftState> state_;

  private:
    const SoftObjectKind kind_;
    const SoftObject* const owner_;
};

}  // namespace qx
