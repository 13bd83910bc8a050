// Memory blocks and the clipboard over a clipboard store.
#include "platform/winapi/Clipboard.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/runtime/Strings.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/GdiMetafile.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/WinError.h"

namespace {

// ---- Memory blocks -----------------------------------------------------------------------

struct Block {
    std::vector<std::uint8_t> Bytes;
    int Locks = 0;
};

struct Blocks {
    std::mutex Lock;
    std::map<std::uintptr_t, std::unique_ptr<Block>> Table;
    std::uintptr_t Next = 0x6A0000;
};

Blocks& Memory() {
    static Blocks blocks;
    return blocks;
}

constexpr std::size_t MaxBlock = std::size_t(1) << 30;
constexpr DWORD ErrorNotLocked = 158;

// ---- The clipboard -----------------------------------------------------------------------

struct Entry {
    UINT Format = 0;
    HANDLE Data = nullptr;
    bool Synthesized = false; // CF_TEXT made from CF_UNICODETEXT or the other way round
};

struct Clipboard {
    std::mutex Lock;
    bool Open = false;
    DWORD OpenThread = 0;
    HWND OpenWindow = nullptr;
    HWND Owner = nullptr;
    bool Changed = false;
    std::vector<Entry> Entries;
    std::uint64_t Seen = 0; // the store's sequence the entries reflect
    std::vector<std::string> Names;
    TMemoryClipboardStore BuiltIn;
    TClipboardStore* Store = &BuiltIn;
};

Clipboard& Board() {
    static Clipboard board;
    return board;
}

constexpr UINT FirstRegistered = 0xC000;

// Registration with the clipboard's lock held.
UINT Register(Clipboard& c, const std::string& name) {
    std::string key = UpperCase(name);
    for (std::size_t i = 0; i < c.Names.size(); ++i)
        if (UpperCase(c.Names[i]) == key) return FirstRegistered + UINT(i);
    if (c.Names.size() >= 0x3FFF) return 0;
    c.Names.push_back(name);
    return FirstRegistered + UINT(c.Names.size() - 1);
}

HGLOBAL BlockOf(const void* bytes, std::size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    if (block && size) {
        std::memcpy(GlobalLock(block), bytes, size);
        GlobalUnlock(block);
    }
    return block;
}

std::string BytesOf(HGLOBAL block) {
    std::size_t size = GlobalSize(block);
    const auto* p = static_cast<const char*>(GlobalLock(block));
    std::string bytes = p ? std::string(p, size) : std::string();
    if (p) GlobalUnlock(block);
    return bytes;
}

// The text of a block, up to the first NUL.
std::string NarrowText(HGLOBAL block) {
    std::string bytes = BytesOf(block);
    return bytes.substr(0, bytes.find('\0'));
}

std::u16string WideText(HGLOBAL block) {
    std::string bytes = BytesOf(block);
    std::u16string text(bytes.size() / 2, u'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * 2);
    return text.substr(0, text.find(u'\0'));
}

HGLOBAL NarrowBlock(const std::string& text) { return BlockOf(text.c_str(), text.size() + 1); }
HGLOBAL WideBlock(const std::u16string& text) { return BlockOf(text.c_str(), (text.size() + 1) * 2); }

// The picture of a CF_METAFILEPICT block (null when the block is not one).
HMETAFILE PictureOfBlock(HGLOBAL block) {
    if (GlobalSize(block) < sizeof(METAFILEPICT)) return nullptr;
    METAFILEPICT pict;
    std::memcpy(&pict, GlobalLock(block), sizeof(pict));
    GlobalUnlock(block);
    return pict.hMF;
}

void FreeData(UINT format, HANDLE data) {
    if (format == CF_BITMAP)
        DeleteObject(data);
    else if (format == CF_ENHMETAFILE)
        DeleteEnhMetaFile(static_cast<HENHMETAFILE>(data));
    else {
        if (format == CF_METAFILEPICT) DeleteMetaFile(PictureOfBlock(data));
        GlobalFree(data);
    }
}

bool IsPicture(UINT format) { return format == CF_ENHMETAFILE || format == CF_METAFILEPICT; }
UINT OtherPicture(UINT format) { return format == CF_ENHMETAFILE ? CF_METAFILEPICT : CF_ENHMETAFILE; }

// A CF_METAFILEPICT block holding a copy of a picture, or a copy of the picture of such a
// block; null when the source is not valid.
HANDLE PictureStandIn(UINT format, HANDLE source) {
    if (format == CF_ENHMETAFILE) return EnhMetaFileOfMetaFile(PictureOfBlock(source));
    auto picture = static_cast<HENHMETAFILE>(source);
    ENHMETAHEADER header;
    if (!GetEnhMetaFileHeader(picture, sizeof(header), &header)) return nullptr;
    METAFILEPICT pict;
    pict.mm = MM_ANISOTROPIC;
    pict.xExt = header.rclFrame.right - header.rclFrame.left;
    pict.yExt = header.rclFrame.bottom - header.rclFrame.top;
    pict.hMF = MetaFileOfEnhMetaFile(picture);
    if (!pict.hMF) return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(pict));
    std::memcpy(GlobalLock(block), &pict, sizeof(pict));
    GlobalUnlock(block);
    return block;
}

void FreeAll(Clipboard& c) {
    for (const Entry& e : c.Entries)
        FreeData(e.Format, e.Data);
    c.Entries.clear();
}

Entry* FindEntry(Clipboard& c, UINT format) {
    for (Entry& e : c.Entries)
        if (e.Format == format) return &e;
    return nullptr;
}

HBITMAP BitmapFromPixels(int width, int height, const std::vector<std::uint32_t>& pixels) {
    if (width <= 0 || height <= 0 || pixels.size() < std::size_t(width) * height) return nullptr;
    HBITMAP bitmap = CreateBitmap(width, height, 1, 32, nullptr);
    auto object = GdiFind<GdiBitmap>(bitmap);
    if (!object) return nullptr;
    GdiSurface s = object->Surface();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            s.Row(y)[x] = pixels[std::size_t(y) * width + x] & 0xFFFFFF;
    return bitmap;
}

// What another program put on the system's clipboard replaces ours.
void TakeInStore(Clipboard& c) {
    std::uint64_t sequence = c.Store->Sequence();
    if (sequence == c.Seen) return;
    TClipboardContents contents = c.Store->Read();
    FreeAll(c);
    c.Owner = nullptr;
    if (contents.HasText) c.Entries.push_back({CF_UNICODETEXT, WideBlock(contents.Text), false});
    if (contents.HasImage)
        if (HBITMAP bitmap =
                BitmapFromPixels(contents.ImageWidth, contents.ImageHeight, contents.ImagePixels))
            c.Entries.push_back({CF_BITMAP, bitmap, false});
    for (const auto& [name, bytes] : contents.Blocks)
        if (UINT format = Register(c, name))
            c.Entries.push_back({format, BlockOf(bytes.data(), bytes.size()), false});
    c.Seen = sequence;
}

void HandToStore(Clipboard& c) {
    TClipboardContents contents;
    if (const Entry* e = FindEntry(c, CF_UNICODETEXT); e && !e->Synthesized) {
        contents.HasText = true;
        contents.Text = WideText(e->Data);
    } else if (const Entry* n = FindEntry(c, CF_TEXT); n && !n->Synthesized) {
        contents.HasText = true;
        contents.Text = StringToWide(NarrowText(n->Data));
    }
    if (const Entry* e = FindEntry(c, CF_BITMAP))
        if (auto bitmap = GdiFind<GdiBitmap>(e->Data)) {
            GdiSurface s = bitmap->Surface();
            contents.HasImage = true;
            contents.ImageWidth = bitmap->Width;
            contents.ImageHeight = bitmap->Height;
            for (int y = 0; y < bitmap->Height; ++y)
                for (int x = 0; x < bitmap->Width; ++x)
                    contents.ImagePixels.push_back(s.Row(y)[x] & 0xFFFFFF);
        }
    for (const Entry& e : c.Entries)
        if (e.Format >= FirstRegistered && e.Format - FirstRegistered < c.Names.size())
            contents.Blocks.push_back({c.Names[e.Format - FirstRegistered], BytesOf(e.Data)});
    c.Store->Write(contents);
    c.Seen = c.Store->Sequence();
}

bool OpenedHere(Clipboard& c) {
    if (c.Open && c.OpenThread == GetCurrentThreadId()) return true;
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return false;
}

bool IsText(UINT format) { return format == CF_TEXT || format == CF_UNICODETEXT; }
UINT OtherText(UINT format) { return format == CF_TEXT ? CF_UNICODETEXT : CF_TEXT; }

// The formats on offer: the entries, then a text format standing in for the other.
std::vector<UINT> Offered(Clipboard& c) {
    std::vector<UINT> formats;
    for (const Entry& e : c.Entries)
        if (!e.Synthesized) formats.push_back(e.Format);
    for (UINT text : {CF_TEXT, CF_UNICODETEXT})
        if (std::find(formats.begin(), formats.end(), text) == formats.end() &&
            std::find(formats.begin(), formats.end(), OtherText(text)) != formats.end())
            formats.push_back(text);
    for (UINT picture : {CF_ENHMETAFILE, CF_METAFILEPICT})
        if (std::find(formats.begin(), formats.end(), picture) == formats.end() &&
            std::find(formats.begin(), formats.end(), OtherPicture(picture)) != formats.end())
            formats.push_back(picture);
    return formats;
}

} // namespace

