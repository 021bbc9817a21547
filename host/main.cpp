#include <cstdio>

#include <CLI/CLI.hpp>

#include "host/host.h"
#include "platform/sdl/sdl_backend.h"

int main(int argc, char** argv) {
    using namespace qx;
    CLI::App app{
        "qxhost: the test host. Run from a folder holding ORLUND.MNB, it plays that movie over "
        "and over on the whole screen: a 640 x 480, 16-bit display mode, enlarged to fit.\nKeys: "
        "Shift pause, Space restart, keypad + and - brightness, Esc quit."};
    app.set_version_flag("--version", std::string("qxhost ") + QX_VERSION);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            return app.exit(error);
        }
        std::fprintf(stderr, "qxhost: %s\n", error.what());
        return 2;
    }
    SdlBackend backend;
    platform_install_backend(&backend);
    HostState host;
    const int result = host_run(host);
    platform_install_backend(nullptr);
    return result;
}
