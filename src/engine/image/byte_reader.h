// Buffered, bounds-checked sequential reading of a picture file for the readers.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <vector>

namespace qm::image {

// Reads a stream front to back. Nothing here throws on a short read: callers see how many
// bytes came and raise their format's own "Unexpected end of file".
class ByteReader {
public:
    explicit ByteReader(std::istream& in);

    // Up to n bytes ahead without consuming them (fewer at the end of the data).
    std::span<const std::uint8_t> peek(size_t n);
    // Copies up to n bytes; returns how many came.
    size_t read(void* destination, size_t n);
    // True when all n bytes came.
    bool readExact(void* destination, size_t n) { return read(destination, n) == n; }
    // The next byte, or -1 at the end.
    int get() {
        if (pos_ == end_ && !fill()) return -1;
        ++consumed_;
        return buffer_[pos_++];
    }
    // Skips n bytes; false when the data ends first.
    bool skip(std::uint64_t n);
    // Bytes consumed so far.
    std::uint64_t consumed() const { return consumed_; }
    // Bytes left when the stream's size is known (a file), nothing otherwise.
    std::optional<std::uint64_t> remaining() const;

private:
    bool fill();

    std::istream& in_;
    std::vector<std::uint8_t> buffer_;
    size_t pos_ = 0;
    size_t end_ = 0;
    std::uint64_t consumed_ = 0;
    std::optional<std::uint64_t> size_;
};

} // namespace qm::image
