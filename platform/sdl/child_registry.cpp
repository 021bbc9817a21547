#include "platform/sdl/child_registry.h"

#include <algorithm>

namespace qx {

void ChildRegistry::add(DisplayChild* child) {
    std::lock_guard lock(mutex_);
    children_.push_back(child);
}

void ChildRegistry::remove(DisplayChild* child) {
    std::lock_guard lock(mutex_);
    std::erase(children_, child);
}

void ChildRegistry::discard_all() {
    std::vector<DisplayChild*> children;
    {
        std::lock_guard lock(mutex_);
        children.swap(children_);
    }
    for (DisplayChild* child : children) {
        child->discard();
    }
}

}  // namespace qx
