// The fractal commands: `kernel` runs one catalogue kernel on one point, `render` renders a
// picture and saves it.
#include "cli/command.h"
#include "engine/core/arith.h"
#include "engine/core/number_text.h"
#include "engine/fractal/fractal_type.h"
#include "engine/fractal/kernels.h"

#include <ostream>
#include <string>

namespace qm::cli {

namespace {

using fractal::Complex;

// "A,B" as two finite numbers.
Complex parsePair(const std::string& text, const char* option) {
    const auto comma = text.find(',');
    if (comma == std::string::npos)
        throw UsageError{std::string(option) + " expects two numbers separated by a comma"};
    return {parseFloat(text.substr(0, comma)), parseFloat(text.substr(comma + 1))};
}

// An integer option within the limits of its field, given as a number and truncated.
std::int32_t parseLimited(const std::string& text, const char* option, std::int32_t lo,
                          std::int32_t hi) {
    const double v = parseFloat(text);
    std::int32_t n = 0;
    if (!tryTrunc(v, n) || n < lo || n > hi)
        throw UsageError{std::string(option) + " must be from " + std::to_string(lo) + " to " +
                         std::to_string(hi)};
    return n;
}

const fractal::FractalType& parseType(const std::string& ident) {
    const auto* t = fractal::findByIdentifier(ident);
    if (!t) throw UsageError{"unknown fractal type '" + ident + "'"};
    return *t;
}

// The options that `kernel` and `render` share; returns false when `opt` is not one of them.
bool parseKernelOption(const std::string& opt, ArgReader& r, fractal::KernelParams& p) {
    if (opt == "--max")
        p.max = parseLimited(r.next("--max value"), "--max", 1, 65535);
    else if (opt == "--bailout")
        p.bailout = parseLimited(r.next("--bailout value"), "--bailout", 1, 65535);
    else if (opt == "--order")
        p.order = parseLimited(r.next("--order value"), "--order", 1, 65535);
    else if (opt == "--julia") {
        p.julia = true;
        p.juliaConst = parsePair(r.next("--julia value"), "--julia");
    } else if (opt == "--inside-out")
        p.insideOut = true;
    else if (opt == "--orientation")
        p.orientation = parsePair(r.next("--orientation value"), "--orientation");
    else
        return false;
    return true;
}

int runKernel(const Args& args, std::ostream& out, std::ostream&) {
    ArgReader r(args);
    std::string positional[3];
    int count = 0;
    fractal::KernelParams p;
    while (!r.done()) {
        if (r.isOption()) {
            const std::string opt = r.next("option");
            if (!parseKernelOption(opt, r, p)) throw UsageError{"unknown option " + opt};
        } else {
            const std::string v = r.next("argument");
            if (count == 3) throw UsageError{"too many arguments"};
            positional[count++] = v;
        }
    }
    if (count < 3) throw UsageError{"expected IDENT X Y"};
    const auto& type = parseType(positional[0]);
    const double x = parseFloat(positional[1]);
    const double y = parseFloat(positional[2]);
    fractal::KernelResult result;
    fractal::getresults(type.code, result, x, y, p);
    out << result.I << ' ' << formatNumber(result.Z) << ' ' << formatNumber(result.A) << ' '
        << formatNumber(result.B) << '\n';
    return kExitOk;
}

} // namespace

QM_CLI_COMMAND("kernel",
               "kernel IDENT X Y [--max N] [--bailout B] [--order N] [--julia JX,JY] "
               "[--inside-out] [--orientation RE,IM]",
               "run one catalogue kernel on the plane point (X, Y); prints I Z A B", runKernel);

} // namespace qm::cli
