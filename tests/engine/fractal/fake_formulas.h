// A stand-in for the formula language in the render tests: each formula text names a small
// C++ function of the pixel's variables.
#pragma once

#include "engine/fractal/colour_formula.h"

#include <functional>
#include <map>
#include <stdexcept>
#include <string>

namespace qm::test {

struct PixelVars {
    double X, Y, M, D, I, Z, A, B, T, q, p;
};

using FakeFn = std::function<double(const PixelVars&, RandomGenerator&, ArithFault&)>;

class FakeFormula : public fractal::ColourFormula {
public:
    FakeFormula(FakeFn fn, RandomGenerator& random) : fn_(std::move(fn)), random_(random) {}
    void evaluate(const fractal::FormulaRow& row, int n, double* values,
                  ArithFault* faults) override {
        for (int k = 0; k < n; ++k) {
            // Letters not written keep their last value, as in the real language.
            auto take = [&](const double* a, double& cell) {
                if (a) cell = a[k];
            };
            take(row.X, v_.X);
            take(row.Y, v_.Y);
            take(row.M, v_.M);
            take(row.D, v_.D);
            take(row.I, v_.I);
            take(row.Z, v_.Z);
            take(row.A, v_.A);
            take(row.B, v_.B);
            take(row.T, v_.T);
            take(row.q, v_.q);
            take(row.p, v_.p);
            faults[k] = ArithFault::None;
            values[k] = fn_(v_, random_, faults[k]);
        }
    }

private:
    FakeFn fn_;
    RandomGenerator& random_;
    PixelVars v_{};
};

class FakeCompiler : public fractal::FormulaCompiler {
public:
    FakeCompiler() {
        add("i*2", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.I * 2; });
        add("0", [](const PixelVars&, RandomGenerator&, ArithFault&) { return 0.0; });
    }
    void add(const std::string& text, FakeFn fn) { table_[text] = std::move(fn); }
    std::unique_ptr<fractal::ColourFormula> compile(const std::string& text,
                                                    RandomGenerator& random) const override {
        const auto it = table_.find(text);
        if (it == table_.end()) throw std::invalid_argument("no fake formula '" + text + "'");
        return std::make_unique<FakeFormula>(it->second, random);
    }

private:
    std::map<std::string, FakeFn> table_;
};

} // namespace qm::test
