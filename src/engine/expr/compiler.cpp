// Compile: classifies pieces of formula text, builds the level table of operations and threads
// them into a program. See docs/expr.md for how the validity checks are cached.
#include "engine/expr/compiler.h"

#include "engine/core/errors.h"
#include "engine/core/number_text.h"
#include "engine/expr/parser_errors.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>
#include <optional>

namespace qm::expr {
namespace {

// Guards against hostile input. Formulas that fit the level table stay far below them: the
// checks never nest deeper than the text has operators and brackets, and their work grows
// roughly with the square of the text length.
constexpr std::size_t kMaxTextLength = 1u << 20;
constexpr int kMaxCheckDepth = 1000;
constexpr std::uint64_t kMaxCheckSteps = 20'000'000;
constexpr std::size_t kMaxMemoEntries = 1u << 21;

// A piece of the prepared text, [b, e).
struct Span {
    std::uint32_t b = 0;
    std::uint32_t e = 0;
    std::uint32_t size() const { return e - b; }
};

// The constructs whose acceptance of a piece of text is cached.
enum Construct : unsigned {
    kVariable,
    kNumber,
    kBracketed,
    kNegation,
    kAdd,
    kSubtract,
    kMultiply,
    kDivWord,
    kModWord,
    kDivide,
    kPower,
    kCall1,
    kCall2,
    kValid,
};

// The binary operators in the order the recognisers try them.
enum BinaryOp : unsigned { bAdd, bSubtract, bMultiply, bDivWord, bModWord, bDivide, bPower };
constexpr std::array<BinaryOp, 7> kBinaryOrder = {bAdd,     bSubtract, bMultiply, bDivWord,
                                                  bModWord, bDivide,   bPower};
constexpr std::array<std::string_view, 7> kOperatorText = {"+", "-", "*", "DIV", "MOD", "/", "^"};
constexpr std::array<TOpCode, 7> kOperatorCode = {
    TOpCode::opAdd, TOpCode::opSubtract, TOpCode::opMultiply, TOpCode::opDiv,
    TOpCode::opMod, TOpCode::opDivide,   TOpCode::opPower};

// Cache of check results per piece of text: open addressing keyed by (begin, end), two bits
// per construct (known, accepted).
class CheckCache {
public:
    CheckCache() : keys_(kInitialSize, kEmpty), bits_(kInitialSize, 0) {}

    std::uint32_t get(std::uint64_t key) const {
        const std::size_t i = probe(key);
        return keys_[i] == key ? bits_[i] : 0;
    }

    void add(std::uint64_t key, std::uint32_t bits) {
        std::size_t i = probe(key);
        if (keys_[i] != key) {
            if ((used_ + 1) * 2 > keys_.size()) {
                if (used_ >= kMaxMemoEntries) throw EExpressionTooComplex();
                grow();
                i = probe(key);
            }
            keys_[i] = key;
            ++used_;
        }
        bits_[i] |= bits;
    }

private:
    static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
    static constexpr std::size_t kInitialSize = 256; // 2^8, see shift_

    std::size_t probe(std::uint64_t key) const {
        // Fibonacci hashing: the top bits of the product mix both halves of the key.
        const std::size_t mask = keys_.size() - 1;
        std::size_t i = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
        while (keys_[i] != key && keys_[i] != kEmpty)
            i = (i + 1) & mask;
        return i;
    }

    void grow() {
        std::vector<std::uint64_t> oldKeys(keys_.size() * 2, kEmpty);
        std::vector<std::uint32_t> oldBits(bits_.size() * 2, 0);
        --shift_;
        oldKeys.swap(keys_);
        oldBits.swap(bits_);
        for (std::size_t j = 0; j < oldKeys.size(); ++j) {
            if (oldKeys[j] == kEmpty) continue;
            const std::size_t i = probe(oldKeys[j]);
            keys_[i] = oldKeys[j];
            bits_[i] = oldBits[j];
        }
    }

