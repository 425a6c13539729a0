// Reading and writing stop strings.
#include "engine/gradient/stop_string.h"

#include "engine/core/number_text.h"

#include <algorithm>

namespace qm::gradient {

std::string formatStopString(const GradientFields& fields) {
    std::string text;
    for (const int v : fields) {
        text += std::to_string(v);
        text += ';';
    }
    return text;
}

void readStopString(std::string_view text, const std::function<void(int index, int value)>& set) {
    size_t pos = 0;
    for (int index = 0; index < kFieldCount; ++index) {
        std::string_view token;
        if (pos < text.size()) {
            const size_t end = std::min(text.find(';', pos), text.size());
            token = text.substr(pos, end - pos);
            pos = end + 1;
        }
        set(index, token.empty() ? kFieldMin : limitField(parseInteger(token)));
    }
}

} // namespace qm::gradient
