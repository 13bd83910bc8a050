// Pictures: checking a stream, the handles, copies, the header and the stream itself.
#include <algorithm>
#include <cstdio>

#include "platform/winapi/GdiMetafileFormat.h"

namespace {

// The smallest header the format has had (without the pixel format and micrometre fields).
constexpr std::size_t MinHeaderSize = 88;

} // namespace

std::shared_ptr<GdiEnhMetaFile> GdiFindEnhMetaFile(HENHMETAFILE picture) {
    return GdiFind<GdiEnhMetaFile>(picture);
}

HENHMETAFILE GdiAddEnhMetaFile(const std::uint8_t* data, std::size_t size) {
    if (!data || size < MinHeaderSize) return nullptr;
    GdiRecordReader r(data, size);
    bool ok = true;
    DWORD type = r.U32(0, ok), headerSize = r.U32(4, ok), signature = r.U32(40, ok);
    if (!ok || type != EMR_HEADER || signature != ENHMETA_SIGNATURE || headerSize < MinHeaderSize ||
        headerSize % 4 || headerSize > size)
        return nullptr;
    // The records up to EMR_EOF, each of them inside the stream.
    std::size_t at = 0, records = 0;
    bool eof = false;
    while (!eof) {
        if (!r.Has(at, 8)) return nullptr;
        DWORD recordType = r.U32(at, ok), recordSize = r.U32(at + 4, ok);
        if (recordSize < 8 || recordSize % 4 || !r.Has(at, recordSize)) return nullptr;
        if (records > 0 && recordType == EMR_HEADER) return nullptr;
        eof = recordType == EMR_EOF;
        at += recordSize;
        ++records;
    }
    auto picture = std::make_shared<GdiEnhMetaFile>();
    picture->Bytes.assign(data, data + at);
    DWORD bytes = DWORD(at), count = DWORD(records);
    std::memcpy(picture->Bytes.data() + offsetof(ENHMETAHEADER, nBytes), &bytes, 4);
    std::memcpy(picture->Bytes.data() + offsetof(ENHMETAHEADER, nRecords), &count, 4);
    WORD handles = 0;
    std::memcpy(&handles, picture->Bytes.data() + offsetof(ENHMETAHEADER, nHandles), 2);
    if (handles == 0) {
        handles = 1;
        std::memcpy(picture->Bytes.data() + offsetof(ENHMETAHEADER, nHandles), &handles, 2);
    }
    return static_cast<HENHMETAFILE>(GdiAddObject(picture));
}

bool GdiWriteMetafileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

BOOL DeleteEnhMetaFile(HENHMETAFILE picture) {
    if (!GdiFindEnhMetaFile(picture)) return FALSE;
    GdiRemoveObject(picture);
    return TRUE;
}

HENHMETAFILE CopyEnhMetaFileA(HENHMETAFILE picture, LPCSTR fileName) {
    auto source = GdiFindEnhMetaFile(picture);
    if (!source) return nullptr;
    if (fileName && !GdiWriteMetafileBytes(fileName, source->Bytes)) return nullptr;
    auto copy = std::make_shared<GdiEnhMetaFile>();
    copy->Bytes = source->Bytes;
    return static_cast<HENHMETAFILE>(GdiAddObject(copy));
}

UINT GetEnhMetaFileHeader(HENHMETAFILE picture, UINT size, ENHMETAHEADER* header) {
    auto source = GdiFindEnhMetaFile(picture);
    if (!source) return 0;
    if (!header) return UINT(sizeof(ENHMETAHEADER));
    DWORD recordSize = 0;
    std::memcpy(&recordSize, source->Bytes.data() + 4, 4);
    // The fields an older, shorter header lacks read as zero.
    std::size_t n = std::min<std::size_t>({size, recordSize, sizeof(ENHMETAHEADER)});
    std::uint8_t h[sizeof(ENHMETAHEADER)] = {};
    std::memcpy(h, source->Bytes.data(), n);
    std::memcpy(static_cast<void*>(header), h, std::min<std::size_t>(size, sizeof(ENHMETAHEADER)));
    return UINT(n);
}

UINT GetEnhMetaFileBits(HENHMETAFILE picture, UINT size, BYTE* data) {
    auto source = GdiFindEnhMetaFile(picture);
    if (!source) return 0;
    if (!data) return UINT(source->Bytes.size());
    if (size < source->Bytes.size()) return 0;
    std::memcpy(data, source->Bytes.data(), source->Bytes.size());
    return UINT(source->Bytes.size());
}

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data) { return GdiAddEnhMetaFile(data, size); }
