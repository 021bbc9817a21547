#pragma once
#include <string>

namespace qx {

// What only some commands need comes in modules that `qx` loads when a command first needs
// them, so that the others start without loading the window system, the sound card or the
// sound-file codecs. A module is found next to the program (in the build tree) or in its
// installed module folder, and stays loaded until the program ends.

// The address of the function `entry` in module `name`; null, with the reason in `error`, when
// the module cannot be loaded.
void* program_module_entry(const char* name, const char* entry, std::string& error);

}  // namespace qx
