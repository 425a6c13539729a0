// Progress of the long commands on stderr (a bar on a terminal, plain lines with --progress,
// nothing with --quiet) and their reaction to Ctrl+C.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>

namespace qm::cli {

enum class ProgressMode { Auto, Lines, Quiet };

// Takes --progress and --quiet; false for any other option.
bool parseProgressOption(const std::string& option, ProgressMode& mode);

// Counts `unit`s ("rows", "frames") done out of a total. Auto draws a bar with the count,
// percent, elapsed and estimated remaining time when stderr is a terminal, and nothing
// otherwise; Lines writes a line at most every few seconds and at the end.
class ProgressMeter {
public:
    ProgressMeter(std::ostream& err, ProgressMode mode, std::string label, std::string unit,
                  std::int64_t total);
    void update(std::int64_t done);
    // A phase shown beside the count ("reference orbit ..."); empty for none.
    void note(const std::string& text);
    // The last state, ended with a newline (bar) or a final line.
    void finish();

private:
    void draw(bool last);

    std::ostream& err_;
    bool bar_ = false;
    bool lines_ = false;
    std::string label_;
    std::string unit_;
    std::string note_;
    std::int64_t total_;
    std::int64_t done_ = 0;
    int shownPercent_ = -1;
    bool finished_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};

// Ctrl+C (SIGINT) and SIGTERM set a flag instead of ending the process: the long commands stop
// within a row, their atomic writes remove the unfinished file, and the command ends with
// Interrupted (exit 130).
void catchInterrupts();
bool interrupted();
struct Interrupted {};
inline constexpr int kExitInterrupted = 130;
// Throws Interrupted when a signal came.
void checkInterrupted();

} // namespace qm::cli
