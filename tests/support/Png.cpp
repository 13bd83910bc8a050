#include "tests/support/Png.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "tests/support/TestSupport.h"

namespace testsupport {

namespace {

const std::array<std::uint32_t, 256>& CrcTable() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

void PutBig32(std::string& out, std::uint32_t v) {
    out += char(v >> 24);
    out += char(v >> 16);
    out += char(v >> 8);
    out += char(v);
}

void Chunk(std::string& out, const char* type, const std::string& data) {
    PutBig32(out, std::uint32_t(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    PutBig32(out, Crc32(reinterpret_cast<const std::uint8_t*>(body.data()), body.size()));
}

} // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
    const auto& table = CrcTable();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t a = 1, b = 0;
    for (std::size_t i = 0; i < size; ++i) {
        a = (a + data[i]) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

std::string EncodePng(int width, int height, const std::uint32_t* pixels, int stride) {
    if (width <= 0 || height <= 0) throw std::runtime_error("an image needs a size");
    // Raw scan lines, each after filter byte 0.
    std::string raw;
    raw.reserve(std::size_t(height) * (std::size_t(width) * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        for (int x = 0; x < width; ++x) {
            std::uint32_t p = pixels[std::size_t(y) * std::size_t(stride) + std::size_t(x)];
            raw += char(p >> 16);
            raw += char(p >> 8);
            raw += char(p);
        }
    }
    // A zlib stream of stored blocks of at most 65535 bytes.
    std::string z;
    z += char(0x78);
    z += char(0x01);
    std::size_t at = 0;
    do {
        std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        bool last = at + n == raw.size();
        z += char(last ? 1 : 0);
        z += char(n & 0xFF);
        z += char(n >> 8);
        z += char(~n & 0xFF);
        z += char((~n >> 8) & 0xFF);
        z.append(raw, at, n);
        at += n;
    } while (at < raw.size());
    PutBig32(z, Adler32(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size()));

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    PutBig32(header, std::uint32_t(width));
    PutBig32(header, std::uint32_t(height));
    header += char(8); // bit depth
    header += char(2); // colour type RGB
    header += char(0); // deflate
    header += char(0); // adaptive filtering
    header += char(0); // no interlace
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", "");
    return png;
}

void WritePng(const std::string& path, int width, int height, const std::uint32_t* pixels, int stride) {
    WriteFileBytes(path, EncodePng(width, height, pixels, stride));
}

} // namespace testsupport
