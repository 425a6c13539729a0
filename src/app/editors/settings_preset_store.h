// SettingsPresetStore: the user gradients kept in QSettings, group "Gradients" of "Quillmora".
#pragma once

#include "engine/gradient/preset_store.h"

#include <QString>

namespace qm::app {

// Values are the stop strings, one per preset name, listed in the settings' own (sorted, so
// stable) order. Names that QSettings would take apart ("/" and "\" nest groups, an empty key is
// refused) are percent-encoded in the key; every other name is stored as typed.
class SettingsPresetStore : public gradient::PresetStore {
public:
    static constexpr const char* kOrganisation = "Quillmora";
    static constexpr const char* kApplication = "Quillmora";

    std::optional<std::vector<std::string>> names() override;
    std::string read(const std::string& name, const std::string& fallback) override;
    void write(const std::string& name, const std::string& value) override;
    void remove(const std::string& name) override;

    static QString encodeKey(const std::string& name);
    static std::string decodeKey(const QString& key);
};

} // namespace qm::app
