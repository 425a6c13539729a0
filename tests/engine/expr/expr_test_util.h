// Helpers shared by the formula tests: a one-line program listing and compile-error capture.
#pragma once

#include "engine/expr/parser.h"
#include "engine/expr/parser_errors.h"

#include <string>

namespace qm::expr::test {

// The program in run order, operations separated by "|".
inline std::string listing(const TParser& parser) {
    std::string out;
    for (const std::string& line : programListing(parser))
        out += (out.empty() ? "" : "|") + line;
    return out;
}

struct CompileOutcome {
    std::string className; // empty when it compiled
    std::string message;
};

inline CompileOutcome compileOutcome(TParser& parser, const std::string& text) {
    try {
        parser.setExpression(text);
        return {};
    } catch (const Exception& e) {
        return {e.className(), e.message()};
    }
}

} // namespace qm::expr::test
