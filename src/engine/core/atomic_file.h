// The file errors and the writer that replaces a file only when the new content is complete.
#pragma once

#include "engine/core/errors.h"

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

namespace qm {

// "Cannot create file "<name>". <reason>"; the plain-message form serves exports that use the
// short text "Cannot create file %s".
class EFCreateError : public Exception {
public:
    using Exception::Exception;
    EFCreateError(const std::filesystem::path& file, std::string_view reason);
    const char* className() const noexcept override { return "EFCreateError"; }
};

// "Cannot open file "<name>". <reason>"
class EFOpenError : public Exception {
public:
    EFOpenError(const std::filesystem::path& file, std::string_view reason);
    const char* className() const noexcept override { return "EFOpenError"; }
};

QM_DECLARE_FIXED_EXCEPTION(EWriteError, Exception, "Stream write error");
QM_DECLARE_FIXED_EXCEPTION(EReadError, Exception, "Stream read error");

// Streams the new content into a fresh temporary file in the target's folder, flushes it to
// disk and renames it over the target. When anything fails (creating the temporary, writing,
// or `write` throwing), the temporary is removed, the target is left exactly as it was and the
// error propagates: EFCreateError when the temporary cannot be created, EWriteError when the
// bytes cannot be written or the rename fails, or whatever `write` threw. An existing target
// keeps its permission bits; a symbolic link is followed, so the link itself survives.
void writeFileAtomically(const std::filesystem::path& target,
                         const std::function<void(std::ostream&)>& write);
void writeFileAtomically(const std::filesystem::path& target, std::string_view content);

} // namespace qm
