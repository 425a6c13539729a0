// Buffered sequential reading over std::istream.
#include "engine/image/byte_reader.h"

#include <algorithm>
#include <cstring>
#include <istream>

namespace qm::image {

namespace {
constexpr size_t kChunk = 1 << 16;
}

ByteReader::ByteReader(std::istream& in) : in_(in), buffer_(kChunk) {
    // The size is known for seekable streams; it lets readers refuse a file that is too short
    // for the picture it declares before allocating the picture.
    const auto start = in_.tellg();
    if (start != std::istream::pos_type(-1) && in_.seekg(0, std::ios::end)) {
        const auto end = in_.tellg();
        if (end != std::istream::pos_type(-1) && end >= start)
            size_ = static_cast<std::uint64_t>(end - start);
    }
    in_.clear();
    if (start != std::istream::pos_type(-1)) in_.seekg(start);
}

bool ByteReader::fill() {
    if (pos_ < end_) return true;
    pos_ = end_ = 0;
    if (!in_) return false;
    in_.read(reinterpret_cast<char*>(buffer_.data()), static_cast<std::streamsize>(buffer_.size()));
    end_ = static_cast<size_t>(in_.gcount());
    return end_ > 0;
}

std::span<const std::uint8_t> ByteReader::peek(size_t n) {
    n = std::min(n, buffer_.size());
    if (end_ - pos_ < n) {
        // Move the rest to the front and top up.
        std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
        while (end_ < n && in_) {
            in_.read(reinterpret_cast<char*>(buffer_.data() + end_),
                     static_cast<std::streamsize>(buffer_.size() - end_));
            const auto got = static_cast<size_t>(in_.gcount());
            if (got == 0) break;
            end_ += got;
        }
    }
    return {buffer_.data() + pos_, std::min(n, end_ - pos_)};
}

size_t ByteReader::read(void* destination, size_t n) {
    auto* out = static_cast<std::uint8_t*>(destination);
    size_t done = 0;
    while (done < n) {
        if (pos_ == end_ && !fill()) break;
        const size_t take = std::min(n - done, end_ - pos_);
        std::memcpy(out + done, buffer_.data() + pos_, take);
        pos_ += take;
        done += take;
    }
    consumed_ += done;
    return done;
}

bool ByteReader::skip(std::uint64_t n) {
    while (n > 0) {
        if (pos_ == end_ && !fill()) return false;
        const auto take = static_cast<size_t>(std::min<std::uint64_t>(n, end_ - pos_));
        pos_ += take;
        consumed_ += take;
        n -= take;
    }
    return true;
}

std::optional<std::uint64_t> ByteReader::remaining() const {
    if (!size_) return std::nullopt;
    return *size_ > consumed_ ? *size_ - consumed_ : 0;
}

} // namespace qm::image
