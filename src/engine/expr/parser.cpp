// TCustomParser's tables, expression assignment and one-pixel evaluation; TParser's names.
#include "engine/expr/parser.h"

#include "engine/core/number_text.h"
#include "engine/expr/kernels.h"
#include "engine/expr/parser_errors.h"
#include "engine/expr/routines.h"

#include <utility>

namespace qm::expr {
namespace {

std::string upperCase(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

} // namespace

TCustomParser::TCustomParser(RandomGenerator& random)
    : cells_(kVariableCellCount, 0.0), random_(&random) {
    variables_.cellCount = kVariableCellCount;
}

void TCustomParser::releaseProgram() {
    program_ = CompiledProgram{};
    drawsRandom_ = false;
    cells_.resize(static_cast<std::size_t>(variables_.cellCount));
}

void TCustomParser::setExpression(std::string_view text) {
    releaseProgram();
    expression_ = std::string(text);
    if (expression_.empty()) return;
    try {
        install(Compile(expression_, variables_, functions1_, functions2_, pascalNumberformat_));
        parserError_ = false;
    } catch (const qm::Exception& e) {
        parserError_ = true;
        if (!OnParserError) throw;
        OnParserError(*this, e);
    } catch (...) {
        parserError_ = true;
        throw;
    }
}

void TCustomParser::install(CompiledProgram program) {
    for (TOperation& op : program.ops) {
        if (op.OpCode != TOpCode::opFunc1 && op.OpCode != TOpCode::opFunc2) {
            const FunctionRoutine routine = operatorRoutine(op.OpCode);
            op.Proc = routine.proc;
            op.Batch = routine.batch;
        }
        if (op.Batch == nullptr) drawsRandom_ = true;
    }
    cells_.insert(cells_.end(), program.ownCells.begin(), program.ownCells.end());
    program_ = std::move(program);
    planLanes();
}

void TCustomParser::registerVariable(std::string_view name, std::int32_t cell) {
    variables_.cells.emplace(upperCase(name), cell);
}

std::int32_t TCustomParser::defineVariable(std::string_view name) {
    const std::string key = upperCase(name);
    if (const auto it = variables_.cells.find(key); it != variables_.cells.end()) return it->second;
    // The new cell goes after the existing variables; a compiled program's own cells move up.
    const std::int32_t cell = variables_.cellCount++;
    cells_.insert(cells_.begin() + cell, 0.0);
    if (hasProgram()) {
        const auto shift = [&](std::int32_t& index) {
            if (index >= program_.firstOwnCell) ++index;
        };
        for (TOperation& op : program_.ops) {
            shift(op.Arg1);
            shift(op.Arg2);
            shift(op.Dest);
        }
        shift(program_.result);
        ++program_.firstOwnCell;
    }
    variables_.cells.emplace(key, cell);
    return cell;
}

double* TCustomParser::variable(std::string_view name) {
    const auto it = variables_.cells.find(upperCase(name));
    return it == variables_.cells.end() ? nullptr : &cells_[static_cast<std::size_t>(it->second)];
}

std::string TCustomParser::variableName(std::int32_t cell) const {
    for (const auto& [name, index] : variables_.cells) {
        if (index == cell) return name;
    }
    return {};
}

void TCustomParser::defineFunction1(std::string_view name, FunctionRoutine routine) {
    if (!functions1_.emplace(upperCase(name), routine).second) throw EStringListError();
}

void TCustomParser::defineFunction2(std::string_view name, FunctionRoutine routine) {
    if (!functions2_.emplace(upperCase(name), routine).second) throw EStringListError();
}

std::vector<std::string> programListing(const TCustomParser& parser) {
    const CompiledProgram& program = parser.program();
    const auto operand = [&](std::int32_t cell) -> std::string {
        if (!program.isOwnCell(cell)) return parser.variableName(cell);
        const auto own = static_cast<std::size_t>(cell - program.firstOwnCell);
        if (program.producer[own] < 0) return formatNumber(program.ownCells[own]);
        return "#" + std::to_string(program.producer[own] + 1);
    };
    std::vector<std::string> lines;
    for (std::size_t k = 0; k < program.ops.size(); ++k) {
        const TOperation& op = program.ops[k];
        std::string line = opCodeName(op.OpCode);
        if (op.OpCode == TOpCode::opFunc1 || op.OpCode == TOpCode::opFunc2)
            line += ' ' + program.callNames[k];
        line += ' ' + operand(op.Arg1);
        if (isTwoOperand(op.OpCode)) line += ' ' + operand(op.Arg2);
        lines.push_back(std::move(line));
    }
    return lines;
}

TParser::TParser(RandomGenerator& random) : TCustomParser(random) {
    // Registration order of the reference; the table is sorted, so it has no effect.
    static constexpr std::pair<const char*, VariableCell> kLetters[] = {
        {"A", cellA}, {"B", cellB}, {"I", cellI},  {"S", cellS}, {"M", cellM}, {"D", cellD},
        {"J", cellJ}, {"K", cellK}, {"X", cellX},  {"Y", cellY}, {"T", cellT}, {"?", cellQ},
        {"!", cellP}, {"Z", cellZ}, {"L", cellZj}, {"R", cellR}, {"G", cellG},
    };
    for (const auto& [name, index] : kLetters)
        registerVariable(name, index);
    for (const NamedFunction& f : colourFunctions1())
        defineFunction1(f.name, f.routine);
    for (const NamedFunction& f : colourFunctions2())
        defineFunction2(f.name, f.routine);
}

} // namespace qm::expr