// ---- Memory blocks -------------------------------------------------------------------------

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
    if (bytes == 0 || bytes > MaxBlock) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto block = std::make_unique<Block>();
    block->Bytes.assign(bytes, 0);
    Blocks& m = Memory();
    std::lock_guard<std::mutex> lock(m.Lock);
    m.Next += 8;
    m.Table[m.Next] = std::move(block);
    return reinterpret_cast<HGLOBAL>(m.Next);
}

void* GlobalLock(HGLOBAL handle) {
    Blocks& m = Memory();
    std::lock_guard<std::mutex> lock(m.Lock);
    auto it = m.Table.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == m.Table.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    ++it->second->Locks;
    return it->second->Bytes.data();
}

BOOL GlobalUnlock(HGLOBAL handle) {
    Blocks& m = Memory();
    std::lock_guard<std::mutex> lock(m.Lock);
    auto it = m.Table.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == m.Table.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (it->second->Locks == 0) {
        SetLastError(ErrorNotLocked);
        return FALSE;
    }
    if (--it->second->Locks > 0) return TRUE;
    SetLastError(ERROR_SUCCESS);
    return FALSE;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
    Blocks& m = Memory();
    std::lock_guard<std::mutex> lock(m.Lock);
    if (m.Table.erase(reinterpret_cast<std::uintptr_t>(handle)) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return handle;
    }
    return nullptr;
}

