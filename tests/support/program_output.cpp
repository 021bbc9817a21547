#include "tests/support/program_output.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tests/support/temp_movie.h"

namespace qx {

namespace {

std::string read_text(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

ProgramOutput run_command(const std::string& command_line) {
    TempFolder folder;
    const std::string out = folder.path() + "/out";
    const std::string err = folder.path() + "/err";
    const int status = std::system(("(" + command_line + ") >" + out + " 2>" + err).c_str());
    ProgramOutput result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = read_text(out);
    result.err = read_text(err);
    return result;
}

ProgramOutput run_qx(const std::string& arguments) {
    return run_command(std::string(QX_BINARY_DIR) + "/qx " + arguments);
}

ProgramOutput run_qxhost(const std::string& arguments) {
    return run_command(std::string(QX_BINARY_DIR) + "/qxhost " + arguments);
}

}  // namespace qx
