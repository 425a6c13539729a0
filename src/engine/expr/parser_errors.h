// The colour-formula compiler's error classes, each with its fixed message.
#pragma once

#include "engine/core/errors.h"

#include <string>

namespace qm::expr {

// Base of every compile error; hosts catch this to tell a bad formula from other failures.
QM_DECLARE_EXCEPTION(EMathParserError, Exception);

QM_DECLARE_FIXED_EXCEPTION(EExpressionHasBlanks, EMathParserError, "Expression has blanks");
QM_DECLARE_FIXED_EXCEPTION(EMissMatchingBracket, EMathParserError,
                           "Missing brackets in expression");
QM_DECLARE_FIXED_EXCEPTION(ETooManyNestings, EMathParserError,
                           "Expression contains too many nestings");
QM_DECLARE_FIXED_EXCEPTION(EExpressionTooComplex, EMathParserError, "Expression is too complex");
QM_DECLARE_FIXED_EXCEPTION(EParserInternalError, EMathParserError, "TParser internal error");

// A piece of text that no construct of the language accepts. The message shows either the
// piece itself or, when a split was tried on it, the two sides of the last split tried.
class ESyntaxError : public EMathParserError {
public:
    static constexpr const char* kMessage = "Error parsing expression:\r%s";
    static constexpr const char* kSidesMessage = "Error parsing expression:\r%s\r%s";

    using EMathParserError::EMathParserError;
    const char* className() const noexcept override { return "ESyntaxError"; }

    static ESyntaxError forText(const std::string& text) {
        return ESyntaxError(formatMessage(kMessage, {text}));
    }
    static ESyntaxError forSides(const std::string& left, const std::string& right) {
        return ESyntaxError(formatMessage(kSidesMessage, {left, right}));
    }
};

// Registering a function name twice in one table.
QM_DECLARE_FIXED_EXCEPTION(EStringListError, Exception, "Duplicates not allowed");

} // namespace qm::expr
