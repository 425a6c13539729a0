// Colour-formula speed: ns per evaluation through Value and through the block evaluator, beside
// muparser (where installed) and the same formulas written as C++; and compile times.
#include "engine/expr/parser.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef QM_HAVE_MUPARSER
#include <muParser.h>
#endif

namespace {

using qm::expr::TParser;

constexpr std::size_t kPixels = 1024;

// One row's worth of inputs, as a renderer would fill them.
struct Row {
    std::vector<double> i, x, y, a, b;
    Row() : i(kPixels), x(kPixels), y(kPixels), a(kPixels), b(kPixels) {
        qm::RandomGenerator random(12345);
        for (std::size_t k = 0; k < kPixels; ++k) {
            i[k] = static_cast<double>(random.nextInt(256));
            x[k] = -2.0 + 4.0 * random.nextReal();
            y[k] = -2.0 + 4.0 * random.nextReal();
            a[k] = -2.0 + 4.0 * random.nextReal();
            b[k] = -2.0 + 4.0 * random.nextReal();
        }
    }
};

const Row& row() {
    static const Row r;
    return r;
}

struct Formula {
    const char* ours;
    const char* muparser;
};
const Formula kFormulas[] = {
    {"i*2", "i*2"},
    {"sin(x*10)*cos(y*10)*128+i*2", "sin(x*10)*cos(y*10)*128+i*2"},
    {"(iMOD16)*16+abs(a*b)", "(i mod 16)*16+abs(a*b)"},
};

void reportPerEvaluation(benchmark::State& state) {
    state.counters["per_eval"] = benchmark::Counter(static_cast<double>(kPixels),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

void BM_Value(benchmark::State& state) {
    const Formula& f = kFormulas[state.range(0)];
    qm::RandomGenerator random(1);
    TParser parser(random);
    parser.setExpression(f.ours);
    const Row& r = row();
    for (auto _ : state) {
        double sum = 0;
        for (std::size_t k = 0; k < kPixels; ++k) {
            parser.i() = r.i[k];
            parser.X() = r.x[k];
            parser.Y() = r.y[k];
            parser.A() = r.a[k];
            parser.B() = r.b[k];
            sum += parser.Value();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetLabel(f.ours);
    reportPerEvaluation(state);
}

void BM_Batch(benchmark::State& state) {
    const Formula& f = kFormulas[state.range(0)];
    qm::RandomGenerator random(1);
    TParser parser(random);
    parser.setExpression(f.ours);
    const Row& r = row();
    qm::expr::BatchInputs inputs;
    inputs.lanes[qm::expr::cellI] = r.i.data();
    inputs.lanes[qm::expr::cellX] = r.x.data();
    inputs.lanes[qm::expr::cellY] = r.y.data();
    inputs.lanes[qm::expr::cellA] = r.a.data();
    inputs.lanes[qm::expr::cellB] = r.b.data();
    std::vector<double> values(kPixels);
    std::vector<std::uint8_t> faults(kPixels);
    for (auto _ : state) {
        parser.evaluateBatch(inputs, kPixels, values.data(), faults.data());
        benchmark::DoNotOptimize(values.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(f.ours);
    reportPerEvaluation(state);
}

// The floor: the formulas as C++ over the same arrays.
void BM_Native(benchmark::State& state) {
    const Row& r = row();
    std::vector<double> values(kPixels);
    const auto formula = state.range(0);
    for (auto _ : state) {
        const double* i = r.i.data();
        const double* x = r.x.data();
        const double* y = r.y.data();
        const double* a = r.a.data();
        const double* b = r.b.data();
        double* out = values.data();
        if (formula == 0) {
            for (std::size_t k = 0; k < kPixels; ++k)
                out[k] = i[k] * 2;
        } else if (formula == 1) {
            for (std::size_t k = 0; k < kPixels; ++k)
                out[k] = std::sin(x[k] * 10) * std::cos(y[k] * 10) * 128 + i[k] * 2;
        } else {
            for (std::size_t k = 0; k < kPixels; ++k)
                out[k] =
                    static_cast<double>(static_cast<int>(i[k]) % 16) * 16 + std::fabs(a[k] * b[k]);
        }
        benchmark::DoNotOptimize(values.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(kFormulas[formula].ours);
    reportPerEvaluation(state);
}

// The floor again, with the checks C++ needs to report the errors the language reports: a
// result that is not finite, and for MOD a Trunc out of range or a zero divisor.
void BM_NativeChecked(benchmark::State& state) {
    const Row& r = row();
    std::vector<double> values(kPixels);
    std::vector<std::uint8_t> faults(kPixels);
    const auto formula = state.range(0);
    for (auto _ : state) {
        const double* i = r.i.data();
        const double* x = r.x.data();
        const double* y = r.y.data();
        const double* a = r.a.data();
        const double* b = r.b.data();
        double* out = values.data();
        std::uint8_t* bad = faults.data();
        for (std::size_t k = 0; k < kPixels; ++k) {
            double v = 0;
            if (formula == 0) {
                v = i[k] * 2;
            } else if (formula == 1) {
                v = std::sin(x[k] * 10) * std::cos(y[k] * 10) * 128 + i[k] * 2;
            } else {
                std::int32_t n = 0;
                if (!qm::tryTrunc(i[k], n)) {
                    bad[k] = 1;
                    continue;
                }
                v = static_cast<double>(n % 16) * 16 + std::fabs(a[k] * b[k]);
            }
            bad[k] = std::isfinite(v) ? 0 : 1;
            out[k] = v;
        }
        benchmark::DoNotOptimize(values.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(kFormulas[formula].ours);
    reportPerEvaluation(state);
}

#ifdef QM_HAVE_MUPARSER
double muMod(double v, double w) {
    return static_cast<double>(static_cast<int>(v) % static_cast<int>(w));
}

void BM_Muparser(benchmark::State& state) {
    const Formula& f = kFormulas[state.range(0)];
    double vi = 0, vx = 0, vy = 0, va = 0, vb = 0;
    mu::Parser parser;
    parser.DefineVar("i", &vi);
    parser.DefineVar("x", &vx);
    parser.DefineVar("y", &vy);
    parser.DefineVar("a", &va);
    parser.DefineVar("b", &vb);
    parser.DefineOprt("mod", muMod, mu::prMUL_DIV);
    parser.SetExpr(f.muparser);
    const Row& r = row();
    for (auto _ : state) {
        double sum = 0;
        for (std::size_t k = 0; k < kPixels; ++k) {
            vi = r.i[k];
            vx = r.x[k];
            vy = r.y[k];
            va = r.a[k];
            vb = r.b[k];
            sum += parser.Eval();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetLabel(f.muparser);
    reportPerEvaluation(state);
}
BENCHMARK(BM_Muparser)->DenseRange(0, 2);
#endif

BENCHMARK(BM_Native)->DenseRange(0, 2);
BENCHMARK(BM_NativeChecked)->DenseRange(0, 2);
BENCHMARK(BM_Value)->DenseRange(0, 2);
BENCHMARK(BM_Batch)->DenseRange(0, 2);

// ---- compile times

std::string repeated(const std::string& first, const std::string& more, int times) {
    std::string out = first;
    for (int k = 0; k < times; ++k)
        out += more;
    return out;
}

std::string balanced(const std::vector<std::string>& leaves, std::size_t b, std::size_t e) {
    if (e - b == 1) return leaves[b];
    const std::size_t mid = b + (e - b) / 2;
    return "(" + balanced(leaves, b, mid) + "+" + balanced(leaves, mid, e) + ")";
}

// 64 leaves at depth 6, 50 of them products: 50 operations on level 7.
std::string fiftyOnALevel() {
    std::vector<std::string> leaves;
    for (int k = 0; k < 64; ++k)
        leaves.push_back(k < 50 ? "x*y" : "i");
    return balanced(leaves, 0, leaves.size());
}

// About 1,000 characters of varied terms summed as a balanced tree.
std::string longFormula() {
    std::vector<std::string> terms;
    for (int k = 0; k < 16; ++k) {
        const std::string n = std::to_string(k + 1) + ".12345678";
        terms.push_back("sin(x*" + n + ")*cos(y/" + n + ")+abs(a*b)/(" + n + "+i)");
    }
    return balanced(terms, 0, terms.size());
}

void BM_Compile(benchmark::State& state) {
    std::string text;
    switch (state.range(0)) {
    case 0:
        text = repeated("x", "-x", 20); // 20 levels, left-grouped: the costliest chain
        state.SetLabel("20 levels");
        break;
    case 1:
        text = fiftyOnALevel();
        state.SetLabel("50 operations on a level");
        break;
    default:
        text = longFormula();
        state.SetLabel(std::to_string(text.size()) + " characters");
        break;
    }
    qm::RandomGenerator random(1);
    TParser parser(random);
    parser.setExpression(text); // throws if the formula does not compile
    for (auto _ : state)
        parser.setExpression(text);
    state.counters["ops"] = static_cast<double>(parser.program().ops.size());
}
BENCHMARK(BM_Compile)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
