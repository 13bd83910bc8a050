// A small PNG writer for the images tests save under the artifacts directory, so a person
// can look at what was drawn. Stored (uncompressed) deflate blocks: no compression library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// PNG bytes of an 8-bit RGB image; pixels are 0x??RRGGBB words (the top byte is ignored),
// row after row from the top, stride pixels apart.
std::string EncodePng(int width, int height, const std::uint32_t* pixels, int stride);
// Writes the image to path; throws std::runtime_error when the file cannot be written.
void WritePng(const std::string& path, int width, int height, const std::uint32_t* pixels, int stride);
inline void WritePng(const std::string& path, int width, int height,
                     const std::vector<std::uint32_t>& pixels) {
    WritePng(path, width, height, pixels.data(), width);
}

// The checksums the format uses, for tests that look inside a file.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size);

} // namespace testsupport
