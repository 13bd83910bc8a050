// The simulated radio's memory: 0x400 bytes, all 0xFF in a new radio, kept in a file between
// runs.
#pragma once

#include <array>
#include <cstddef>
#include <string>

class TRadioImage {
public:
    static constexpr std::size_t Size = 0x400;

    TRadioImage() { Bytes.fill(0xFF); }

    // Loads a file of exactly Size bytes; anything else raises std::runtime_error and leaves the
    // image as it was.
    void Load(const std::string& path);
    // Saves through a temporary file beside the target, so a failed save never leaves a
    // half-written image; raises std::runtime_error on failure.
    void Save(const std::string& path) const;

    // The bytes at [address, address + count), as a byte string; false when the range does not
    // lie inside the memory.
    bool Read(std::size_t address, std::size_t count, std::string& bytes) const;
    bool Write(std::size_t address, const std::string& bytes);

    std::array<unsigned char, Size> Bytes;
};
