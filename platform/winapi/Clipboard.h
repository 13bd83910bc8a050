// The clipboard: open, empty, put and take data by format, over the system's clipboard. What the
// system can carry (text, an image, and the formats registered by name as blocks of bytes)
// travels through a clipboard store that the display provides; until one is installed, and in
// tests, an in-memory store stands in. Also the movable memory blocks clipboard data comes in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiMetafile.h"
#include "platform/winapi/WinCore.h"

// ---- Memory blocks ---------------------------------------------------------------------------

using HGLOBAL = void*;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_DDESHARE = 0x2000;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// A block of bytes behind a handle (always zero-filled here); null for a size of 0 or more than
// 1 GiB, with ERROR_NOT_ENOUGH_MEMORY.
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// The bytes of the block (they stay where they are until it is freed), counting a lock.
void* GlobalLock(HGLOBAL block);
// False once no lock is left (with the last error 0), as the classic call answers.
BOOL GlobalUnlock(HGLOBAL block);
// Null when freed; the handle itself when it is not a block.
HGLOBAL GlobalFree(HGLOBAL block);
std::size_t GlobalSize(HGLOBAL block);

// ---- Formats -------------------------------------------------------------------------------

constexpr UINT CF_TEXT = 1;         // UTF-8 text with a NUL, in a memory block
constexpr UINT CF_BITMAP = 2;       // an HBITMAP
constexpr UINT CF_METAFILEPICT = 3; // a METAFILEPICT in a memory block
constexpr UINT CF_UNICODETEXT = 13; // UTF-16 text with a NUL, in a memory block
constexpr UINT CF_ENHMETAFILE = 14; // an HENHMETAFILE

struct HMETAFILE__;
using HMETAFILE = HMETAFILE__*;

struct METAFILEPICT {
    LONG mm = 0;
    LONG xExt = 0;
    LONG yExt = 0;
    HMETAFILE hMF = nullptr;
};

// A metafile picture (the picture of a CF_METAFILEPICT block) holds a recorded picture of
// GdiMetafile.h here: MetaFileOfEnhMetaFile makes one from a copy of a picture,
// EnhMetaFileOfMetaFile gives a copy of the picture it holds (null for an invalid handle),
// DeleteMetaFile frees it. CF_METAFILEPICT and CF_ENHMETAFILE stand in for each other on the
// clipboard, the block's extent in hundredths of a millimetre (MM_ANISOTROPIC).
HMETAFILE MetaFileOfEnhMetaFile(HENHMETAFILE picture);
HENHMETAFILE EnhMetaFileOfMetaFile(HMETAFILE metafile);
BOOL DeleteMetaFile(HMETAFILE metafile);

// Ids from 0xC000 on; the same name (ASCII case ignored) gives the same id. 0 for an empty name.
UINT RegisterClipboardFormatA(LPCSTR name);
inline UINT RegisterClipboardFormat(LPCSTR name) { return RegisterClipboardFormatA(name); }

// ---- The clipboard -------------------------------------------------------------------------

constexpr DWORD ERROR_CLIPBOARD_NOT_OPEN = 1418;

// One thread at a time has the clipboard open; opening it again on that thread succeeds.
// Opening takes in what another program put on the system's clipboard since.
BOOL OpenClipboard(HWND owner);
// Hands what was put since the opening to the system's clipboard.
BOOL CloseClipboard();
// Frees every piece of data; the opening window becomes the owner.
BOOL EmptyClipboard();
// The clipboard takes the data (a memory block, or the bitmap for CF_BITMAP) and frees it when
// it is emptied; the data that format had before is freed now. Returns data, or null when the
// clipboard is not open or data is not of the kind the format needs.
HANDLE SetClipboardData(UINT format, HANDLE data);
// Data that stays the clipboard's. CF_TEXT and CF_UNICODETEXT stand in for each other.
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
int CountClipboardFormats();
// The format after the one given (0: the first); 0 after the last.
UINT EnumClipboardFormats(UINT format);
HWND GetClipboardOwner();

// ---- The system side -----------------------------------------------------------------------

// What the system's clipboard carries.
struct TClipboardContents {
    bool HasText = false;
    std::u16string Text;
    bool HasImage = false;
    int ImageWidth = 0;
    int ImageHeight = 0;
    std::vector<std::uint32_t> ImagePixels; // 0x00RRGGBB, rows top-down
    // Formats registered by name, with their bytes.
    std::vector<std::pair<std::string, std::string>> Blocks;
};

// The system's clipboard, as the display provides it.
class TClipboardStore {
public:
    virtual ~TClipboardStore() = default;
    // Replaces what the clipboard holds.
    virtual void Write(const TClipboardContents& contents) = 0;
    virtual TClipboardContents Read() = 0;
    // A number that changes whenever the contents change, whoever changed them.
    virtual std::uint64_t Sequence() = 0;
};

// A clipboard of the program's own: the store until a display installs one, and the one tests
// use (Replace plays another program putting something on it).
class TMemoryClipboardStore : public TClipboardStore {
public:
    void Write(const TClipboardContents& contents) override;
    TClipboardContents Read() override;
    std::uint64_t Sequence() override;
    void Replace(const TClipboardContents& contents) { Write(contents); }

private:
    TClipboardContents FContents;
    std::uint64_t FSequence = 0;
};

// Installs the store (null: the built-in memory store) and returns the one before (null for the
// built-in one); the store must outlive its use. Data of the program's that the system cannot carry (metafile
// pictures) stays with the program until the clipboard changes.
TClipboardStore* SetClipboardStore(TClipboardStore* store);
