#include "tests/end_to_end/private_sound_server.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace qx {

namespace {

using namespace std::chrono_literals;

constexpr char SINK[] = "heard";
constexpr auto START_LIMIT = 20s;

bool socket_accepts(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int descriptor = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        return false;
    }
    const bool accepted =
        connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(descriptor);
    return accepted;
}

template <typename Condition>
bool wait_until(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + START_LIMIT;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

}  // namespace

PrivateSoundServer::PrivateSoundServer(const std::string& folder, int32_t sample_rate)
    : folder_(folder), sample_rate_(sample_rate) {
    std::filesystem::create_directories(folder_ + "/run");
    std::filesystem::create_directories(folder_ + "/state");
    std::ofstream(folder_ + "/client.conf") << "autospawn = no\n";
}

PrivateSoundServer::~PrivateSoundServer() {
    kill();
}

bool PrivateSoundServer::start() {
    const std::string socket_path = folder_ + "/run/native";
    std::filesystem::remove(socket_path);
    const std::string rate = std::to_string(sample_rate_);
    ChildProgramSetup setup;
    setup.environment = client_environment();
    setup.environment.push_back("PULSE_STATE_PATH=" + folder_ + "/state");
    setup.output_path = folder_ + "/server.log";
    // No default script (-n): the sink is at the movie's own rate, so nothing is resampled.
    server_ = std::make_unique<ChildProgram>(
        std::vector<std::string>{
            "pulseaudio", "--daemonize=no", "--system=false", "-n", "--use-pid-file=no",
            "--exit-idle-time=-1", "--realtime=no", "--high-priority=no", "--log-target=stderr",
            "--load=module-null-sink sink_name=" + std::string(SINK) + " rate=" + rate +
                " channels=2 format=s16le",
            "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket_path},
        setup);
    return server_->started() &&
           wait_until([&] { return server_->running() && socket_accepts(socket_path); });
}

void PrivateSoundServer::kill() {
    server_.reset();
}

std::vector<std::string> PrivateSoundServer::client_environment() const {
    return {"PULSE_SERVER=unix:" + folder_ + "/run/native",
            "PULSE_RUNTIME_PATH=" + folder_ + "/run",
            "PULSE_CLIENTCONFIG=" + folder_ + "/client.conf", "HOME=" + folder_,
            "XDG_CONFIG_HOME=" + folder_ + "/state"};
}

std::unique_ptr<ChildProgram> PrivateSoundServer::record(const std::string& path) const {
    ChildProgramSetup setup;
    setup.environment = client_environment();
    setup.output_path = folder_ + "/record.log";
    // A recorder the machine's load keeps from reading for longer than its latency loses what
    // the server had for it, which reads as a skip in the sound: 20 ms was lost under the
    // sanitizers on a loaded machine, 200 ms is kept (the tests wait 500 ms for the tail).
    auto recorder = std::make_unique<ChildProgram>(
        std::vector<std::string>{"parec", "--device=" + std::string(SINK) + ".monitor",
                                 "--rate=" + std::to_string(sample_rate_), "--channels=2",
                                 "--format=s16le", "--raw", "--latency-msec=200", path},
        setup);
    // An idle null sink plays silence, so the file grows as soon as the recording runs.
    const bool recording = recorder->started() && wait_until([&] {
                               return recorder->running() && std::filesystem::exists(path) &&
                                      std::filesystem::file_size(path) > 0;
                           });
    return recording ? std::move(recorder) : nullptr;
}

}  // namespace qx
