// Resources compiled into the program: a registry of named, typed blocks of bytes that the
// generated sources of kov_add_resources (cmake/Resources.cmake) fill at start-up, the
// FindResource family over it, and TResourceStream for reading one.
//
// Every library is linked into the one program, so there is one table of resources and every
// instance handle (HInstance is 0) names it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/WinTypes.h"

// Handle types of the resource functions (the same definitions may appear elsewhere).
using HRSRC = void*;
using LPVOID = void*;

// The program's instance.
inline constexpr HINSTANCE HInstance = nullptr;

// A resource numbered instead of named: the number travels in the value of the pointer.
#ifndef MAKEINTRESOURCEA
#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(i))))
#endif
#ifndef MAKEINTRESOURCE
#define MAKEINTRESOURCE MAKEINTRESOURCEA
#endif
#ifndef IS_INTRESOURCE
#define IS_INTRESOURCE(p) ((reinterpret_cast<std::uintptr_t>(p) >> 16) == 0)
#endif

// The numbered resource types. The texts "RT_CURSOR" ... "RT_HTML" name the same types.
#ifndef RT_CURSOR
#define RT_CURSOR MAKEINTRESOURCE(1)
#define RT_BITMAP MAKEINTRESOURCE(2)
#define RT_ICON MAKEINTRESOURCE(3)
#define RT_MENU MAKEINTRESOURCE(4)
#define RT_DIALOG MAKEINTRESOURCE(5)
#define RT_STRING MAKEINTRESOURCE(6)
#define RT_FONTDIR MAKEINTRESOURCE(7)
#define RT_FONT MAKEINTRESOURCE(8)
#define RT_ACCELERATOR MAKEINTRESOURCE(9)
#define RT_RCDATA MAKEINTRESOURCE(10)
#define RT_MESSAGETABLE MAKEINTRESOURCE(11)
#define RT_GROUP_CURSOR MAKEINTRESOURCE(12)
#define RT_GROUP_ICON MAKEINTRESOURCE(14)
#define RT_VERSION MAKEINTRESOURCE(16)
#define RT_HTML MAKEINTRESOURCE(23)
#endif

// The name or the type of a resource: a text, compared without regard to case, or a number
// 0..65535. A text "#nnn" means the number, and a text "RT_xxx" of the list above means that
// type's number.
class TResourceId {
public:
    // A text, or a number made with MAKEINTRESOURCE. nullptr gives the empty text.
    TResourceId(LPCSTR id);
    TResourceId(const String& text);
    TResourceId(int number);

    bool IsNumber() const { return FIsNumber; }
    Word Number() const { return FNumber; }
    // The text as given, or "#nnn" for a number.
    const String& Text() const { return FText; }
    // How error messages show it: the text, or the number in decimal.
    String DisplayText() const;
    // The form that lookups compare: upper-case text, or "#nnn".
    const String& Key() const { return FKey; }

private:
    void SetText(const String& text);
    void SetNumber(Word number);

    bool FIsNumber = false;
    Word FNumber = 0;
    String FText;
    String FKey;
};

// One registered resource. Data stays where the registration put it (static arrays in the
// program); it must not be written to.
struct TResourceInfo {
    String Name; // as registered ("#nnn" for a number)
    String Type; // as registered ("#nnn" for a number, RT_RCDATA gives "#10")
    const void* Data = nullptr;
    std::size_t Size = 0;
};

// Adds a resource; the bytes are not copied and must outlive the program's use of them.
// Returns false, keeping the earlier one, when the name and type are already registered.
// Safe to call during static initialisation.
bool RegisterResource(const TResourceId& name, const TResourceId& type, const void* data, std::size_t size);

// Every registered resource, or those of one type, ordered by type and name.
std::vector<TResourceInfo> EnumResources();
std::vector<TResourceInfo> EnumResources(const TResourceId& type);

// nullptr when there is no such resource.
HRSRC FindResourceA(HMODULE module, const TResourceId& name, const TResourceId& type);
HRSRC FindResource(HMODULE module, const TResourceId& name, const TResourceId& type);
// The resource's bytes (nullptr for a null HRSRC).
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
// Resources live as long as the program; there is nothing to free.
BOOL FreeResource(HGLOBAL data);

// A read-only stream over a resource's bytes.
class TResourceStream : public TCustomMemoryStream {
    KOV_CLASS(TResourceStream, TCustomMemoryStream)
public:
    // Raises EResNotFound "Resource <name> not found".
    TResourceStream(HINSTANCE instance, const TResourceId& name, const TResourceId& type);

    // Raises EStreamError "Can't write to a read-only resource stream".
    Integer Write(const void* buffer, Integer count) override;
};
