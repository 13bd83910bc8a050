// What the drawing tests share: a memory context over a 32-bit image, pixel maps of it as
// rows of characters, and sheets of images saved as PNG under the artifacts directory.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/winapi/Gdi.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace gditest {

// A memory context with a top-down 32-bit DIB section selected, filled with one colour.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255)) : FWidth(width), FHeight(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        FBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        FBits = static_cast<std::uint32_t*>(bits);
        FDc = CreateCompatibleDC(nullptr);
        FOld = SelectObject(FDc, FBitmap);
        Fill(fill);
    }
    ~Canvas() {
        SelectObject(FDc, FOld);
        DeleteDC(FDc);
        DeleteObject(FBitmap);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return FDc; }
    HBITMAP Bitmap() const { return FBitmap; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    const std::uint32_t* Bits() const { return FBits; }

    void Fill(COLORREF color) {
        std::uint32_t p = ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
        std::fill(FBits, FBits + std::size_t(FWidth) * FHeight, p);
    }
    // The colour of a pixel as stored (alpha left out).
    COLORREF Pixel(int x, int y) const {
        std::uint32_t p = FBits[std::size_t(y) * FWidth + x];
        return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
    }
    // One character per pixel, rows joined by '\n': legend characters for their colours,
    // other for the rest.
    std::string Map(const std::vector<std::pair<COLORREF, char>>& legend, char other = '?') const {
        std::string out;
        for (int y = 0; y < FHeight; ++y) {
            if (y) out += '\n';
            for (int x = 0; x < FWidth; ++x) {
                char c = other;
                for (const auto& entry : legend)
                    if (entry.first == Pixel(x, y)) {
                        c = entry.second;
                        break;
                    }
                out += c;
            }
        }
        return out;
    }
    // '#' for ink, '.' for everything else.
    std::string Map(COLORREF ink) const {
        std::string out;
        for (int y = 0; y < FHeight; ++y) {
            if (y) out += '\n';
            for (int x = 0; x < FWidth; ++x)
                out += Pixel(x, y) == ink ? '#' : '.';
        }
        return out;
    }

private:
    int FWidth, FHeight;
    HBITMAP FBitmap = nullptr;
    std::uint32_t* FBits = nullptr;
    HDC FDc = nullptr;
    HGDIOBJ FOld = nullptr;
};

// Rows of a golden pixel map joined by '\n'.
inline std::string Rows(std::initializer_list<const char*> rows) {
    std::string out;
    for (const char* row : rows) {
        if (!out.empty()) out += '\n';
        out += row;
    }
    return out;
}

// Saves images side by side, each pixel as a scale x scale block, with grey gutters, as
// <name>.png under the artifacts directory.
inline void SaveSheet(const std::string& name, const std::vector<const Canvas*>& images, int scale = 8) {
    int gutter = 2 * scale, width = gutter, height = 0;
    for (const Canvas* c : images) {
        width += c->Width() * scale + gutter;
        height = std::max(height, c->Height() * scale);
    }
    height += 2 * gutter;
    std::vector<std::uint32_t> sheet(std::size_t(width) * height, 0x00A0A0A0);
    int left = gutter;
    for (const Canvas* c : images) {
        for (int y = 0; y < c->Height() * scale; ++y)
            for (int x = 0; x < c->Width() * scale; ++x)
                sheet[std::size_t(y + gutter) * width + left + x] =
                    c->Bits()[std::size_t(y / scale) * c->Width() + x / scale];
        left += c->Width() * scale + gutter;
    }
    testsupport::WritePng(testsupport::ArtifactPath(name + ".png"), width, height, sheet);
}

} // namespace gditest