    std::vector<std::uint64_t> keys_;
    std::vector<std::uint32_t> bits_;
    int shift_ = 64 - 8; // 64 - log2(size)
    std::size_t used_ = 0;
};

// Where the last split tried on a node left its two sides (for the syntax error message).
struct TriedSides {
    bool set = false;
    Span left;
    Span right;
};

struct Split {
    Span left;
    Span right;
    TOpCode code;
};

struct Call {
    const FunctionRoutine* routine;
    Span name;
    Span left;
    Span right;
};

// The result of classifying a node's text.
struct Classified {
    TOpCode code = TOpCode::opVariable;
    Span left;
    Span right;
    std::int32_t variableCell = TOperation::kNone;
    double constant = 0.0;
    const FunctionRoutine* routine = nullptr;
    Span name;
};

// Answers "is this piece of the prepared text construct C?" for every piece the rules ask
// about. Each answer depends only on the piece, so it is computed once and cached; the order in
// which alternatives are tried follows the rules, so the first error a check raises is the one
// an uncached evaluation would meet first.
class Recogniser {
public:
    Recogniser(std::string_view text, const VariableTable& variables,
               const FunctionTable& functions1, const FunctionTable& functions2, bool pascal)
        : s_(text), variables_(variables), functions1_(functions1), functions2_(functions2),
          pascal_(pascal) {
        const auto n = static_cast<std::uint32_t>(s_.size());
        opens_.assign(n + 1, 0);
        closes_.assign(n + 1, 0);
        for (std::uint32_t i = 0; i < n; ++i) {
            const char c = s_[i];
            opens_[i + 1] = opens_[i] + (c == '(' ? 1 : 0);
            closes_[i + 1] = closes_[i] + (c == ')' ? 1 : 0);
            if (c == '(') openPositions_.push_back(i);
            if (c == ',') commaPositions_.push_back(i);
            for (unsigned op = 0; op < kOperatorText.size(); ++op) {
                if (s_.substr(i, kOperatorText[op].size()) == kOperatorText[op])
                    occurrences_[op].push_back(i);
            }
        }
        for (const auto& [name, cell] : variables_.cells)
            maxVariableName_ = std::max(maxVariableName_, name.size());

        // dips_[i]: the first position after i where the bracket depth falls below the depth
        // at i (n + 1 if none).
        dips_.assign(n + 1, n + 1);
        std::vector<std::uint32_t> waiting; // positions whose dip is not found yet
        for (std::uint32_t i = 0; i <= n; ++i) {
            const std::int32_t depth = opens_[i] - closes_[i];
            while (!waiting.empty() && opens_[waiting.back()] - closes_[waiting.back()] > depth) {
                dips_[waiting.back()] = i;
                waiting.pop_back();
            }
            waiting.push_back(i);
        }
        const auto hasBracket = [](const std::string& name) {
            return name.find_first_of("()") != std::string::npos;
        };
        for (const auto& [name, cell] : variables_.cells)
            namesHaveBrackets_ = namesHaveBrackets_ || hasBracket(name);
        for (const auto* table : {&functions1_, &functions2_}) {
            for (const auto& [name, routine] : *table)
                namesHaveBrackets_ = namesHaveBrackets_ || hasBracket(name);
        }
    }

    std::string text(Span t) const { return std::string(s_.substr(t.b, t.size())); }

    bool is(Construct c, Span t) {
        // Every construct's text has properly nested brackets (names aside), so a piece whose
        // brackets close before they open is none of them; it is common among the pieces the
        // split rule tries, and skipping it keeps the number of pieces checked small.
        if (!namesHaveBrackets_ && !nested(t)) return false;
        const std::uint64_t key = (std::uint64_t{t.b} << 32) | t.e;
        const std::uint32_t known = 1u << (2 * c);
        const std::uint32_t accepted = 2u << (2 * c);
        const std::uint32_t bits = cache_.get(key);
        if ((bits & known) != 0) return (bits & accepted) != 0;
        if (depth_ >= kMaxCheckDepth) throw ETooManyNestings();
        step();
        ++depth_;
        const bool result = compute(c, t);
        --depth_;
        cache_.add(key, known | (result ? accepted : 0));
        return result;
    }

