// Temporary-file-and-rename writing and the texts of the file errors.
#include "engine/core/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <ostream>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace qm {

EFCreateError::EFCreateError(const std::filesystem::path& file, std::string_view reason)
    : Exception("Cannot create file \"" + file.string() + "\". " + std::string(reason)) {}

EFOpenError::EFOpenError(const std::filesystem::path& file, std::string_view reason)
    : Exception("Cannot open file \"" + file.string() + "\". " + std::string(reason)) {}

namespace {

// An output buffer over a file descriptor that remembers the first write failure.
class FdBuffer : public std::streambuf {
public:
    explicit FdBuffer(int fd) : fd_(fd), buffer_(1 << 16) {
        setp(buffer_.data(), buffer_.data() + buffer_.size());
    }
    bool failed() const { return failed_; }
    int error() const { return error_; }

protected:
    int_type overflow(int_type ch) override {
        if (!flushBuffer()) return traits_type::eof();
        if (!traits_type::eq_int_type(ch, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(ch);
            pbump(1);
        }
        return traits_type::not_eof(ch);
    }
    int sync() override { return flushBuffer() ? 0 : -1; }

private:
    bool flushBuffer() {
        const char* p = pbase();
        size_t left = static_cast<size_t>(pptr() - pbase());
        while (left > 0 && !failed_) {
            const ssize_t n = ::write(fd_, p, left);
            if (n < 0) {
                if (errno == EINTR) continue;
                failed_ = true;
                error_ = errno;
                break;
            }
            p += n;
            left -= static_cast<size_t>(n);
        }
        setp(buffer_.data(), buffer_.data() + buffer_.size());
        return !failed_;
    }

    int fd_;
    std::vector<char> buffer_;
    bool failed_ = false;
    int error_ = 0;
};

std::filesystem::path resolveTarget(const std::filesystem::path& target) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(target, ec))) return target;
    auto real = std::filesystem::canonical(target, ec);
    return ec ? target : real; // a dangling link is replaced like a plain name
}

// Creates a fresh temporary beside `target`; -1 (errno set) when the folder refuses it.
int createTemporary(const std::filesystem::path& target, std::filesystem::path& name) {
    static std::atomic<unsigned> counter{0};
    const auto folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder / ("." + target.filename().string() + ".tmp" + std::to_string(::getpid()) +
                         "_" + std::to_string(counter++));
        // 0666 lets the umask decide, as for any newly created file.
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Removes the temporary unless disarmed: runs on every failure path, exceptions included.
class TemporaryGuard {
public:
    explicit TemporaryGuard(std::filesystem::path path) : path_(std::move(path)) {}
    ~TemporaryGuard() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    TemporaryGuard(const TemporaryGuard&) = delete;
    TemporaryGuard& operator=(const TemporaryGuard&) = delete;
    void disarm() { path_.clear(); }

private:
    std::filesystem::path path_;
};

class FdGuard {
public:
    explicit FdGuard(int fd) : fd_(fd) {}
    ~FdGuard() {
        if (fd_ >= 0) ::close(fd_);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const { return fd_; }
    // Closes now; false when close reports a (delayed) write error.
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

} // namespace

void writeFileAtomically(const std::filesystem::path& target,
                         const std::function<void(std::ostream&)>& write) {
    const auto real = resolveTarget(target);
    if (real.filename().empty()) throw EFCreateError(target, std::strerror(EISDIR));
    struct stat old {};
    const bool exists = ::stat(real.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) throw EFCreateError(target, std::strerror(EISDIR));

    std::filesystem::path tmp;
    FdGuard fd(createTemporary(real, tmp));
    if (fd.get() < 0) throw EFCreateError(target, std::strerror(errno));
    TemporaryGuard guard(tmp);
    if (exists && ::fchmod(fd.get(), old.st_mode & 07777) != 0 && errno != EPERM)
        throw EFCreateError(target, std::strerror(errno));

    FdBuffer buffer(fd.get());
    std::ostream out(&buffer);
    write(out);
    out.flush();
    if (buffer.failed() || !out) throw EWriteError();
    if (::fsync(fd.get()) != 0 || !fd.close()) throw EWriteError();
    if (::rename(tmp.c_str(), real.c_str()) != 0) throw EWriteError();
    guard.disarm();
}

void writeFileAtomically(const std::filesystem::path& target, std::string_view content) {
    writeFileAtomically(target, [content](std::ostream& out) {
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    });
}

} // namespace qm
