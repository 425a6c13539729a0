// Whole-file replacement that never leaves a partial file: write beside the target, then rename.
#pragma once

#include <filesystem>
#include <string_view>

namespace qm::params {

// Writes `content` to a new temporary file in the target's folder, flushes it to disk and
// renames it over `target`. On any failure the temporary file is removed, the target is left
// exactly as it was and false is returned. An existing target keeps its permission bits; a
// symbolic link is followed so the link itself survives.
bool writeFileAtomically(const std::filesystem::path& target, std::string_view content) noexcept;

} // namespace qm::params
