// The clipboard object of the class library: text, a test for a format, and pictures and
// graphics put on the clipboard and taken from it through their clipboard formats. The data
// travel through the window system's clipboard (platform/winapi/Clipboard.h).
#pragma once

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Components.h"
#include "platform/winapi/Clipboard.h"

// Not a format anything is stored in: HasFormat(CF_PICTURE) tells whether the clipboard holds a
// format that TPicture can take (a bitmap, a device-independent bitmap, a metafile, or any
// format a graphic class registered).
extern const UINT CF_PICTURE;

class TClipboard : public TPersistent {
    KOV_CLASS(TClipboard, TPersistent)
public:
    TClipboard() = default;
    ~TClipboard() override;

    // Opening is counted: the window system's clipboard opens at the first Open and closes at
    // the matching Close. Raises Exception "Cannot open clipboard" when it cannot be opened.
    void Open();
    void Close();
    // Empties the clipboard (opening it for the call when it is not open).
    void Clear();

    bool HasFormat(UINT format);
    Integer GetFormatCount();
    // The index-th format, 0 outside the list.
    UINT GetFormats(Integer index);

    // The text (CF_TEXT or CF_UNICODETEXT), empty when there is none. Setting replaces what
    // the clipboard holds.
    String GetAsText();
    void SetAsText(const String& value);

    // A picture or a graphic goes on the clipboard in the format its graphic gives (the
    // clipboard emptied first; an empty picture leaves the clipboard empty); other sources
    // raise as TPersistent does.
    void Assign(TPersistent* source) override;

protected:
    // Into a picture: the first clipboard format the picture takes; into a graphic: the first
    // format that graphic can load. Raises EInvalidGraphic "Unsupported clipboard format" when
    // the clipboard holds none of them.
    void AssignTo(TPersistent* dest) override;

private:
    void PutGraphic(TGraphic* graphic);
    Integer FOpenRefCount = 0;
};

// The process's clipboard object, made on first use. SetClipboard installs another (null: the
// process's own again) and returns the one before; the caller keeps ownership of what it
// installs.
TClipboard* Clipboard();
TClipboard* SetClipboard(TClipboard* clipboard);
