// The small programs `vedra` hands part of its work to: beside `vedra` in the
// build folder, in libexec/vedrareader/ when installed, or the one an
// environment variable names.
#pragma once

#include <string>

namespace vedra::cli {

// The path of the program `name`, or empty when none can be run. `variable`,
// when set and not empty, is taken as it is.
std::string HelperProgram(const char* name, const char* variable);

// Replaces this process with `program`, given this process's own arguments. Returns
// only when that fails, with errno set.
void ExecHelper(const std::string& program, char** argv);

} // namespace vedra::cli
