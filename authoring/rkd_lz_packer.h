#pragma once
#include <cstdint>
#include <span>
#include <vector>

namespace qx {

// How hard the packer looks for repeats: hash-chain steps per position (beyond 32 a grainy
// picture packs about 1% smaller for a third more time), and whether it waits one byte for a
// longer match.
struct RkdPackOptions {
    int32_t chain_steps = 32;
    bool lazy = true;
};

// Packs an 8-bit picture into the Rkd packed-picture form: a 5-byte header (flags 0, a spare
// byte, the big-endian 24-bit size) and commands ending with an end command.
std::vector<uint8_t> rkd_pack_picture(std::span<const uint8_t> pixels,
                                      const RkdPackOptions& options = {});

}  // namespace qx