    std::optional<std::int32_t> variable(Span t) const {
        if (t.size() == 0 || t.size() > maxVariableName_) return std::nullopt;
        const auto it = variables_.cells.find(s_.substr(t.b, t.size()));
        if (it == variables_.cells.end()) return std::nullopt;
        return it->second;
    }

    // The value of a number literal, or nullopt when the text is not one.
    std::optional<double> number(Span t) const {
        const std::string_view v = s_.substr(t.b, t.size());
        if (v == "PI") return std::numbers::pi;
        if (v == "-PI") return -std::numbers::pi;
        if (!pascal_) {
            // The program's decimal separator is always "."; blanks cannot occur here.
            if (v.find('\t') != std::string_view::npos) return std::nullopt;
            return qm::tryParseFloat(v);
        }
        return pascalNumber(v);
    }

    // The text passed on for a piece accepted as valid: without its redundant outer brackets.
    Span passOn(Span t) {
        while (is(kBracketed, t))
            t = Span{t.b + 1, t.e - 1};
        return t;
    }

    // Tries every split point of the operator in the text from the left; the first one whose
    // sides are balanced and acceptable wins. `sides` records each point tried.
    std::optional<Split> scanBinary(BinaryOp op, Span t, TriedSides* sides) {
        const auto& positions = occurrences_[op];
        const auto width = static_cast<std::uint32_t>(kOperatorText[op].size());
        // An occurrence at the first character, or one with nothing to its right, is no split.
        auto it = std::lower_bound(positions.begin(), positions.end(), t.b + 1);
        for (; it != positions.end() && *it + width < t.e; ++it) {
            step();
            const Span left{t.b, *it};
            const Span right{*it + width, t.e};
            if (sides != nullptr) *sides = TriedSides{true, left, right};
            if (!balanced(left) || !balanced(right)) continue;
            if (op == bPower) {
                if (auto split = powerSplit(left, right)) return split;
                continue;
            }
            if (leftOperand(op, left) && rightOperand(op, right))
                return Split{passOn(left), passOn(right), kOperatorCode[op]};
        }
        return std::nullopt;
    }

    // NAME(inside) with NAME in the one-argument table.
    std::optional<Call> call1(Span t) {
        const auto open = firstOpen(t);
        if (!open || *open == t.b) return std::nullopt;
        const Span name{t.b, *open};
        const auto it = functions1_.find(s_.substr(name.b, name.size()));
        if (it == functions1_.end()) return std::nullopt;
        const Span rest{*open, t.e};
        if (!is(kBracketed, rest)) return std::nullopt;
        return Call{&it->second, name, passOn(rest), Span{}};
    }

    // NAME(first,second) with NAME in the two-argument table: the first comma whose both sides
    // are valid splits; a comma at the first or last character of the inside ends the search.
    std::optional<Call> call2(Span t) {
        const auto open = firstOpen(t);
        if (!open) return std::nullopt;
        const Span name{t.b, *open};
        const auto it = functions2_.find(s_.substr(name.b, name.size()));
        if (it == functions2_.end()) return std::nullopt;
        if (s_[t.e - 1] != ')' || t.e - 1 <= *open) return std::nullopt;
        const Span inside{*open + 1, t.e - 1};
        auto comma = std::lower_bound(commaPositions_.begin(), commaPositions_.end(), inside.b);
        for (; comma != commaPositions_.end() && *comma < inside.e; ++comma) {
            step();
            if (*comma == inside.b || *comma == inside.e - 1) break;
            const Span first{inside.b, *comma};
            const Span second{*comma + 1, inside.e};
            if (is(kValid, first) && is(kValid, second))
                return Call{&it->second, name, passOn(first), passOn(second)};
        }
        return std::nullopt;
    }

