// What the view and text layout tests share: recording drawing into a metafile and reading its
// text records back, and images of what was drawn.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/classlib/Metafiles.h"
#include "platform/winapi/GdiMetafile.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace viewtest {

struct TextRecord {
    std::u16string Text;
    POINT Reference{};
    std::vector<INT> Dx;
    UINT Options = 0;
    RECT Clip{};

    int Width() const {
        int sum = 0;
        for (INT d : Dx) sum += d;
        return sum;
    }
};

// Every record of what `draw` drew on a metafile canvas, copied.
inline std::vector<std::vector<std::uint8_t>> RecordAll(const std::function<void(TCanvas*)>& draw) {
    TMetafile metafile;
    metafile.SetWidth(2000);
    metafile.SetHeight(2000);
    {
        TMetafileCanvas canvas(&metafile, nullptr);
        draw(&canvas);
    }
    std::vector<std::vector<std::uint8_t>> records;
    auto collect = [](HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) -> int {
        auto* list = reinterpret_cast<std::vector<std::vector<std::uint8_t>>*>(data);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(record);
        list->emplace_back(bytes, bytes + record->nSize);
        return 1;
    };
    EnumEnhMetaFile(nullptr, metafile.GetHandle(), collect, &records, nullptr);
    return records;
}

// The records of one type.
template <class T> std::vector<T> RecordsOf(const std::function<void(TCanvas*)>& draw, DWORD type) {
    std::vector<T> out;
    for (const auto& r : RecordAll(draw)) {
        DWORD t = 0;
        std::memcpy(&t, r.data(), sizeof t);
        if (t != type || r.size() < sizeof(T)) continue;
        T value;
        std::memcpy(&value, r.data(), sizeof value);
        out.push_back(value);
    }
    return out;
}

// The text records of what `draw` drew on a metafile canvas.
inline std::vector<TextRecord> RecordText(const std::function<void(TCanvas*)>& draw) {
    const std::vector<std::vector<std::uint8_t>> records = RecordAll(draw);
    std::vector<TextRecord> out;
    for (const auto& r : records) {
        DWORD type = 0;
        std::memcpy(&type, r.data(), sizeof type);
        if (type != EMR_EXTTEXTOUTW) continue;
        EMREXTTEXTOUTW t;
        std::memcpy(&t, r.data(), sizeof t);
        TextRecord text;
        text.Reference = POINT{t.emrtext.ptlReference.x, t.emrtext.ptlReference.y};
        text.Options = t.emrtext.fOptions;
        text.Clip = RECT{t.emrtext.rcl.left, t.emrtext.rcl.top, t.emrtext.rcl.right, t.emrtext.rcl.bottom};
        text.Text.resize(t.emrtext.nChars);
        // An empty text has no buffer to copy into.
        if (t.emrtext.nChars == 0) {
            out.push_back(text);
            continue;
        }
        std::memcpy(text.Text.data(), r.data() + t.emrtext.offString, t.emrtext.nChars * 2);
        text.Dx.resize(t.emrtext.nChars);
        if (t.emrtext.offDx) std::memcpy(text.Dx.data(), r.data() + t.emrtext.offDx, t.emrtext.nChars * 4);
        out.push_back(text);
    }
    return out;
}

// A white 32-bit image to draw on.
inline void PrepareImage(TBitmap& image, int width, int height) {
    image.SetPixelFormat(pf32bit);
    image.SetSize(width, height);
    image.GetCanvas()->GetBrush()->SetColor(clWhite);
    image.GetCanvas()->FillRect(TRect{0, 0, width, height});
}

// Saves the image under the artifacts directory for a person to look at.
inline void SaveImage(TBitmap& image, const std::string& name) {
    const int w = image.GetWidth(), h = image.GetHeight();
    std::vector<std::uint32_t> pixels(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const TColor c = image.GetCanvas()->GetPixels(x, y);
            pixels[std::size_t(y) * std::size_t(w) + std::size_t(x)] =
                std::uint32_t(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
        }
    testsupport::WritePng(testsupport::ArtifactPath(name), w, h, pixels);
}

} // namespace viewtest
