// Error texts of preset stores.
#include "engine/gradient/preset_store.h"

namespace qm::gradient {

ERegistryException invalidDataTypeError(const std::string& valueName) {
    return ERegistryException(formatMessage("Invalid data type for '%s'", {valueName}));
}

ERegistryException failedToCreateKeyError(const std::string& keyName) {
    return ERegistryException(formatMessage("Failed to create key %s", {keyName}));
}

ERegistryException failedToSetDataError(const std::string& valueName) {
    return ERegistryException(formatMessage("Failed to set data for '%s'", {valueName}));
}

} // namespace qm::gradient
