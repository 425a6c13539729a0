// Finding the parameter text in PNG chunks and JPEG segments without decoding the picture.
#include "engine/image/embedded_text.h"

#include "engine/image/byte_reader.h"
#include "engine/image/codecs.h"

#include <algorithm>
#include <array>
#include <zlib.h>

namespace qm::image {

namespace {

// What scanning found. A PNG may hold the text twice, as the iTXt chunk and as a tEXt copy for
// readers that skip iTXt; a second chunk of one kind, or copies that differ, make the file
// ambiguous (which one would the user's document be?) and count as damage.
struct Scan {
    std::optional<std::string> text; // iTXt, or the JPEG comment
    std::optional<std::string> copy; // tEXt or zTXt
    bool damaged = false;

    void found(std::optional<std::string>& slot, std::string t) {
        if (slot) damaged = true;
        slot = std::move(t);
    }
    std::optional<std::string> result() {
        if (damaged || (text && copy && *text != *copy)) return std::nullopt;
        return text ? std::move(text) : std::move(copy);
    }
};

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// The inflated bytes of a zlib stream, or nothing when it is damaged or inflates beyond the
// bound.
std::optional<std::string> inflateBounded(std::string_view packed) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return std::nullopt;
    std::string out;
    std::array<char, 16384> buffer{};
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    int status = Z_OK;
    while (status == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer.data());
        z.avail_out = static_cast<uInt>(buffer.size());
        status = inflate(&z, Z_NO_FLUSH);
        out.append(buffer.data(), buffer.size() - z.avail_out);
        if (out.size() > kMaxEmbeddedText) status = Z_MEM_ERROR;
        if (status == Z_OK && z.avail_in == 0 && z.avail_out != 0) status = Z_DATA_ERROR;
    }
    inflateEnd(&z);
    if (status != Z_STREAM_END) return std::nullopt;
    return out;
}

// Splits one NUL-terminated field off the front of `data`.
std::optional<std::string_view> field(std::string_view& data) {
    const auto nul = data.find('\0');
    if (nul == std::string_view::npos) return std::nullopt;
    const auto f = data.substr(0, nul);
    data.remove_prefix(nul + 1);
    return f;
}

// The text of a tEXt, zTXt or iTXt chunk whose keyword has already been checked: `data` is
// what follows the keyword's NUL.
std::optional<std::string> chunkText(std::string_view type, std::string_view data) {
    if (type == "tEXt") return std::string(data);
    if (type == "zTXt") {
        if (data.empty() || data[0] != 0) return std::nullopt;
        return inflateBounded(data.substr(1));
    }
    // iTXt: compression flag and method, language tag, translated keyword, text.
    if (data.size() < 2) return std::nullopt;
    const bool compressed = data[0] != 0;
    if (compressed && data[1] != 0) return std::nullopt;
    data.remove_prefix(2);
    if (!field(data) || !field(data)) return std::nullopt;
    if (!compressed) return std::string(data);
    return inflateBounded(data);
}

void scanPng(ByteReader& in, Scan& scan) {
    in.skip(8);
    constexpr std::uint32_t kMaxChunk = 0x7FFFFFFF;
    const std::size_t keywordSpace = kParametersKeyword.size() + 1;
    while (!scan.damaged) {
        std::uint8_t head[8];
        if (!in.readExact(head, sizeof head)) return; // a picture cut short keeps what came
        const std::uint32_t length = bigEndian32(head);
        const std::string_view type(reinterpret_cast<const char*>(head + 4), 4);
        if (length > kMaxChunk) return;
        if (type == "IEND") return;
        const bool text = type == "tEXt" || type == "zTXt" || type == "iTXt";
        if (!text || length < keywordSpace) {
            if (!in.skip(std::uint64_t{length} + 4)) return;
            continue;
        }
        std::string data(keywordSpace, '\0');
        if (!in.readExact(data.data(), keywordSpace)) return;
        if (data.compare(0, kParametersKeyword.size(), kParametersKeyword) != 0 ||
            data.back() != '\0') {
            if (!in.skip(std::uint64_t{length} - keywordSpace + 4)) return;
            continue;
        }
        // Ours: bounded, complete and intact, or the file counts as damaged.
        if (length > kMaxEmbeddedText + 64) {
            scan.damaged = true;
            return;
        }
        data.resize(length);
        std::uint8_t crc[4];
        if (!in.readExact(data.data() + keywordSpace, length - keywordSpace) ||
            !in.readExact(crc, sizeof crc)) {
            scan.damaged = true;
            return;
        }
        uLong sum = crc32(0, head + 4, 4);
        sum = crc32(sum, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(length));
        auto t = chunkText(type, std::string_view(data).substr(keywordSpace));
        if (sum != bigEndian32(crc) || !t) {
            scan.damaged = true;
            return;
        }
        scan.found(type == "iTXt" ? scan.text : scan.copy, std::move(*t));
    }
}

