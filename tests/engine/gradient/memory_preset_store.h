// An in-memory PresetStore for tests: insertion order, a section that may be missing, values that
// may be non-text, and write failures on demand.
#pragma once

#include "engine/gradient/preset_store.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace qm::test {

class MemoryPresetStore : public gradient::PresetStore {
public:
    struct Value {
        std::string name;
        std::string text;
        bool isText = true;
    };
    bool sectionExists = false;
    bool failCreateKey = false;
    bool failSetData = false;
    std::vector<Value> values;

    std::optional<std::vector<std::string>> names() override {
        if (!sectionExists) return std::nullopt;
        std::vector<std::string> out;
        for (const auto& v : values)
            out.push_back(v.name);
        return out;
    }
    std::string read(const std::string& name, const std::string& fallback) override {
        const auto it = find(name);
        if (it == values.end()) return fallback;
        if (!it->isText) throw gradient::invalidDataTypeError(name);
        return it->text;
    }
    void write(const std::string& name, const std::string& value) override {
        if (!sectionExists && failCreateKey)
            throw gradient::failedToCreateKeyError(gradient::kPresetSection);
        sectionExists = true;
        if (failSetData) throw gradient::failedToSetDataError(name);
        if (auto it = find(name); it != values.end())
            it->text = value;
        else
            values.push_back({name, value});
    }
    void remove(const std::string& name) override {
        sectionExists = true; // deleting opens the section, creating it if missing
        std::erase_if(values, [&](const Value& v) { return v.name == name; });
    }

    void put(const std::string& name, const std::string& text, bool isText = true) {
        sectionExists = true;
        values.push_back({name, text, isText});
    }
    std::optional<std::string> stored(const std::string& name) {
        const auto it = find(name);
        return it == values.end() ? std::nullopt : std::optional<std::string>(it->text);
    }

private:
    std::vector<Value>::iterator find(const std::string& name) {
        return std::find_if(values.begin(), values.end(),
                            [&](const Value& v) { return v.name == name; });
    }
};

} // namespace qm::test
