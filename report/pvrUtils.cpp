#include "report/pvrUtils.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/ImgList.h"
#include "platform/classlib/Metafiles.h"
#include "platform/runtime/FileSearch.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Gdi.h"
#include "report/pvrClass.h"
#include "report/pvrRes.h"

String NextToken(const String& text, Integer& pos, char delimiter) {
    const Integer length = Integer(text.size());
    Integer start = pos;
    while (pos <= length && text[std::size_t(pos - 1)] != delimiter)
        ++pos;
    String result =
        start <= length ? text.substr(std::size_t(start - 1), std::size_t(pos - start)) : String();
    ++pos;
    return result;
}

void SplitText(const String& text, TStrings* list, char delimiter) {
    list->Clear();
    Integer pos = 1;
    while (pos <= Integer(text.size()))
        list->Add(NextToken(text, pos, delimiter));
}

String StreamToHex(TMemoryStream* stream) {
    static const char digits[] = "0123456789ABCDEF";
    const auto* bytes = static_cast<const unsigned char*>(stream->GetMemory());
    const Int64 size = stream->GetSize();
    String result;
    result.reserve(std::size_t(size * 2));
    for (Int64 i = 0; i < size; ++i) {
        result += digits[bytes[i] >> 4];
        result += digits[bytes[i] & 15];
    }
    return result;
}

void HexToStream(const String& text, TStream* stream) {
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return 0;
    };
    String bytes(text.size() / 2, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char((value(text[2 * i]) << 4) | value(text[2 * i + 1]));
    stream->SetPosition(0);
    if (!bytes.empty()) stream->WriteBuffer(bytes.data(), Integer(bytes.size()));
}

Extended ParseFloatText(const String& text) {
    const char separator = FormatSettings.DecimalSeparator;
    String s;
    s.reserve(text.size());
    for (char c : text) {
        if (c == ' ') continue;
        s += (c == '.' || c == ',') ? separator : c;
    }
    return StrToFloat(s);
}

String FloatToShortText(Extended value) {
    if (Frac(value) != 0) return Format("%2.2f", {value});
    return FloatToStr(value);
}

TpvrRect MakeRect(Extended left, Extended top, Extended right, Extended bottom) {
    return TpvrRect{left, top, right, bottom};
}

namespace {

// The scan of ExtractDelimited over any string type; `step` gives the length of the character
// at a 0-based index.
template <class S, class Step>
void ExtractDelimitedImpl(const S& text, const S& open, const S& close, S& inner, Integer& endPos,
                          Integer& startPos, Step step) {
    inner.clear();
    const Integer length = Integer(text.size());
    if (length == 0) return;
    auto startsAt = [&](const S& what, Integer pos) {
        return !what.empty() && pos + Integer(what.size()) - 1 <= length &&
               text.compare(std::size_t(pos - 1), what.size(), what) == 0;
    };
    Integer depth = 0;
    bool inDouble = false;
    bool inSingle = false;
    Integer current = startPos;
    while (current <= length) {
        const auto c = text[std::size_t(current - 1)];
        if (!inDouble && !inSingle) {
            if (startsAt(open, current)) {
                if (depth == 0) startPos = current;
                ++depth;
            } else if (startsAt(close, current)) {
                --depth;
            }
        }
        if (c == '"' && !inSingle)
            inDouble = !inDouble;
        else if (c == '\'' && !inDouble)
            inSingle = !inSingle;
        if (depth == 0) break;
        current += step(current - 1);
    }
    const Integer innerStart = startPos + Integer(open.size());
    if (current > innerStart)
        inner = text.substr(std::size_t(innerStart - 1), std::size_t(current - innerStart));
    if (startPos != current) endPos = current + Integer(close.size()) - 1;
}

} // namespace

void ExtractDelimited(const String& text, const String& open, const String& close, String& inner,
                      Integer& endPos, Integer& startPos) {
    ExtractDelimitedImpl(text, open, close, inner, endPos, startPos, [&](Integer index) {
        Integer n = Integer(Utf8Next(text, std::size_t(index)) - std::size_t(index));
        return n > 0 ? n : 1;
    });
}

void ExtractDelimitedW(const WideString& text, const WideString& open, const WideString& close,
                       WideString& inner, Integer& endPos, Integer& startPos) {
    ExtractDelimitedImpl(text, open, close, inner, endPos, startPos, [](Integer) { return 1; });
}

void ReportError(TpvrReport* report, const String& message) {
    switch (report->GetEngineOptions()->GetNewSilentMode()) {
    case simMessageBoxes:
        ShowErrorBox(message);
        break;
    case simSilent:
        break;
    case simReThrow:
        throw Exception(message);
    }
}

