// Parsing, lookup and writing of INI documents.
#include "engine/params/ini_document.h"

#include "engine/core/atomic_file.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace qm::params {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string fold(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Cuts to `limit` bytes without leaving half of a UTF-8 sequence at the end.
std::string cutValue(std::string_view v, std::size_t limit) {
    if (v.size() <= limit) return std::string(v);
    std::size_t n = limit;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(v[i]); };
    std::size_t lead = n;
    while (lead > 0 && (byte(lead - 1) & 0xC0) == 0x80 && n - lead < 3)
        --lead;
    if (lead > 0 && byte(lead - 1) >= 0xC0) {
        const unsigned char b = byte(lead - 1);
        const std::size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        if (n - (lead - 1) < need) n = lead - 1;
    }
    return std::string(v.substr(0, n));
}

} // namespace

IniDocument IniDocument::parse(std::string_view text) {
    IniDocument doc;
    std::string current; // the open section's name; empty before the first header
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = trim(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;

        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            current = std::string(trim(line.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
            inSection = true;
            SectionIndex* unused = nullptr;
            doc.section(current, unused);
            continue;
        }
        const auto eq = line.find('=');
        if (!inSection || eq == std::string_view::npos) continue;
        doc.store(current, trim(line.substr(0, eq)), std::string(trim(line.substr(eq + 1))));
    }
    return doc;
}

IniDocument IniDocument::readFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return {};
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return {};
    if (size > kMaxFileSize)
        throw EIniFileException(formatMessage(kIniTooLargeError, {path.string()}));
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(size));
    // Bounded again while reading: the file may grow after the size check.
    char buf[65536];
    while (in && bytes.size() <= kMaxFileSize) {
        in.read(buf, sizeof buf);
        bytes.append(buf, static_cast<std::size_t>(in.gcount()));
    }
    if (bytes.size() > kMaxFileSize)
        throw EIniFileException(formatMessage(kIniTooLargeError, {path.string()}));
    return parse(bytes);
}

IniDocument::Section& IniDocument::section(std::string_view name, SectionIndex*& index) {
    auto folded = fold(name);
    auto it = byName_.find(folded);
    if (it == byName_.end()) {
        it = byName_.emplace(std::move(folded), sections_.size()).first;
        sections_.push_back(Section{std::string(name), {}});
        indexes_.emplace_back();
    }
    index = &indexes_[it->second];
    return sections_[it->second];
}

void IniDocument::store(std::string_view sectionName, std::string_view key, std::string value) {
    SectionIndex* index = nullptr;
    Section& s = section(sectionName, index);
    auto folded = fold(key);
    const auto it = index->keys.find(folded);
    if (it != index->keys.end()) {
        s.entries[it->second].value = std::move(value);
        return;
    }
    index->keys.emplace(std::move(folded), s.entries.size());
    s.entries.push_back(Entry{std::string(key), std::move(value)});
}

const IniDocument::Entry* IniDocument::find(std::string_view sectionName,
                                            std::string_view key) const {
    const auto s = byName_.find(fold(sectionName));
    if (s == byName_.end()) return nullptr;
    const auto& index = indexes_[s->second];
    const auto k = index.keys.find(fold(key));
    if (k == index.keys.end()) return nullptr;
    return &sections_[s->second].entries[k->second];
}

std::string IniDocument::readString(std::string_view sectionName, std::string_view key,
                                    std::string_view fallback) const {
    const Entry* e = find(sectionName, key);
    return cutValue(e ? trim(e->value) : fallback, kMaxValueLength);
}

std::string IniDocument::readLongString(std::string_view sectionName, std::string_view key,
                                        std::string_view fallback) const {
    const Entry* e = find(sectionName, key);
    return std::string(e ? trim(e->value) : fallback);
}

bool IniDocument::hasKey(std::string_view sectionName, std::string_view key) const {
    return find(sectionName, key) != nullptr;
}

void IniDocument::writeString(std::string_view sectionName, std::string_view key,
                              std::string_view value) {
    std::string v(value);
    for (char& c : v)
        if (c == '\r' || c == '\n') c = ' ';
    store(sectionName, key, std::move(v));
}

std::string IniDocument::text() const {
    std::string out;
    for (const auto& s : sections_) {
        out += '[';
        out += s.name;
        out += "]\r\n";
        for (const auto& e : s.entries) {
            out += e.key;
            out += '=';
            out += e.value;
            out += "\r\n";
        }
    }
    return out;
}

void IniDocument::writeFile(const std::filesystem::path& path) const {
    try {
        writeFileAtomically(path, text());
    } catch (const Exception&) {
        throw EIniFileException(formatMessage(kIniWriteError, {path.string()}));
    }
}

} // namespace qm::params
