#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/end_to_end/child_program.h"

namespace qx {

// A sound server of the test's own (PulseAudio, one null sink at a fixed rate), reachable only
// through a socket in `folder`, so that no other program plays into the sink it records and no
// client starts a server by itself.
class PrivateSoundServer {
  public:
    PrivateSoundServer(const std::string& folder, int32_t sample_rate);
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // Starts the server and waits until it takes clients; false when it does not in time.
    bool start();
    // Ends the server at once, as when it crashes under the programs using it.
    void kill();
    // "NAME=value" entries that send a client to this server, and to no other. The client
    // shares the server's home, where it finds the server's cookie (or makes the one the server
    // will take) instead of writing one into the user's.
    std::vector<std::string> client_environment() const;
    // Records the sink's monitor, raw 16-bit stereo at the sink's rate, into `path` until the
    // returned program is destroyed; null when the recording did not begin in time.
    std::unique_ptr<ChildProgram> record(const std::string& path) const;

  private:
    const std::string folder_;
    const int32_t sample_rate_;
    std::unique_ptr<ChildProgram> server_;
};

}  // namespace qx
