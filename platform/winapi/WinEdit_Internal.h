// The edit window class's own state, shared by its source files (WinEdit*.cpp) only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/winapi/GdiText.h"
#include "platform/winapi/WinEdit.h"

namespace WinEditImpl {

// One line as it is shown: a hard line, or a piece of one that word wrap made.
struct TLine {
    int Start = 0;  // offset of its first character
    int Length = 0; // characters, without the line break
    int Break = 0;  // characters of the line break after it (0, 1 or 2; 0 for a wrapped piece)
    int Width = 0;  // pixels
};

struct TUndo {
    bool Valid = false;
    int Pos = 0;            // where the change was made
    std::u32string Deleted; // what it took away
    int Inserted = 0;       // characters it put in at Pos
};

// What a scroll bar was last told.
struct TScrollState {
    int Max = -1;
    int Page = -1;
    int Pos = -1;
};

struct TEdit {
    HWND Handle = nullptr;
    bool Dead = false; // WM_NCDESTROY came
    DWORD Style = 0;

    std::u32string Text;
    int Anchor = 0;
    int Caret = 0;
    // The caret stands at the end of a wrapped line rather than at the start of the next one
    // (the same offset).
    bool CaretAtLineEnd = false;
    int PreferredX = -1; // the column Up and Down keep to (content pixels), -1: none yet
    Int64 Limit = 32767;
    bool Modified = false;
    char32_t PasswordChar = 0;
    TUndo Undo;
    bool UndoOpen = false; // the next typing or deletion may join the undo record

    HFONT Font = nullptr; // null: the system font
    int MarginLeft = 0;
    int MarginRight = 0;
    RECT Format{};          // the formatting rectangle
    bool FormatSet = false; // set by EM_SETRECT(NP) rather than following the client area
    int FirstLine = 0;      // multi-line: the first visible line
    int ScrollX = 0;        // pixels the text is scrolled to the left

    // Layout.
    std::vector<TLine> Lines;
    std::vector<int> Advance; // per character, without tab expansion (a tab: 0)
    int LineHeight = 16;
    int AveCharWidth = 8;
    int MaxWidth = 0;

    TScrollState VertBar;
    TScrollState HorzBar;

    bool Focused = false;
    bool Dragging = false;
    POINT DragPoint{};
    bool DragTimer = false;

    bool Multi() const { return (Style & ES_MULTILINE) != 0; }
    bool ReadOnly() const { return (Style & ES_READONLY) != 0; }
    bool AutoH() const { return (Style & ES_AUTOHSCROLL) || (Multi() && (Style & WS_HSCROLL)); }
    bool AutoV() const { return (Style & ES_AUTOVSCROLL) || (Style & WS_VSCROLL); }
    bool Wraps() const { return Multi() && !AutoH(); }
    int Length() const { return int(Text.size()); }
    int SelStart() const { return Anchor < Caret ? Anchor : Caret; }
    int SelEnd() const { return Anchor < Caret ? Caret : Anchor; }
};

std::shared_ptr<TEdit> FindEdit(HWND window);

// ---- Text and layout (WinEdit_Text.cpp) ------------------------------------------------------

std::u32string DecodeUtf8(const char* text, std::size_t bytes);
std::u32string DecodeUtf8(const String& text);
String EncodeUtf8(const std::u32string& text, std::size_t from = 0, std::size_t count = std::u32string::npos);
std::u16string EncodeUtf16(const std::u32string& text, std::size_t from, std::size_t count);

bool IsBlank(char32_t c);
bool IsLineBreak(char32_t c);

// A memory context with the edit's font selected, for measuring.
class TMeasure {
public:
    explicit TMeasure(const TEdit& e);
    ~TMeasure();
    TMeasure(const TMeasure&) = delete;
    TMeasure& operator=(const TMeasure&) = delete;
    HDC Dc = nullptr;

private:
    HGDIOBJ FOld = nullptr;
};
HFONT EditFont(const TEdit& e);
// The advance of the character at offset when it starts x pixels into its line (tabs).
int CharAdvance(const TEdit& e, int offset, int x);

// Recomputes the formatting rectangle (unless set), the font metrics and the lines.
void UpdateFormatRect(TEdit& e);
void Relayout(TEdit& e);

int LineOf(const TEdit& e, int offset);
// The line the caret is shown on.
int CaretLine(const TEdit& e);
int VisibleLines(const TEdit& e);
// Content pixels from a line's start to the offset (tabs expanded).
int XInLine(const TEdit& e, int line, int offset);
// Client x of a line's start, with alignment and scrolling.
int LineOriginX(const TEdit& e, int line);
int LineTopY(const TEdit& e, int line);
// The client position of the top-left of the character at offset (or of the end of the text).
POINT PosOfOffset(const TEdit& e, int offset, bool atLineEnd = false);
POINT CaretPos(const TEdit& e);
// The offset nearest a client point; atLineEnd tells whether it is the end of a wrapped line.
int OffsetInLine(const TEdit& e, int line, int clientX, bool* atLineEnd = nullptr);
int OffsetAt(const TEdit& e, POINT client, bool* atLineEnd = nullptr);
int WordLeft(const TEdit& e, int offset);
int WordRight(const TEdit& e, int offset);
// Keeps an offset off the middle of a CR LF pair.
int Snap(const TEdit& e, int offset);

// ---- The window (WinEdit.cpp) ----------------------------------------------------------------

// WM_COMMAND to the parent; false when the edit did not survive it.
bool Notify(TEdit& e, WORD code);
// Makes the caret visible by scrolling; true when the view moved.
bool ScrollToCaret(TEdit& e);
void UpdateCaret(TEdit& e);
void UpdateScrollBars(TEdit& e);
void Redraw(TEdit& e);
// After a change of the selection or caret by the user or the program.
void SelectionChanged(TEdit& e);
enum class TUndoKind { Fresh, Typing, Backspace, Delete, None };
// Replaces the selection with text within the limits, recording undo; sends EN_UPDATE and
// EN_CHANGE (and EN_MAXTEXT when the text did not fit). False when nothing changed or the edit
// was destroyed meanwhile.
bool ReplaceSelection(TEdit& e, std::u32string text, TUndoKind undo, bool applyLimit);
bool DoUndo(TEdit& e);
void SyncWindowText(TEdit& e);

// ---- Input (WinEdit_Input.cpp) ---------------------------------------------------------------

void OnKeyDown(TEdit& e, WPARAM key);
void OnChar(TEdit& e, char32_t ch);
void OnMouseDown(TEdit& e, POINT p, WPARAM keys, bool doubleClick);
void OnMouseMove(TEdit& e, POINT p);
void OnMouseUp(TEdit& e);
void OnDragTimer(TEdit& e);
void CopySelection(TEdit& e);
void CutSelection(TEdit& e);
void PasteClipboard(TEdit& e);
void ClearSelection(TEdit& e);
void OnContextMenu(TEdit& e, LPARAM screen);
constexpr UINT_PTR DragTimerId = 0x4544;

// ---- Painting (WinEdit_Paint.cpp) --------------------------------------------------------------

// WM_PAINT; with a context given (WM_PAINT's wParam, WM_PRINTCLIENT) the edit paints into it.
void Paint(TEdit& e, HDC given);

} // namespace WinEditImpl
