// The "eval" and "compile" commands: evaluate a colour formula once, or list its compiled program.
#include "cli/command.h"
#include "engine/core/errors.h"
#include "engine/core/number_text.h"
#include "engine/core/random.h"
#include "engine/expr/parser.h"

#include <ostream>
#include <string>

namespace qm::cli {
namespace {

// "X=1.5": sets the letter's cell (any case).
void setLetter(expr::TParser& parser, const std::string& assignment) {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0)
        throw UsageError{"expected LETTER=VALUE, got '" + assignment + "'"};
    const std::string name = assignment.substr(0, eq);
    double* cell = parser.variable(name);
    if (cell == nullptr) throw UsageError{"unknown variable '" + name + "'"};
    *cell = parseFloat(assignment.substr(eq + 1));
}

int runEval(const Args& args, std::ostream& out, std::ostream& err) {
    ArgReader reader(args);
    const std::string formula = reader.next("FORMULA");
    RandomGenerator random;
    random.reseedFromClock();
    expr::TParser parser(random);
    while (!reader.done())
        setLetter(parser, reader.next("LETTER=VALUE"));
    parser.setExpression(formula); // compile errors go to the dispatcher (exit 2)
    double value = 0.0;
    try {
        value = parser.Value();
    } catch (const Exception& e) {
        err << e.className() << ": " << e.message() << "\n";
        return kExitEvalError;
    }
    out << formatNumber(value) << "\n";
    return kExitOk;
}

int runCompile(const Args& args, std::ostream& out, std::ostream&) {
    ArgReader reader(args);
    const std::string formula = reader.next("FORMULA");
    if (!reader.done()) throw UsageError{"unexpected argument '" + reader.peek() + "'"};
    RandomGenerator random;
    expr::TParser parser(random);
    parser.setExpression(formula);
    for (const std::string& line : expr::programListing(parser))
        out << line << '\n';
    return kExitOk;
}

} // namespace

QM_CLI_COMMAND("eval", "eval FORMULA [LETTER=VALUE ...]",
               "evaluate a colour formula once with the given letters (others are 0)", runEval);
QM_CLI_COMMAND("compile", "compile FORMULA",
               "list the compiled program of a colour formula, one operation per line", runCompile);

} // namespace qm::cli
