// quillmora-cli: the engine's second front end. Dispatches to the registered commands, explains
// them (`help COMMAND`, `COMMAND --help`) and turns uncaught errors into "<ClassName>: <message>"
// on stderr.
#include "cli/command.h"
#include "cli/help_text.h"
#include "cli/progress.h"
#include "engine/core/errors.h"
#include "engine/core/version.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <string_view>

namespace qm::cli {

namespace {

std::vector<Command> sortedCommands() {
    auto cmds = commands();
    std::sort(cmds.begin(), cmds.end(),
              [](const auto& a, const auto& b) { return std::strcmp(a.name, b.name) < 0; });
    return cmds;
}

const Command* findCommand(std::string_view name) {
    for (const auto& c : commands())
        if (name == c.name) return &c;
    return nullptr;
}

std::string unknownCommand(std::string_view name) {
    std::string names;
    for (const auto& c : sortedCommands())
        names += (names.empty() ? "" : ", ") + std::string(c.name);
    return "unknown command '" + std::string(name) + "'; one of: " + names;
}

void printOverview(std::ostream& out) {
    out << "usage: quillmora-cli COMMAND [ARGS]\n"
           "       quillmora-cli help COMMAND (or COMMAND --help) explains every option\n"
           "       quillmora-cli --version prints the version\n"
           "\ncommands:\n";
    for (const auto& c : sortedCommands())
        out << "  " << c.usage << "\n      " << c.summary << "\n";
}

void printCommandHelp(const Command& c, std::ostream& out) {
    out << "usage: quillmora-cli " << c.usage << "\n\n";
    if (const char* text = commandHelp(c.name))
        out << text;
    else
        out << c.summary << "\n";
}

// "--help" anywhere, or "-h" first: no command takes either as a value.
bool asksForHelp(const Args& args) {
    return (!args.empty() && args[0] == "-h") ||
           std::find(args.begin(), args.end(), "--help") != args.end();
}

int runHelp(const Args& args, std::ostream& out, std::ostream&) {
    if (args.size() > 1) throw UsageError{"help takes one command"};
    if (args.empty()) {
        printOverview(out);
        return kExitOk;
    }
    const Command* c = findCommand(args[0]);
    if (c == nullptr) throw UsageError{unknownCommand(args[0])};
    printCommandHelp(*c, out);
    return kExitOk;
}

int dispatch(const Command& c, const Args& args) {
    try {
        const int rc = c.run(args, std::cout, std::cerr);
        std::cout.flush();
        return rc;
    } catch (const UsageError& e) {
        std::cout.flush();
        std::cerr << "error: " << e.message << "\nusage: quillmora-cli " << c.usage << "\n";
        if (commandHelp(c.name) != nullptr && std::strcmp(c.name, "help") != 0)
            std::cerr << "(quillmora-cli help " << c.name << " explains every option)\n";
    } catch (const Exception& e) {
        std::cout.flush();
        std::cerr << e.className() << ": " << e.message() << "\n";
    } catch (const Interrupted&) {
        std::cout.flush();
        std::cerr << "\ninterrupted: the unfinished picture was not written\n";
        return kExitInterrupted;
    } catch (const std::bad_alloc&) {
        std::cout.flush();
        std::cerr << "error: out of memory\n";
    }
    return kExitError;
}

} // namespace

QM_CLI_COMMAND("help", "help [COMMAND]", "list the commands, or explain one with every option",
               runHelp);

} // namespace qm::cli

int main(int argc, char** argv) {
    using namespace qm::cli;
    std::ios::sync_with_stdio(false);
    if (argc < 2) {
        printOverview(std::cerr);
        return kExitError;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h") {
        printOverview(std::cout);
        return kExitOk;
    }
    if (name == "--version") {
        std::cout << "quillmora-cli " << qm::kVersion << "\n";
        return kExitOk;
    }
    const Args args(argv + 2, argv + argc);
    const Command* c = findCommand(name);
    if (c == nullptr) {
        std::cerr << "error: " << unknownCommand(name) << "\n";
        return kExitError;
    }
    if (asksForHelp(args)) {
        printCommandHelp(*c, std::cout);
        return kExitOk;
    }
    return dispatch(*c, args);
}
