// RecentFiles: the "Reopen" list of parameter files, most recent first.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace qm::params {

class RecentFiles {
public:
    static constexpr std::size_t kCapacity = 10;
    // Settings section and value-name pattern under which the main window stores the list.
    static constexpr const char* kSettingsSection = "Tmain.MRUManager1";
    static constexpr const char* kItemPrefix = "Item_";

    using StoredValues = std::vector<std::pair<std::string, std::string>>;

    // Puts `path` at the top: an entry already present moves there, a new one is inserted and
    // the oldest beyond kCapacity is dropped. Paths compare exactly. Empty paths are ignored.
    void add(const std::string& path);
    const std::vector<std::string>& items() const { return items_; }
    bool empty() const { return items_.empty(); }

    // "Item_0" = the most recent entry, "Item_1" the next, ...
    StoredValues storedValues() const;
    // The list as rebuilt from stored values: names "Item_<index>" are taken from the highest
    // index down, each added at the top, which restores the stored order. Other names, indexes
    // that are not plain decimal numbers and empty values are skipped.
    static RecentFiles restore(const StoredValues& values);

private:
    std::vector<std::string> items_;
};

} // namespace qm::params
