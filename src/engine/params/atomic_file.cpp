// Temporary-file-and-rename writer for every file the parameter subsystem produces.
#include "engine/params/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace qm::params {

namespace {

std::filesystem::path resolveTarget(const std::filesystem::path& target) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(target, ec))) return target;
    auto real = std::filesystem::canonical(target, ec);
    return ec ? target : real; // a dangling link is replaced like a plain name
}

bool writeAll(int fd, std::string_view content) {
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Opens a fresh temporary file beside `target`; -1 when the folder refuses it.
int createTemporary(const std::filesystem::path& target, std::string& name) {
    static std::atomic<unsigned> counter{0};
    const auto folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string leaf = "." + target.filename().string() + ".tmp" +
                                 std::to_string(::getpid()) + "_" + std::to_string(counter++);
        name = (folder / leaf).string();
        // 0666 lets the process umask decide, as for any newly created file.
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

} // namespace

bool writeFileAtomically(const std::filesystem::path& target, std::string_view content) noexcept {
    try {
        const auto real = resolveTarget(target);
        if (real.filename().empty()) return false;
        std::string tmp;
        const int fd = createTemporary(real, tmp);
        if (fd < 0) return false;
        struct stat old {};
        bool ok = true;
        if (::stat(real.c_str(), &old) == 0) {
            if (S_ISDIR(old.st_mode))
                ok = false;
            else
                ok = ::fchmod(fd, old.st_mode & 07777) == 0 || errno == EPERM;
        }
        ok = ok && writeAll(fd, content) && ::fsync(fd) == 0;
        ok = (::close(fd) == 0) && ok;
        ok = ok && ::rename(tmp.c_str(), real.c_str()) == 0;
        if (!ok) ::unlink(tmp.c_str());
        return ok;
    } catch (...) {
        return false; // path conversions that allocate; the target is untouched
    }
}

} // namespace qm::params
