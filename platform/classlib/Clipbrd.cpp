// The class library's clipboard object over the window system's clipboard.
#include "platform/classlib/Clipbrd.h"

#include <cstring>
#include <memory>

const UINT CF_PICTURE = RegisterClipboardFormatA("Picture");

namespace {

TClipboard* gInstalled = nullptr;

// Keeps the clipboard open for the length of one operation.
class TOpenScope {
public:
    explicit TOpenScope(TClipboard* clipboard) : FClipboard(clipboard) { FClipboard->Open(); }
    ~TOpenScope() { FClipboard->Close(); }
    TOpenScope(const TOpenScope&) = delete;
    TOpenScope& operator=(const TOpenScope&) = delete;

private:
    TClipboard* FClipboard;
};

} // namespace

TClipboard::~TClipboard() {
    if (FOpenRefCount > 0) CloseClipboard();
}

void TClipboard::Open() {
    if (FOpenRefCount == 0 && !OpenClipboard(nullptr)) throw Exception("Cannot open clipboard");
    ++FOpenRefCount;
}

void TClipboard::Close() {
    if (FOpenRefCount == 0) return;
    if (--FOpenRefCount == 0) CloseClipboard();
}

void TClipboard::Clear() {
    TOpenScope scope(this);
    EmptyClipboard();
}

bool TClipboard::HasFormat(UINT format) {
    if (format == 0) return false;
    if (format != CF_PICTURE) return IsClipboardFormatAvailable(format) != 0;
    TOpenScope scope(this);
    for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f))
        if (f <= 0xFFFF && TPicture::SupportsClipboardFormat(Word(f))) return true;
    return false;
}

Integer TClipboard::GetFormatCount() { return CountClipboardFormats(); }

UINT TClipboard::GetFormats(Integer index) {
    if (index < 0) return 0;
    TOpenScope scope(this);
    UINT f = EnumClipboardFormats(0);
    for (Integer i = 0; f != 0 && i < index; ++i) f = EnumClipboardFormats(f);
    return f;
}

String TClipboard::GetAsText() {
    TOpenScope scope(this);
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data) return String();
    const char* bytes = static_cast<const char*>(GlobalLock(data));
    if (!bytes) return String();
    // The block holds the text and a NUL; a block without one ends at its size.
    std::size_t size = GlobalSize(data);
    const void* nul = std::memchr(bytes, 0, size);
    String text(bytes, nul ? static_cast<const char*>(nul) - bytes : size);
    GlobalUnlock(data);
    return text;
}

void TClipboard::SetAsText(const String& value) {
    TOpenScope scope(this);
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, value.size() + 1);
    if (!block) throw EOutOfMemory("Out of memory");
    std::memcpy(GlobalLock(block), value.c_str(), value.size() + 1);
    GlobalUnlock(block);
    if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
}

void TClipboard::PutGraphic(TGraphic* graphic) {
    TOpenScope scope(this);
    EmptyClipboard();
    if (!graphic || graphic->GetEmpty()) return;
    Word format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    graphic->SaveToClipboardFormat(format, data, palette);
    if (format != 0 && data) SetClipboardData(format, data);
}

void TClipboard::Assign(TPersistent* source) {
    if (auto* picture = dynamic_cast<TPicture*>(source)) {
        PutGraphic(picture->GetGraphic());
        return;
    }
    if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
        PutGraphic(graphic);
        return;
    }
    TPersistent::Assign(source);
}

void TClipboard::AssignTo(TPersistent* dest) {
    auto* picture = dynamic_cast<TPicture*>(dest);
    auto* graphic = dynamic_cast<TGraphic*>(dest);
    if (!picture && !graphic) {
        TPersistent::AssignTo(dest);
        return;
    }
    TOpenScope scope(this);
    for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f)) {
        if (f > 0xFFFF || !TPicture::SupportsClipboardFormat(Word(f))) continue;
        HANDLE data = GetClipboardData(f);
        if (!data) continue;
        if (picture) {
            picture->LoadFromClipboardFormat(Word(f), data, nullptr);
            return;
        }
        try {
            graphic->LoadFromClipboardFormat(Word(f), data, nullptr);
            return;
        } catch (const EInvalidGraphic&) {
            // This graphic does not take that format; the next one may do.
        }
    }
    throw EInvalidGraphic("Unsupported clipboard format");
}

TClipboard* Clipboard() {
    if (gInstalled) return gInstalled;
    static TClipboard* own = new TClipboard;
    return own;
}

TClipboard* SetClipboard(TClipboard* clipboard) {
    TClipboard* old = gInstalled;
    gInstalled = clipboard;
    return old;
}
