// What `quillmora-cli help COMMAND` prints beyond the usage line, and the list of --type values
// that help, error messages and the bash completion share.
#pragma once

#include <string>
#include <string_view>

namespace qm::cli {

// The description and option list of a command; nullptr for a command without one.
const char* commandHelp(std::string_view command);

// The identifiers --type takes, in menu order: "mandel, mandelorder, ...".
std::string fractalTypeList();

} // namespace qm::cli
