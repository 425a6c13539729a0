// The recent-files list rules: order, capacity, duplicates and the stored form.
#include "engine/params/recent_files.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace qm::params {

void RecentFiles::add(const std::string& path) {
    if (path.empty()) return;
    const auto it = std::find(items_.begin(), items_.end(), path);
    if (it != items_.end()) items_.erase(it);
    items_.insert(items_.begin(), path);
    if (items_.size() > kCapacity) items_.resize(kCapacity);
}

RecentFiles::StoredValues RecentFiles::storedValues() const {
    StoredValues out;
    for (std::size_t i = 0; i < items_.size(); ++i)
        out.emplace_back(kItemPrefix + std::to_string(i), items_[i]);
    return out;
}

RecentFiles RecentFiles::restore(const StoredValues& values) {
    // Only the present names are visited, so an index such as Item_2000000000 in a damaged
    // settings store costs nothing.
    std::vector<std::pair<std::uint64_t, const std::string*>> indexed;
    const std::string_view prefix = kItemPrefix;
    for (const auto& [name, value] : values) {
        if (value.empty() || name.size() <= prefix.size() || name.size() > prefix.size() + 9 ||
            std::string_view(name).substr(0, prefix.size()) != prefix)
            continue;
        std::uint64_t index = 0;
        bool digits = true;
        for (char c : std::string_view(name).substr(prefix.size())) {
            if (c < '0' || c > '9') digits = false;
            index = index * 10 + static_cast<std::uint64_t>(c - '0');
        }
        if (digits) indexed.emplace_back(index, &value);
    }
    // Highest index first; stable, so of two equal indexes the later stored one ends on top.
    std::stable_sort(indexed.begin(), indexed.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    RecentFiles list;
    for (const auto& entry : indexed)
        list.add(*entry.second);
    return list;
}

} // namespace qm::params
