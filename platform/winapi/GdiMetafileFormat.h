// What the metafile sources share: the picture object behind HENHMETAFILE, writing records
// byte by byte, reading them with every offset and count checked (pictures come from streams
// and files), and the layout of the data this system keeps beyond the format's own fields.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/winapi/GdiMetafile.h"
#include "platform/winapi/GdiObjects.h"

// A finished picture: its whole stream, checked when it was made.
class GdiEnhMetaFile : public GdiObject {
public:
    DWORD ObjectType() const override { return OBJ_ENHMETAFILE; }
    std::vector<std::uint8_t> Bytes;
};

std::shared_ptr<GdiEnhMetaFile> GdiFindEnhMetaFile(HENHMETAFILE picture);
// Checks a stream and registers a picture made of its bytes up to EMR_EOF; the header's byte
// and record counts are set to what was found. Null when the stream is not well formed.
HENHMETAFILE GdiAddEnhMetaFile(const std::uint8_t* data, std::size_t size);
// Writes bytes to a file, replacing it; false when that fails.
bool GdiWriteMetafileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The text record's trailer (after the advances): this tag, flags (bit 0: glyphs are drawn; bit 1: rcl is a
// rectangle), the width, then per character its position (POINTL), the start of the baseline (two doubles),
// the cell polygon (a count and double pairs) and the marks (a count, then per mark a count and double
// pairs). Logical units of the recording.
constexpr DWORD GdiMetaTextTag = 0x54766F6B; // "kovT"
// A path figure whose points are not whole numbers travels in a comment inside the path
// bracket: this tag, 1 for a closed figure, the point count and double pairs (logical units).
constexpr DWORD GdiMetaFigureTag = 0x46766F6B; // "kovF"

// Builds one record: the type and a size filled in by Finish.
class GdiRecordWriter {
public:
    explicit GdiRecordWriter(DWORD type) {
        U32(type);
        U32(0);
    }
    std::size_t Size() const { return FBytes.size(); }
    void U32(std::uint32_t v) { Raw(&v, 4); }
    void I32(std::int32_t v) { Raw(&v, 4); }
    void F32(float v) { Raw(&v, 4); }
    void F64(double v) { Raw(&v, 8); }
    void Point(const POINT& p) {
        I32(p.x);
        I32(p.y);
    }
    void Rect(const RECT& r) {
        I32(r.left);
        I32(r.top);
        I32(r.right);
        I32(r.bottom);
    }
    void Raw(const void* data, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        FBytes.insert(FBytes.end(), p, p + size);
    }
    void Pad4() {
        while (FBytes.size() % 4)
            FBytes.push_back(0);
    }
    void PatchU32(std::size_t at, std::uint32_t v) { std::memcpy(FBytes.data() + at, &v, 4); }
    std::vector<std::uint8_t> Finish() {
        Pad4();
        PatchU32(4, std::uint32_t(FBytes.size()));
        return std::move(FBytes);
    }

private:
    std::vector<std::uint8_t> FBytes;
};

// Reads the fields of one record; a read outside the record fails and leaves the value as it
// was.
class GdiRecordReader {
public:
    GdiRecordReader(const void* record, std::size_t size)
        : FData(static_cast<const std::uint8_t*>(record)), FSize(size) {}
    std::size_t Size() const { return FSize; }
    const std::uint8_t* Data() const { return FData; }
    bool Has(std::size_t at, std::size_t bytes) const { return at <= FSize && bytes <= FSize - at; }
    template <class T> bool Get(std::size_t at, T& out) const {
        if (!Has(at, sizeof(T))) return false;
        std::memcpy(&out, FData + at, sizeof(T));
        return true;
    }
    std::uint32_t U32(std::size_t at, bool& ok) const {
        std::uint32_t v = 0;
        ok = Get(at, v) && ok;
        return v;
    }
    std::int32_t I32(std::size_t at, bool& ok) const {
        std::int32_t v = 0;
        ok = Get(at, v) && ok;
        return v;
    }
    POINT Point(std::size_t at, bool& ok) const { return {I32(at, ok), I32(at + 4, ok)}; }
    RECT Rect(std::size_t at, bool& ok) const {
        return {I32(at, ok), I32(at + 4, ok), I32(at + 8, ok), I32(at + 12, ok)};
    }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
};
