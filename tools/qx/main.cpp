#include <CLI/CLI.hpp>

#include "tools/qx/commands.h"

int main(int argc, char** argv) {
    CLI::App app{"qx: play, inspect, convert and author Qx movies"};
    app.require_subcommand(1);
    int status = 0;
    add_info_command(app, status);
    add_export_command(app, status);
    add_play_command(app, status);
    add_encode_command(app, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error);
    }
    return status;
}
