// Message formatting for the shared exception classes.
#include "engine/core/errors.h"

namespace qm {

std::string formatMessage(const char* pattern, std::initializer_list<std::string> args) {
    std::string out;
    auto next = args.begin();
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            if (next != args.end()) out += *next++;
            ++p;
        } else if (p[0] == '%' && p[1] == 'd') {
            if (next != args.end()) out += *next++;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

EConvertError EConvertError::invalidFloat(const std::string& text) {
    return EConvertError(formatMessage("'%s' is not a valid floating point value", {text}));
}

EConvertError EConvertError::invalidInteger(const std::string& text) {
    return EConvertError(formatMessage("'%s' is not a valid integer value", {text}));
}

} // namespace qm
