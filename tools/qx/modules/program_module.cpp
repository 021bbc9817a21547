#include "tools/qx/modules/program_module.h"

#include <dlfcn.h>

void* program_module_entry(const char* name, const char* entry, std::string& error) {
    // The program's run path leads to its modules. Binding every symbol at once reports a
    // module built for another program now, rather than as a crash later.
    void* module = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    void* address = module != nullptr ? dlsym(module, entry) : nullptr;
    if (address == nullptr) {
        const char* reason = dlerror();
        error = std::string("the module ") + name + " cannot be loaded (" +
                (reason != nullptr ? reason : "no reason given") + ")";
    }
    return address;
}
