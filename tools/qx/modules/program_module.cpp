#include "tools/qx/modules/program_module.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace qx {

namespace {

// Next to the program in the build tree; in the installed module folder, found from the
// program's own place so that a package installed anywhere finds its modules.
std::filesystem::path module_path(const char* name) {
    std::error_code failure;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failure);
    const std::filesystem::path beside = program.parent_path() / name;
    if (std::filesystem::exists(beside, failure)) {
        return beside;
    }
    return (program.parent_path() / QX_MODULE_DIR_FROM_BIN / name).lexically_normal();
}

}  // namespace

void* program_module_entry(const char* name, const char* entry, std::string& error) {
    // Binding every symbol at once reports a module built for another program now, rather
    // than as a crash later.
    void* module = dlopen(module_path(name).c_str(), RTLD_NOW | RTLD_LOCAL);
    void* address = module != nullptr ? dlsym(module, entry) : nullptr;
    if (address == nullptr) {
        const char* reason = dlerror();
        error = std::string("the module ") + name + " cannot be loaded (" +
                (reason != nullptr ? reason : "no reason given") + ")";
    }
    return address;
}

}  // namespace qx
