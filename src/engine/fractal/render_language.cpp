// The formula language behind render jobs: one TParser per worker and formula, evaluated a row
// at a time through its batch entry point.
#include "engine/fractal/render_language.h"

#include "engine/expr/parser.h"

#include <vector>

namespace qm::fractal {

namespace {

class LanguageFormula : public ColourFormula {
public:
    LanguageFormula(const std::string& text, RandomGenerator& random) : parser_(random) {
        parser_.setExpression(text); // compile errors propagate to the render's start
    }

    void evaluate(const FormulaRow& row, int n, double* values, ArithFault* faults) override {
        expr::BatchInputs in;
        // Letters without lanes read the parser's own cells, which this renderer never
        // writes: they keep their value.
        in.lanes[expr::cellX] = row.X;
        in.lanes[expr::cellY] = row.Y;
        in.lanes[expr::cellM] = row.M;
        in.lanes[expr::cellD] = row.D;
        in.lanes[expr::cellI] = row.I;
        in.lanes[expr::cellZ] = row.Z;
        in.lanes[expr::cellA] = row.A;
        in.lanes[expr::cellB] = row.B;
        in.lanes[expr::cellT] = row.T;
        in.lanes[expr::cellQ] = row.q;
        in.lanes[expr::cellP] = row.p;
        faultBytes_.resize(static_cast<std::size_t>(n));
        parser_.evaluateBatch(in, static_cast<std::size_t>(n), values, faultBytes_.data());
        for (int k = 0; k < n; ++k)
            faults[k] = static_cast<ArithFault>(faultBytes_[static_cast<std::size_t>(k)]);
    }

private:
    expr::TParser parser_;
    std::vector<std::uint8_t> faultBytes_;
};

class Language : public FormulaCompiler {
public:
    std::unique_ptr<ColourFormula> compile(const std::string& text,
                                           RandomGenerator& random) const override {
        return std::make_unique<LanguageFormula>(text, random);
    }
};

} // namespace

std::unique_ptr<FormulaCompiler> makeRenderLanguage() {
    return std::make_unique<Language>();
}

} // namespace qm::fractal
