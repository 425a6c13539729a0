// PresetStore: the per-user store of named gradients, and the errors a store reports.
#pragma once

#include "engine/core/errors.h"

#include <optional>
#include <string>
#include <vector>

namespace qm::gradient {

// Section of the per-user settings that holds the user gradients, one value per preset.
inline constexpr const char* kPresetSection = "Gradients";
// What a read of a missing value returns; a stored value of exactly this text counts as missing.
inline constexpr const char* kMissingPreset = "nil";

QM_DECLARE_EXCEPTION(ERegistryException, Exception);

// The store's error texts, each in one place.
ERegistryException
invalidDataTypeError(const std::string& valueName); // "Invalid data type for '%s'"
ERegistryException failedToCreateKeyError(const std::string& keyName); // "Failed to create key %s"
ERegistryException
failedToSetDataError(const std::string& valueName); // "Failed to set data for '%s'"

// The four operations the presets need. A real store keeps the values across runs and lists
// them in a stable order.
class PresetStore {
public:
    virtual ~PresetStore() = default;

    // Value names in the store's own order; nullopt when the section cannot be opened.
    virtual std::optional<std::vector<std::string>> names() = 0;
    // The text stored under `name`, or `fallback` when there is none. A value that is not text
    // throws invalidDataTypeError(name).
    virtual std::string read(const std::string& name, const std::string& fallback) = 0;
    // Stores or replaces a value, creating the section when needed. Throws
    // failedToCreateKeyError(kPresetSection) or failedToSetDataError(name).
    virtual void write(const std::string& name, const std::string& value) = 0;
    // Deletes a value at once; a missing one is no error.
    virtual void remove(const std::string& name) = 0;
};

} // namespace qm::gradient
