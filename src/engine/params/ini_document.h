// IniDocument: a text file of [sections] and key=value lines with the profile-file conventions.
#pragma once

#include "engine/core/errors.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qm::params {

// Raised when an INI file cannot be written ("Unable to write to %s") or read at all.
QM_DECLARE_EXCEPTION(EIniFileException, Exception);

inline constexpr const char* kIniWriteError = "Unable to write to %s";
inline constexpr const char* kIniTooLargeError = "File %s is too large to be a parameter file";

// Section and key names compare without regard to (ASCII) case; values are read trimmed of
// surrounding blanks; one value per key, the last one written or read wins; sections and keys
// keep the order in which they first appeared. Reading a value returns at most its first
// kMaxValueLength bytes, as the profile functions' 1024-byte buffer does.
class IniDocument {
public:
    static constexpr std::size_t kMaxValueLength = 1023;
    // Larger files are refused rather than read into memory; parameter files are a few hundred
    // bytes.
    static constexpr std::uintmax_t kMaxFileSize = 16u << 20;

    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    // Any bytes are accepted: lines that are neither a section header nor a key inside a
    // section are ignored, so text that is not INI at all gives an empty document.
    static IniDocument parse(std::string_view text);
    // A missing or unreadable file reads as an empty document (every key then takes its
    // default). EIniFileException when the file is larger than kMaxFileSize.
    static IniDocument readFile(const std::filesystem::path& path);

    // The value of `key` in `section`, trimmed and cut to kMaxValueLength bytes, or `fallback`
    // when either is absent. A key with an empty value gives "".
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    // The same without the cut, for values that a cut would silently change into another value
    // (the long coordinates of deep views); the file size still bounds them.
    std::string readLongString(std::string_view section, std::string_view key,
                               std::string_view fallback) const;
    bool hasKey(std::string_view section, std::string_view key) const;

    // Replaces the value of an existing key in place or appends the key (and the section).
    // Line breaks inside a value would split it into foreign lines, so each becomes a blank.
    void writeString(std::string_view section, std::string_view key, std::string_view value);

    const std::vector<Section>& sections() const { return sections_; }

    // The file text: "[name]" and "key=value" lines, each ended by CR LF.
    std::string text() const;
    // Writes text() through a temporary file; EIniFileException "Unable to write to %s" when
    // the platform refuses, with any existing file left untouched.
    void writeFile(const std::filesystem::path& path) const;

private:
    struct SectionIndex {
        std::unordered_map<std::string, std::size_t> keys; // folded key -> entry position
    };

    Section& section(std::string_view name, SectionIndex*& index);
    const Entry* find(std::string_view section, std::string_view key) const;
    void store(std::string_view section, std::string_view key, std::string value);

    std::vector<Section> sections_;
    std::vector<SectionIndex> indexes_;                   // parallel to sections_
    std::unordered_map<std::string, std::size_t> byName_; // folded section name -> position
};

} // namespace qm::params
