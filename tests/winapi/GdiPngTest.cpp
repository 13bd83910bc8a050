// The PNG writer the drawing tests save their images with: the file is taken apart again
// and checked with checksums computed here independently.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

std::uint32_t Big32(const std::string& s, std::size_t at) {
    return (std::uint32_t(std::uint8_t(s[at])) << 24) | (std::uint32_t(std::uint8_t(s[at + 1])) << 16) |
           (std::uint32_t(std::uint8_t(s[at + 2])) << 8) | std::uint32_t(std::uint8_t(s[at + 3]));
}

// Bit by bit, without a table.
std::uint32_t SlowCrc(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (char ch : bytes) {
        crc ^= std::uint8_t(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

struct Chunk {
    std::string type, data;
};

std::vector<Chunk> Chunks(const std::string& png) {
    std::vector<Chunk> chunks;
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        std::uint32_t length = Big32(png, at);
        Chunk c{png.substr(at + 4, 4), png.substr(at + 8, length)};
        EXPECT_EQ(SlowCrc(c.type + c.data), Big32(png, at + 8 + length)) << c.type;
        chunks.push_back(c);
        at += 12 + length;
    }
    EXPECT_EQ(png.size(), at);
    return chunks;
}

// The raw scan lines out of a zlib stream of stored blocks.
std::string Inflate(const std::string& z) {
    EXPECT_EQ(0x78, std::uint8_t(z[0]));
    EXPECT_EQ(0, (std::uint8_t(z[0]) * 256 + std::uint8_t(z[1])) % 31) << "header check bits";
    std::string raw;
    std::size_t at = 2;
    bool last = false;
    while (!last) {
        std::uint8_t head = std::uint8_t(z[at]);
        last = head & 1;
        EXPECT_EQ(0, head >> 1) << "stored block";
        std::uint32_t len = std::uint8_t(z[at + 1]) | (std::uint8_t(z[at + 2]) << 8);
        std::uint32_t nlen = std::uint8_t(z[at + 3]) | (std::uint8_t(z[at + 4]) << 8);
        EXPECT_EQ(0xFFFFu, len ^ nlen);
        raw += z.substr(at + 5, len);
        at += 5 + len;
    }
    std::uint32_t a = 1, b = 0;
    for (char ch : raw) {
        a = (a + std::uint8_t(ch)) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ((b << 16) | a, Big32(z, at));
    EXPECT_EQ(z.size(), at + 4);
    return raw;
}

TEST(GdiPng, WritesWhatItWasGiven) {
    const std::vector<std::uint32_t> pixels = {0x00FF0000, 0x0000FF00, 0xAB0000FF,
                                               0x00000000, 0x00FFFFFF, 0x00123456};
    std::string png = testsupport::EncodePng(3, 2, pixels.data(), 3);
    ASSERT_EQ(std::string("\x89PNG\r\n\x1a\n", 8), png.substr(0, 8));
    std::vector<Chunk> chunks = Chunks(png);
    ASSERT_EQ(3u, chunks.size());
    EXPECT_EQ("IHDR", chunks[0].type);
    EXPECT_EQ(3u, Big32(chunks[0].data, 0));
    EXPECT_EQ(2u, Big32(chunks[0].data, 4));
    EXPECT_EQ(std::string("\x08\x02\x00\x00\x00", 5), chunks[0].data.substr(8));
    EXPECT_EQ("IDAT", chunks[1].type);
    EXPECT_EQ("IEND", chunks[2].type);
    EXPECT_EQ(std::string("\0\xFF\0\0\0\xFF\0\0\0\xFF"
                          "\0\0\0\0\xFF\xFF\xFF\x12\x34\x56",
                          20),
              Inflate(chunks[1].data))
        << "filter byte 0, then R, G, B; the top byte is left out";
    EXPECT_EQ(testsupport::Crc32(reinterpret_cast<const std::uint8_t*>("IEND"), 4), SlowCrc("IEND"));
}

TEST(GdiPng, LargeImagesSpanSeveralBlocksAndFiles) {
    const int w = 200, h = 150;
    std::vector<std::uint32_t> pixels(std::size_t(w) * h);
    for (int i = 0; i < w * h; ++i)
        pixels[std::size_t(i)] = std::uint32_t(i * 2654435761u) & 0x00FFFFFF;
    std::string png = testsupport::EncodePng(w, h, pixels.data(), w);
    std::vector<Chunk> chunks = Chunks(png);
    ASSERT_EQ(3u, chunks.size());
    std::string raw = Inflate(chunks[1].data);
    ASSERT_EQ(std::size_t(h) * (w * 3 + 1), raw.size());
    EXPECT_EQ(char(0), raw[std::size_t(77) * (w * 3 + 1)]);
    std::uint32_t p = pixels[std::size_t(77) * w + 5];
    EXPECT_EQ(char(p >> 16), raw[std::size_t(77) * (w * 3 + 1) + 1 + 15]);

    testsupport::TempDir dir;
    testsupport::WritePng(dir.File("image.png"), w, h, pixels);
    EXPECT_EQ(png, testsupport::ReadFileBytes(dir.File("image.png")));
    EXPECT_THROW(testsupport::EncodePng(0, 1, pixels.data(), 1), std::runtime_error);
}

} // namespace
