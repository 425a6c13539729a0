// Fuzzes the INI reader and the parameter-file loader: any bytes must load or fail with a
// program error, and a loaded document must save, reload and save to the same text.
#include "engine/core/errors.h"
#include "engine/gradient/gradient_model.h"
#include "engine/params/ini_document.h"
#include "engine/params/parameter_file.h"
#include "engine/shared/shared_colour_data.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qm::params;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const IniDocument ini = IniDocument::parse(bytes);

    // The written form of any document reads back as the same document.
    if (IniDocument::parse(ini.text()).text() != ini.text()) std::abort();
    for (const auto& s : ini.sections())
        for (const auto& e : s.entries)
            if (ini.readString(s.name, e.key, "").size() > IniDocument::kMaxValueLength)
                std::abort();

    qm::SharedColourData shared;
    qm::gradient::GradientModel gradient(shared);
    gradient.initialise();
    FractalDocument doc;
    try {
        applyParameters(ini, doc, gradient);
    } catch (const qm::Exception&) {
        return 0; // a conversion error stops the reading; the document stays usable
    }
    const std::string first = parameterDocument(doc, gradient.stopString()).text();
    FractalDocument again;
    applyParameters(IniDocument::parse(first), again, gradient);
    if (parameterDocument(again, gradient.stopString()).text() != first) std::abort();
    return 0;
}
