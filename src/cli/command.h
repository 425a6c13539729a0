// The command table of quillmora-cli: each command file registers its commands at start-up.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace qm::cli {

// Exit codes shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 2;     // bad input, compile errors, file errors
inline constexpr int kExitEvalError = 3; // an evaluation raised an arithmetic error

using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args& args, std::ostream& out, std::ostream& err);

struct Command {
    const char* name;
    const char* usage;   // e.g. "eval FORMULA [LETTER=VALUE ...]"
    const char* summary; // one line for the help text
    CommandFn run;
};

bool registerCommand(const Command& command);
const std::vector<Command>& commands();

// Thrown for bad command-line usage; printed as "error: <message>" with exit 2.
struct UsageError {
    std::string message;
};

// Small argument helpers shared by the commands.
class ArgReader {
public:
    explicit ArgReader(const Args& args) : args_(args) {}
    bool done() const { return pos_ >= args_.size(); }
    const std::string& peek() const { return args_[pos_]; }
    std::string next(const char* what);
    bool isOption() const {
        return !done() && args_[pos_].size() > 1 && args_[pos_][0] == '-' && args_[pos_][1] == '-';
    }

private:
    const Args& args_;
    size_t pos_ = 0;
};

} // namespace qm::cli

#define QM_CLI_CONCAT2(a, b) a##b
#define QM_CLI_CONCAT(a, b) QM_CLI_CONCAT2(a, b)
#define QM_CLI_COMMAND(...)                                                                        \
    [[maybe_unused]] static const bool QM_CLI_CONCAT(qmCliRegistered, __LINE__) =                  \
        ::qm::cli::registerCommand(::qm::cli::Command{__VA_ARGS__})