std::size_t GlobalSize(HGLOBAL handle) {
    Blocks& m = Memory();
    std::lock_guard<std::mutex> lock(m.Lock);
    auto it = m.Table.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == m.Table.end() ? 0 : it->second->Bytes.size();
}

// ---- The clipboard -------------------------------------------------------------------------

UINT RegisterClipboardFormatA(LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Clipboard& c = Board();
    std::lock_guard<std::mutex> lock(c.Lock);
    return Register(c, name);
}

BOOL OpenClipboard(HWND owner) {
    Clipboard& c = Board();
    std::lock_guard<std::mutex> lock(c.Lock);
    if (c.Open && c.OpenThread != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!c.Open) {
        c.Open = true;
        c.OpenThread = GetCurrentThreadId();
        c.Changed = false;
        TakeInStore(c);
    }
    c.OpenWindow = owner;
    return TRUE;
}

BOOL CloseClipboard() {
    Clipboard& c = Board();
    std::lock_guard<std::mutex> lock(c.Lock);
    if (!OpenedHere(c)) return FALSE;
    if (c.Changed) HandToStore(c);
    c.Open = false;
    c.OpenThread = 0;
    c.OpenWindow = nullptr;
    return TRUE;
}

BOOL EmptyClipboard() {
    Clipboard& c = Board();
    std::lock_guard<std::mutex> lock(c.Lock);
    if (!OpenedHere(c)) return FALSE;
    FreeAll(c);
    c.Owner = c.OpenWindow;
    c.Changed = true;
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
    Clipboard& c = Board();
    std::lock_guard<std::mutex> lock(c.Lock);
    if (!OpenedHere(c)) return nullptr;
    bool valid = format == CF_BITMAP        ? GdiFind<GdiBitmap>(data) != nullptr
                 : format == CF_ENHMETAFILE ? GetEnhMetaFileHeader(static_cast<HENHMETAFILE>(data), 0, nullptr) > 0
                 : format == CF_METAFILEPICT ? GlobalSize(data) >= sizeof(METAFILEPICT)
                                             : GlobalSize(data) > 0;
    if (format == 0 || !valid) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // The new data replaces the format's old data, and a text format made up from it.
    auto stale = [&](const Entry& e) {
        return e.Format == format || (IsText(format) && e.Format == OtherText(format) && e.Synthesized) ||
               (IsPicture(format) && e.Format == OtherPicture(format) && e.Synthesized);
    };
    for (const Entry& e : c.Entries)
        if (stale(e) && e.Data != data) FreeData(e.Format, e.Data);
    c.Entries.erase(std::remove_if(c.Entries.begin(), c.Entries.end(), stale), c.Entries.end());
    c.Entries.push_back({format, data, false});
    c.Changed = true;
    return data;
}