void scanJpeg(ByteReader& in, Scan& scan) {
    in.skip(2);
    while (!scan.damaged) {
        int c = in.get();
        if (c != 0xFF) return; // not at a marker: the stream is not ours to interpret further
        while (c == 0xFF)
            c = in.get();
        if (c < 0) return;
        if (c == 0x01 || (c >= 0xD0 && c <= 0xD7)) continue; // markers without a segment
        if (c == 0xD9 || c == 0xDA) return;                  // end, or the scan data begins
        std::uint8_t len[2];
        if (!in.readExact(len, 2)) return;
        const std::size_t length = static_cast<std::size_t>(len[0] << 8 | len[1]);
        if (length < 2) return;
        if (c != 0xFE) {
            if (!in.skip(length - 2)) return;
            continue;
        }
        std::string payload(length - 2, '\0');
        if (!in.readExact(payload.data(), payload.size())) {
            // A cut-off comment might be ours: nothing from it can be trusted.
            scan.damaged = payload.compare(0, kParametersKeyword.size(), kParametersKeyword) == 0;
            return;
        }
        std::string_view rest(payload);
        if (!rest.starts_with(kParametersKeyword)) continue;
        rest.remove_prefix(kParametersKeyword.size());
        if (rest.starts_with("\r\n"))
            rest.remove_prefix(2);
        else if (rest.starts_with("\n"))
            rest.remove_prefix(1);
        else if (!rest.empty())
            continue; // another keyword that merely starts the same way
        scan.found(scan.text, std::string(rest));
    }
}

} // namespace

bool isEmbeddableText(std::string_view text) {
    static constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b == 0) return false;
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t extra = 0;
        std::uint32_t cp = 0;
        if (b >= 0xC2 && b <= 0xDF)
            extra = 1, cp = b & 0x1Fu;
        else if (b >= 0xE0 && b <= 0xEF)
            extra = 2, cp = b & 0x0Fu;
        else if (b >= 0xF0 && b <= 0xF4)
            extra = 3, cp = b & 0x07u;
        else
            return false;
        if (text.size() - i <= extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto cont = static_cast<unsigned char>(text[i + k]);
            if ((cont & 0xC0) != 0x80) return false;
            cp = cp << 6 | (cont & 0x3Fu);
        }
        // Overlong forms, surrogates and values beyond Unicode are not text.
        if (cp < kLeast[extra] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return false;
        i += extra + 1;
    }
    return true;
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::vector<std::pair<std::string, std::string>> pngParameterChunks(std::string_view parameters) {
    std::vector<std::pair<std::string, std::string>> chunks;
    if (parameters.empty() || !isEmbeddableText(parameters)) return chunks;
    std::string keyword(kParametersKeyword);
    keyword.push_back('\0');
    // No compression (flag and method 0), empty language tag and translated keyword.
    chunks.emplace_back("iTXt", keyword + std::string(4, '\0') + std::string(parameters));
    if (isAscii(parameters)) chunks.emplace_back("tEXt", keyword + std::string(parameters));
    chunks.emplace_back("tEXt", "Software" + std::string(1, '\0') + std::string(kSoftwareName));
    return chunks;
}

std::string jpegParameterComment(std::string_view parameters) {
    if (parameters.empty() || !isEmbeddableText(parameters)) return {};
    std::string payload(kParametersKeyword);
    payload += "\r\n";
    payload += parameters;
    if (payload.size() > kMaxJpegComment) return {};
    return payload;
}

bool canCarryParameters(std::span<const std::uint8_t> head) {
    return isPng(head) || isJpeg(head);
}

std::optional<std::string> readEmbeddedParameters(std::istream& stream) {
    ByteReader in(stream);
    const auto head = in.peek(kSignatureBytes);
    Scan scan;
    if (isPng(head))
        scanPng(in, scan);
    else if (isJpeg(head))
        scanJpeg(in, scan);
    auto text = scan.result();
    if (!text || text->size() > kMaxEmbeddedText || !isEmbeddableText(*text)) return std::nullopt;
    return text;
}

} // namespace qm::image
