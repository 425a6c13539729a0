// An in-memory PresetStore for tests: insertion order, a section that may be missing, values that
// may be non-text, and write failures on demand.
#pragma once

#include "engine/gradient/preset_store.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qm::test {

class MemoryPresetStore : public gradient::PresetStore {
public:
    struct Value {
        std::string text;
        bool isText = true;
    };

    bool sectionExists = false;
    bool failCreateKey = false;
    bool failSetData = false;
    std::vector<std::pair<std::string, Value>> values;

    std::optional<std::vector<std::string>> names() override {
        if (!sectionExists) return std::nullopt;
        std::vector<std::string> out;
        for (const auto& v : values)
            out.push_back(v.first);
        return out;
    }

    std::string read(const std::string& name, const std::string& fallback) override {
        const auto* v = find(name);
        if (v == nullptr) return fallback;
        if (!v->isText) throw gradient::invalidDataTypeError(name);
        return v->text;
    }

    void write(const std::string& name, const std::string& value) override {
        if (!sectionExists) {
            if (failCreateKey) throw gradient::failedToCreateKeyError(gradient::kPresetSection);
            sectionExists = true;
        }
        if (failSetData) throw gradient::failedToSetDataError(name);
        if (auto* v = find(name))
            *v = Value{value, true};
        else
            values.emplace_back(name, Value{value, true});
    }

    void remove(const std::string& name) override {
        sectionExists = true; // deleting opens the section, creating it if missing
        std::erase_if(values, [&](const auto& v) { return v.first == name; });
    }

    void put(const std::string& name, const std::string& text, bool isText = true) {
        sectionExists = true;
        values.emplace_back(name, Value{text, isText});
    }

    std::optional<std::string> stored(const std::string& name) {
        const auto* v = find(name);
        return v ? std::optional<std::string>(v->text) : std::nullopt;
    }

private:
    Value* find(const std::string& name) {
        for (auto& v : values)
            if (v.first == name) return &v.second;
        return nullptr;
    }
};

} // namespace qm::test