    // The recognisers in their fixed order; the first that accepts decides.
    Classified classify(Span t) {
        Classified c;
        if (const auto cell = variable(t)) {
            c.code = TOpCode::opVariable;
            c.variableCell = *cell;
            return c;
        }
        if (is(kNumber, t)) {
            c.code = TOpCode::opConstant;
            c.constant = *number(t);
            return c;
        }
        if (is(kNegation, t)) {
            c.code = TOpCode::opNegate;
            c.left = passOn(Span{t.b + 1, t.e});
            return c;
        }
        TriedSides sides;
        for (const BinaryOp op : kBinaryOrder) {
            if (const auto split = scanBinary(op, t, &sides)) {
                c.code = split->code;
                c.left = split->left;
                c.right = split->right;
                return c;
            }
        }
        if (const auto call = call1(t)) {
            c.code = TOpCode::opFunc1;
            c.routine = call->routine;
            c.name = call->name;
            c.left = call->left;
            return c;
        }
        if (const auto call = call2(t)) {
            c.code = TOpCode::opFunc2;
            c.routine = call->routine;
            c.name = call->name;
            c.left = call->left;
            c.right = call->right;
            return c;
        }
        if (!sides.set) throw ESyntaxError::forText(text(t));
        throw ESyntaxError::forSides(text(sides.left), text(sides.right));
    }

private:
    void step() {
        if (++steps_ > kMaxCheckSteps) throw EExpressionTooComplex();
    }

    bool balanced(Span t) const { return opens_[t.e] - opens_[t.b] == closes_[t.e] - closes_[t.b]; }

    bool nested(Span t) const { return balanced(t) && dips_[t.b] > t.e; }

    std::optional<std::uint32_t> firstOpen(Span t) const {
        const auto it = std::lower_bound(openPositions_.begin(), openPositions_.end(), t.b);
        if (it == openPositions_.end() || *it >= t.e) return std::nullopt;
        return *it;
    }

    bool compute(Construct c, Span t) {
        switch (c) {
        case kVariable:
            return variable(t).has_value();
        case kNumber:
            return number(t).has_value();
        case kBracketed:
            return t.size() >= 2 && s_[t.b] == '(' && s_[t.e - 1] == ')' &&
                   is(kValid, Span{t.b + 1, t.e - 1});
        case kNegation: {
            if (t.size() < 2 || s_[t.b] != '-') return false;
            const Span rest{t.b + 1, t.e};
            return is(kBracketed, rest) || is(kVariable, rest) || is(kPower, rest) ||
                   is(kCall1, rest) || is(kCall2, rest);
        }
        case kAdd:
        case kSubtract:
        case kMultiply:
        case kDivWord:
        case kModWord:
        case kDivide:
        case kPower:
            return scanBinary(static_cast<BinaryOp>(c - kAdd), t, nullptr).has_value();
        case kCall1:
            return call1(t).has_value();
        case kCall2:
            return call2(t).has_value();
        case kValid:
            return is(kNumber, t) || is(kVariable, t) || is(kNegation, t) || is(kAdd, t) ||
                   is(kSubtract, t) || is(kMultiply, t) || is(kDivWord, t) || is(kModWord, t) ||
                   is(kDivide, t) || is(kPower, t) || is(kCall2, t) || is(kCall1, t) ||
                   is(kBracketed, t);
        }
        return false;
    }

    // A variable, a number, a bracketed valid expression or a call.
    bool primary(Span t) {
        return is(kVariable, t) || is(kNumber, t) || is(kBracketed, t) || is(kCall1, t) ||
               is(kCall2, t);
    }

    // The operand table: what each operator accepts on its left and on its right.
    bool leftOperand(BinaryOp op, Span t) {
        if (primary(t) || is(kNegation, t)) return true;
        if ((op == bAdd || op == bSubtract) && (is(kSubtract, t) || is(kMultiply, t))) return true;
        return is(kDivWord, t) || is(kModWord, t) || is(kDivide, t) || is(kPower, t);
    }

    bool rightOperand(BinaryOp op, Span t) {
        if (primary(t)) return true;
        switch (op) {
        case bAdd:
            if (is(kAdd, t) || is(kSubtract, t)) return true;
            [[fallthrough]];
        case bSubtract:
        case bMultiply:
            return is(kMultiply, t) || is(kDivWord, t) || is(kModWord, t) || is(kDivide, t) ||
                   is(kPower, t);
        default:
            return is(kPower, t);
        }
    }

