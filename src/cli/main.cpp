// quillmora-cli: the engine's second front end. Dispatches to the registered commands and
// turns uncaught errors into "<ClassName>: <message>" on stderr.
#include "cli/command.h"
#include "cli/progress.h"
#include "engine/core/errors.h"

#include <algorithm>
#include <cstring>
#include <iostream>

namespace {

void printHelp(std::ostream& out) {
    out << "usage: quillmora-cli COMMAND [ARGS]\n\ncommands:\n";
    auto cmds = qm::cli::commands();
    std::sort(cmds.begin(), cmds.end(),
              [](const auto& a, const auto& b) { return std::strcmp(a.name, b.name) < 0; });
    for (const auto& c : cmds)
        out << "  " << c.usage << "\n      " << c.summary << "\n";
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
        std::strcmp(argv[1], "help") == 0) {
        printHelp(argc < 2 ? std::cerr : std::cout);
        return argc < 2 ? qm::cli::kExitError : qm::cli::kExitOk;
    }
    const std::string name = argv[1];
    const qm::cli::Args args(argv + 2, argv + argc);
    for (const auto& c : qm::cli::commands()) {
        if (name != c.name) continue;
        try {
            const int rc = c.run(args, std::cout, std::cerr);
            std::cout.flush();
            return rc;
        } catch (const qm::cli::UsageError& e) {
            std::cout.flush();
            std::cerr << "error: " << e.message << "\nusage: quillmora-cli " << c.usage << "\n";
            return qm::cli::kExitError;
        } catch (const qm::Exception& e) {
            std::cout.flush();
            std::cerr << e.className() << ": " << e.message() << "\n";
            return qm::cli::kExitError;
        } catch (const qm::cli::Interrupted&) {
            std::cout.flush();
            std::cerr << "\ninterrupted: the unfinished picture was not written\n";
            return qm::cli::kExitInterrupted;
        } catch (const std::bad_alloc&) {
            std::cout.flush();
            std::cerr << "error: out of memory\n";
            return qm::cli::kExitError;
        }
    }
    std::cerr << "error: unknown command '" << name << "'\n";
    printHelp(std::cerr);
    return qm::cli::kExitError;
}
