// Runs quillmora-cli as a child process and captures its exit code, stdout and stderr.
#pragma once

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace qm::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

inline std::string readWholeFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Path of the CLI built beside the tests.
inline std::string cliPath() { return std::string(QM_BINARY_DIR) + "/src/cli/quillmora-cli"; }

inline CliResult runCli(std::initializer_list<std::string> args) {
    namespace fs = std::filesystem;
    const auto dir = fs::temp_directory_path();
    const auto tag = std::to_string(::getpid()) + "_" + std::to_string(std::rand());
    const auto outFile = dir / ("qm_cli_out_" + tag);
    const auto errFile = dir / ("qm_cli_err_" + tag);
    std::string cmd = shellQuote(cliPath());
    for (const auto& a : args)
        cmd += " " + shellQuote(a);
    cmd += " </dev/null >" + shellQuote(outFile.string()) + " 2>" + shellQuote(errFile.string());
    const int status = std::system(cmd.c_str());
    CliResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readWholeFile(outFile);
    r.err = readWholeFile(errFile);
    fs::remove(outFile);
    fs::remove(errFile);
    return r;
}

} // namespace qm::test