    // The power rule: the exponent literal picks the kind; the integral part of a literal
    // outside the 32-bit range is the runtime's invalid operation.
    std::optional<Split> powerSplit(Span left, Span right) {
        if (!(is(kVariable, left) || is(kNumber, left) || is(kBracketed, left) ||
              is(kCall1, left) || is(kCall2, left)))
            return std::nullopt;
        if (is(kNumber, right)) {
            const double n = *number(right);
            std::int32_t k = 0;
            if (!tryTrunc(n, k)) throw EInvalidOp();
            TOpCode code = TOpCode::opIntPower;
            if (static_cast<double>(k) != n)
                code = TOpCode::opPower;
            else if (k == 2)
                code = TOpCode::opSquare;
            else if (k == 3)
                code = TOpCode::opCube;
            else if (k == 4)
                code = TOpCode::opFourth;
            return Split{passOn(left), right, code};
        }
        if (is(kVariable, right) || is(kBracketed, right) || is(kCall1, right) || is(kCall2, right))
            return Split{passOn(left), passOn(right), TOpCode::opPower};
        return std::nullopt;
    }

    // [+|-] digits [. (at least one more character) digits] [E [+|-] digit digits]; the sign
    // must be followed by something. A literal beyond the double range is the runtime's
    // overflow; one below it is 0.
    static std::optional<double> pascalNumber(std::string_view v) {
        std::size_t i = 0;
        const auto digitsFrom = [&](std::size_t from) {
            std::size_t j = from;
            while (j < v.size() && v[j] >= '0' && v[j] <= '9')
                ++j;
            return j;
        };
        bool negative = false;
        if (i < v.size() && (v[i] == '+' || v[i] == '-')) {
            negative = v[i] == '-';
            ++i;
        }
        if (i >= v.size()) return std::nullopt;
        const std::size_t intEnd = digitsFrom(i);
        const std::string_view intDigits = v.substr(i, intEnd - i);
        i = intEnd;
        std::string_view fracDigits;
        if (i < v.size() && v[i] == '.') {
            ++i;
            if (i >= v.size()) return std::nullopt;
            const std::size_t fracEnd = digitsFrom(i);
            fracDigits = v.substr(i, fracEnd - i);
            i = fracEnd;
        }
        long exponent = 0;
        if (i < v.size() && v[i] == 'E') {
            ++i;
            bool expNegative = false;
            if (i < v.size() && (v[i] == '+' || v[i] == '-')) {
                expNegative = v[i] == '-';
                ++i;
            }
            const std::size_t expEnd = digitsFrom(i);
            if (expEnd == i) return std::nullopt;
            for (std::size_t j = i; j < expEnd; ++j)
                exponent = std::min(exponent * 10 + (v[j] - '0'), 1'000'000L);
            if (expNegative) exponent = -exponent;
            i = expEnd;
        }
        if (i != v.size()) return std::nullopt;

        const bool allZero = intDigits.find_first_not_of('0') == std::string_view::npos &&
                             fracDigits.find_first_not_of('0') == std::string_view::npos;
        if (allZero) return negative ? -0.0 : 0.0;

        std::string normal = negative ? "-" : "";
        normal += intDigits.empty() ? std::string_view("0") : intDigits;
        normal += '.';
        normal += fracDigits.empty() ? std::string_view("0") : fracDigits;
        normal += 'e';
        normal += std::to_string(exponent);
        double value = 0.0;
        const auto [ptr, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
        if (ec == std::errc::result_out_of_range) {
            // Decimal exponent of the leading significant digit decides overflow or underflow.
            long magnitude = 0;
            const auto lead = intDigits.find_first_not_of('0');
            if (lead != std::string_view::npos) {
                magnitude = static_cast<long>(intDigits.size() - lead) - 1 + exponent;
            } else {
                const auto fracLead = fracDigits.find_first_not_of('0');
                magnitude = -static_cast<long>(fracLead) - 1 + exponent;
            }
            if (magnitude > 0) throw EOverflow();
            return negative ? -0.0 : 0.0;
        }
        if (ec != std::errc() || !std::isfinite(value)) throw EOverflow();
        return value;
    }

    std::string_view s_;
    const VariableTable& variables_;
    const FunctionTable& functions1_;
    const FunctionTable& functions2_;
    bool pascal_;
    std::size_t maxVariableName_ = 0;
    std::vector<std::int32_t> opens_;
    std::vector<std::int32_t> closes_;
    std::vector<std::uint32_t> dips_;
    bool namesHaveBrackets_ = false;
    std::vector<std::uint32_t> openPositions_;
    std::vector<std::uint32_t> commaPositions_;
    std::array<std::vector<std::uint32_t>, 7> occurrences_;
    CheckCache cache_;
    std::uint64_t steps_ = 0;
    int depth_ = 0;
};

// Upper case (ASCII letters only), blanks trimmed at both ends.
std::string prepare(std::string_view text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    std::string out(text.substr(b, e - b));
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// Builds the level table by an iterative depth-first walk and threads the program.
class TreeBuilder {
public:
    TreeBuilder(Recogniser& recogniser, std::int32_t firstOwnCell)
        : rec_(recogniser), firstOwnCell_(firstOwnCell) {
        for (auto& level : table_)
            level.fill(TOperation::kNone);
    }

    CompiledProgram build(Span root) {
        // The root holder takes the value of a formula that is a lone variable or number.
        ops_.push_back(TOperation{});
        callNames_.emplace_back();
        table_[0][1] = 0;
        counter_[0] = 1;

        std::vector<Node> path; // the walk's current node and its ancestors
        path.push_back(Node{root, 0, 1, 1});
        visit(path.back());
        for (;;) {
            Node& node = path.back();
            if (isOperation(node.kind.code) && node.children == 0) {
                path.push_back(firstOperand(node));
                visit(path.back());
                continue;
            }
            // The node is finished: climb to the nearest node still missing its second operand.
            while (path.size() > 1) {
                path.pop_back();
                const Node& up = path.back();
                if (isTwoOperand(up.kind.code) && up.children == 1) break;
                if (up.children != (isTwoOperand(up.kind.code) ? 2 : 1))
                    throw EParserInternalError();
            }
            Node& up = path.back();
            if (isTwoOperand(up.kind.code) && up.children == 1) {
                path.push_back(secondOperand(up));
                visit(path.back());
                continue;
            }
            break;
        }
        return thread();
    }

private:
    struct Node {
        Span text;
        int level;
        int slot;
        int side;
        int children = 0;
        Classified kind{};
    };

    static bool isOperation(TOpCode code) {
        return code != TOpCode::opVariable && code != TOpCode::opConstant;
    }

    // First visit: classify; a variable or number is linked into the operation it feeds.
    void visit(Node& node) {
        node.kind = rec_.classify(node.text);
        if (node.kind.code == TOpCode::opVariable) {
            link(node, node.kind.variableCell);
        } else if (node.kind.code == TOpCode::opConstant) {
            link(node, newCell(node.kind.constant, -1));
        }
    }

    void link(const Node& node, std::int32_t cell) {
        TOperation& target = ops_[static_cast<std::size_t>(table_[node.level][node.slot])];
        (node.side == 1 ? target.Arg1 : target.Arg2) = cell;
    }

    std::int32_t newCell(double value, std::int32_t producer) {
        ownCells_.push_back(value);
        producer_.push_back(producer);
        return firstOwnCell_ + static_cast<std::int32_t>(ownCells_.size() - 1);
    }

    int childLevel(const Node& parent) const {
        const int level = parent.level + 1;
        if (level > kMaxNestingLevel) throw ETooManyNestings();
        return level;
    }

    // The first operand node: the parent's operation is created on the child's level and slot.
    Node firstOperand(Node& parent) {
        const int level = childLevel(parent);
        const int slot = counter_[level] + 1;
        if (slot > kSlotsPerLevel) throw EExpressionTooComplex();
        TOperation op;
        op.OpCode = parent.kind.code;
        std::string name;
        if (parent.kind.routine != nullptr) {
            op.Proc = parent.kind.routine->proc;
            op.Batch = parent.kind.routine->batch;
            name = rec_.text(parent.kind.name);
        }
        const auto index = static_cast<std::int32_t>(ops_.size());
        ops_.push_back(op);
        callNames_.push_back(std::move(name));
        table_[level][slot] = index;
        const std::int32_t result = newCell(0.0, index);
        ops_[static_cast<std::size_t>(index)].Dest = result;
        link(parent, result);
        if (isOneOperand(parent.kind.code)) ++counter_[level];
        parent.children = 1;
        return Node{parent.kind.left, level, slot, 1};
    }

    // The second operand node shares the first one's slot; only now is the level's counter
    // advanced.
    Node secondOperand(Node& parent) {
        const int level = childLevel(parent);
        const int slot = counter_[level] + 1;
        if (slot > kSlotsPerLevel) throw EExpressionTooComplex();
        if (table_[level][slot] == TOperation::kNone) throw EParserInternalError();
        ++counter_[level];
        parent.children = 2;
        return Node{parent.kind.right, level, slot, 2};
    }

    // Deepest level first, slots in order on each level, up to level 1.
    CompiledProgram thread() {
        CompiledProgram program;
        program.firstOwnCell = firstOwnCell_;
        program.ownCells = std::move(ownCells_);
        int deepest = 0;
        for (int level = 1; level <= kMaxNestingLevel; ++level) {
            if (counter_[level] > 0) deepest = level;
        }
        std::vector<std::int32_t> order;
        if (deepest == 0) {
            TOperation& holder = ops_[0];
            holder.Dest = holder.Arg1;
            if (holder.Arg1 >= firstOwnCell_) holder.OpCode = TOpCode::opConstant;
            order.push_back(0);
        } else {
            for (int level = deepest; level >= 1; --level) {
                for (int slot = 1; slot <= counter_[level]; ++slot)
                    order.push_back(table_[level][slot]);
            }
        }
        std::vector<std::int32_t> runIndex(ops_.size(), -1);
        for (std::size_t k = 0; k < order.size(); ++k) {
            const auto created = static_cast<std::size_t>(order[k]);
            runIndex[created] = static_cast<std::int32_t>(k);
            TOperation op = ops_[created];
            op.Next = k + 1 < order.size() ? static_cast<std::int32_t>(k + 1) : TOperation::kNone;
            program.ops.push_back(op);
            program.callNames.push_back(std::move(callNames_[created]));
        }
        for (std::int32_t& p : producer_) {
            if (p >= 0) p = runIndex[static_cast<std::size_t>(p)];
        }
        program.producer = std::move(producer_);
        program.result = program.ops.back().Dest;
        return program;
    }

    Recogniser& rec_;
    std::int32_t firstOwnCell_;
    std::vector<TOperation> ops_; // in creation order; 0 is the root holder
    std::vector<std::string> callNames_;
    std::vector<double> ownCells_;
    std::vector<std::int32_t> producer_;
    std::array<std::array<std::int32_t, kSlotsPerLevel + 1>, kMaxNestingLevel + 1> table_{};
    std::array<int, kMaxNestingLevel + 1> counter_{};
};

} // namespace

CompiledProgram Compile(std::string_view text, const VariableTable& variables,
                        const FunctionTable& functions1, const FunctionTable& functions2,
                        bool pascalNumberformat) {
    const std::string prepared = prepare(text);
    if (prepared.find(' ') != std::string::npos) throw EExpressionHasBlanks();
    if (std::count(prepared.begin(), prepared.end(), '(') !=
        std::count(prepared.begin(), prepared.end(), ')'))
        throw EMissMatchingBracket();
    if (prepared.size() > kMaxTextLength) throw EExpressionTooComplex();

    Recogniser recogniser(prepared, variables, functions1, functions2, pascalNumberformat);
    Span root{0, static_cast<std::uint32_t>(prepared.size())};
    while (root.size() >= 2 && prepared[root.b] == '(' && prepared[root.e - 1] == ')' &&
           recogniser.is(kValid, Span{root.b + 1, root.e - 1}))
        root = Span{root.b + 1, root.e - 1};

    TreeBuilder builder(recogniser, variables.cellCount);
    return builder.build(root);
}

} // namespace qm::expr