HANDLE GetClipboardData(UINT format) {
    Clipboard& c = Board();
    std::lock_guard<std::mutex> lock(c.Lock);
    if (!OpenedHere(c)) return nullptr;
    if (Entry* e = FindEntry(c, format)) return e->Data;
    if (IsText(format))
        if (Entry* other = FindEntry(c, OtherText(format))) {
            HGLOBAL made = format == CF_TEXT ? NarrowBlock(WideToString(WideText(other->Data)))
                                             : WideBlock(StringToWide(NarrowText(other->Data)));
            c.Entries.push_back({format, made, true});
            return made;
        }
    if (IsPicture(format))
        if (Entry* other = FindEntry(c, OtherPicture(format)))
            if (HANDLE made = PictureStandIn(format, other->Data)) {
                c.Entries.push_back({format, made, true});
                return made;
            }
    return nullptr;
}

BOOL IsClipboardFormatAvailable(UINT format) {
    Clipboard& c = Board();
    std::lock_guard<std::mutex> lock(c.Lock);
    if (!c.Open) TakeInStore(c);
    std::vector<UINT> formats = Offered(c);
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

int CountClipboardFormats() {
    Clipboard& c = Board();
    std::lock_guard<std::mutex> lock(c.Lock);
    if (!c.Open) TakeInStore(c);
    return int(Offered(c).size());
}

UINT EnumClipboardFormats(UINT format) {
    Clipboard& c = Board();
    std::lock_guard<std::mutex> lock(c.Lock);
    if (!OpenedHere(c)) return 0;
    std::vector<UINT> formats = Offered(c);
    if (format == 0) return formats.empty() ? 0 : formats.front();
    auto it = std::find(formats.begin(), formats.end(), format);
    SetLastError(ERROR_SUCCESS);
    return it == formats.end() || it + 1 == formats.end() ? 0 : *(it + 1);
}

HWND GetClipboardOwner() {
    Clipboard& c = Board();
    std::lock_guard<std::mutex> lock(c.Lock);
    return c.Owner;
}

// ---- Stores --------------------------------------------------------------------------------

void TMemoryClipboardStore::Write(const TClipboardContents& contents) {
    FContents = contents;
    ++FSequence;
}

TClipboardContents TMemoryClipboardStore::Read() { return FContents; }

std::uint64_t TMemoryClipboardStore::Sequence() { return FSequence; }

TClipboardStore* SetClipboardStore(TClipboardStore* store) {
    Clipboard& c = Board();
    std::lock_guard<std::mutex> lock(c.Lock);
    TClipboardStore* old = c.Store;
    c.Store = store ? store : &c.BuiltIn;
    // Whatever the new store holds is taken in at the next look.
    c.Seen = ~std::uint64_t(0);
    return old == &c.BuiltIn ? nullptr : old;
}

// ---- Metafile pictures ---------------------------------------------------------------------

namespace {

struct MetaFiles {
    std::mutex Lock;
    std::map<std::uintptr_t, HENHMETAFILE> Table;
    std::uintptr_t Next = 0x7B0000;
};

MetaFiles& MetaFileTable() {
    static MetaFiles table;
    return table;
}

} // namespace

HMETAFILE MetaFileOfEnhMetaFile(HENHMETAFILE picture) {
    HENHMETAFILE copy = CopyEnhMetaFileA(picture, nullptr);
    if (!copy) return nullptr;
    MetaFiles& m = MetaFileTable();
    std::lock_guard<std::mutex> lock(m.Lock);
    std::uintptr_t id = m.Next += 4;
    m.Table[id] = copy;
    return reinterpret_cast<HMETAFILE>(id);
}

HENHMETAFILE EnhMetaFileOfMetaFile(HMETAFILE metafile) {
    MetaFiles& m = MetaFileTable();
    std::lock_guard<std::mutex> lock(m.Lock);
    auto it = m.Table.find(reinterpret_cast<std::uintptr_t>(metafile));
    if (it == m.Table.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return CopyEnhMetaFileA(it->second, nullptr);
}

BOOL DeleteMetaFile(HMETAFILE metafile) {
    HENHMETAFILE held = nullptr;
    {
        MetaFiles& m = MetaFileTable();
        std::lock_guard<std::mutex> lock(m.Lock);
        auto it = m.Table.find(reinterpret_cast<std::uintptr_t>(metafile));
        if (it == m.Table.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        held = it->second;
        m.Table.erase(it);
    }
    return DeleteEnhMetaFile(held);
}
