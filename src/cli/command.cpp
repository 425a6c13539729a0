// The command table and argument helpers.
#include "cli/command.h"

namespace qm::cli {

namespace {
std::vector<Command>& table() {
    static std::vector<Command> t;
    return t;
}
} // namespace

bool registerCommand(const Command& command) {
    table().push_back(command);
    return true;
}

const std::vector<Command>& commands() {
    return table();
}

std::string ArgReader::next(const char* what) {
    if (done()) throw UsageError{std::string("missing ") + what};
    return args_[pos_++];
}

} // namespace qm::cli