void ShowErrorBox(const String& message) {
    const String caption = GetResources()->Get("mbError");
    if (TApplication* app = Application)
        app->MessageBox(message.c_str(), caption.c_str(), MB_ICONERROR);
    else
        PlatformMessageBox(message, caption, MB_ICONERROR);
}

void AddGlyphStrip(TBitmap* strip, Integer cellWidth, Integer cellHeight, TImageList* disabled,
                   TImageList* list) {
    if (cellWidth <= 0 || cellHeight <= 0) return;
    bool second = false;
    for (Integer y = 0; y + cellHeight <= strip->GetHeight(); y += cellHeight) {
        for (Integer x = 0; x + cellWidth <= strip->GetWidth(); x += cellWidth) {
            TBitmap cell;
            cell.SetSize(cellWidth, cellHeight);
            cell.GetCanvas()->CopyRect(TRect(0, 0, cellWidth, cellHeight), strip->GetCanvas(),
                                       TRect(x, y, x + cellWidth, y + cellHeight));
            if (disabled && second) {
                for (Integer py = 0; py < cellHeight; ++py)
                    for (Integer px = 0; px < cellWidth; ++px)
                        if (cell.GetCanvas()->GetPixels(px, py) == TColor(0xFFFFFF))
                            cell.GetCanvas()->SetPixels(px, py, TColor(0xE0E0E0));
                disabled->AddMasked(&cell, cell.GetTransparentColor());
            } else {
                list->AddMasked(&cell, cell.GetTransparentColor());
            }
            if (disabled) second = !second;
        }
    }
}

void DrawTransparentBitmap(TCanvas* canvas, Integer x, Integer y, TBitmap* bitmap) {
    if (!bitmap || bitmap->GetWidth() <= 0 || bitmap->GetHeight() <= 0) return;
    TImageList list(nullptr, bitmap->GetWidth(), bitmap->GetHeight());
    list.AddMasked(bitmap, bitmap->GetTransparentColor());
    list.Draw(canvas, x, y, 0);
}

void StretchDrawGraphic(TCanvas* canvas, const TpvrRect& rect, TGraphic* graphic) {
    if (!graphic) return;
    const TRect target{Integer(Round(rect.Left)), Integer(Round(rect.Top)), Integer(Round(rect.Right)),
                       Integer(Round(rect.Bottom))};
    if (dynamic_cast<TMetafile*>(graphic)) {
        canvas->StretchDraw(target, graphic);
        return;
    }
    const Integer width = graphic->GetWidth();
    const Integer height = graphic->GetHeight();
    if (width <= 0 || height <= 0) return;
    TBitmap image;
    image.SetPixelFormat(pf32bit);
    image.SetSize(width, height);
    image.GetCanvas()->Draw(0, 0, graphic);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> bits(std::size_t(width) * std::size_t(height));
    GetDIBits(image.GetCanvas()->GetHandle(), image.GetHandle(), 0, UINT(height), bits.data(), &info,
              DIB_RGB_COLORS);
    HDC dc = canvas->GetHandle();
    auto* bitmap = dynamic_cast<TBitmap*>(graphic);
    const bool monochrome = bitmap && bitmap->GetMonochrome();
    const int oldMode = monochrome ? 0 : SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, 0, 0,
                  width, height, bits.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    if (!monochrome) SetStretchBltMode(dc, oldMode);
}

void ParsePageRange(const String& text, TStrings* list, Integer pageCount) {
    list->Clear();
    String s;
    for (char c : text)
        if (c != ' ') s += c;
    if (s.empty()) return;
    if (s.back() == '-') s += IntToStr(pageCount);
    s += ',';
    String number;
    bool inRange = false;
    Integer rangeStart = 0;
    for (char c : s) {
        if (c == '-') {
            rangeStart = StrToInt(number);
            inRange = true;
            number.clear();
        } else if (c == ',') {
            const Integer n = StrToInt(number);
            if (inRange) {
                for (Integer page = rangeStart; page <= n; ++page)
                    list->Add(IntToStr(page));
                inRange = false;
            } else {
                list->Add(IntToStr(n));
            }
            number.clear();
        } else {
            number += c;
        }
    }
}

String MakeTempFileName(const String& directory) {
    char path[260] = {};
    if (directory.empty()) {
        GetTempPathA(sizeof path, path);
    } else {
        String dir = directory;
        if (dir.back() != PathDelim) dir += PathDelim;
        std::strncpy(path, dir.c_str(), sizeof path - 1);
    }
    char name[260] = {};
    GetTempFileNameA(path, "qo", 0, name);
    return name;
}

String ProgramFileName() {
    char name[260] = {};
    GetModuleFileNameA(nullptr, name, sizeof name);
    return name;
}

String ProgramDirectory() { return ExtractFilePath(ProgramFileName()); }
