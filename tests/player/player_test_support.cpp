#include "tests/player/player_test_support.h"

namespace qx {

std::function<int()>* FrameHook::current_ = nullptr;

FrameHook::FrameHook(std::function<int()> hook) {
    current_ = new std::function<int()>(hook);
}

FrameHook::~FrameHook() {
    delete current_;
    current_ = nullptr;
}

int FrameHook::call() {
    return current_ != nullptr ? (*current_)() : 0;
}

}  // namespace qx
