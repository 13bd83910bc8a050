// The message maps of the control classes, cursor identifiers and shift states.
#include <map>
#include <mutex>
#include <unordered_map>

#include "platform/classlib/Controls.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Cursor.h"

// ---- Message maps ---------------------------------------------------------------------------------

namespace {

using THandlerMap = std::unordered_map<UINT, kov_detail::TMessageThunk>;

// Registered at start-up (static initialisation) and read afterwards; the lock keeps the
// registration of classes loaded later safe too.
std::mutex& MapLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}
std::unordered_map<TClass, THandlerMap>& Maps() {
    static auto* maps = new std::unordered_map<TClass, THandlerMap>;
    return *maps;
}

}  // namespace

namespace kov_detail {

void AddMessageHandler(TClass cls, UINT message, TMessageThunk thunk) {
    std::lock_guard<std::mutex> guard(MapLock());
    Maps()[cls][message] = std::move(thunk);
}

const TMessageThunk* FindMessageHandler(TClass cls, UINT message) {
    std::lock_guard<std::mutex> guard(MapLock());
    auto& maps = Maps();
    for (TClass c = cls; c != nullptr; c = c->ClassParent()) {
        auto it = maps.find(c);
        if (it == maps.end()) continue;
        auto h = it->second.find(message);
        if (h != it->second.end()) return &h->second;
    }
    return nullptr;
}

}  // namespace kov_detail

// ---- Cursors ----------------------------------------------------------------------------------------

namespace {

struct TCursorIdent {
    TCursor Value;
    const char* Name;
};

// crSize and crSizeAll share -22; the number reads back as crSizeAll, the later name.
const TCursorIdent kCursors[] = {
    {crDefault, "crDefault"},   {crNone, "crNone"},         {crArrow, "crArrow"},
    {crCross, "crCross"},       {crIBeam, "crIBeam"},       {crSize, "crSize"},
    {crSizeNESW, "crSizeNESW"}, {crSizeNS, "crSizeNS"},     {crSizeNWSE, "crSizeNWSE"},
    {crSizeWE, "crSizeWE"},     {crUpArrow, "crUpArrow"},   {crHourGlass, "crHourGlass"},
    {crDrag, "crDrag"},         {crNoDrop, "crNoDrop"},     {crHSplit, "crHSplit"},
    {crVSplit, "crVSplit"},     {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"},
    {crNo, "crNo"},             {crAppStart, "crAppStart"}, {crHelp, "crHelp"},
    {crHandPoint, "crHandPoint"}, {crSizeAll, "crSizeAll"},
};

}  // namespace

bool CursorToIdent(Integer cursor, String& ident) {
    const TCursorIdent* found = nullptr;
    for (const TCursorIdent& c : kCursors)
        if (c.Value == cursor) found = &c;
    if (found == nullptr) return false;
    ident = found->Name;
    return true;
}

bool IdentToCursor(const String& ident, Integer& cursor) {
    for (const TCursorIdent& c : kCursors)
        if (SameText(ident, c.Name)) {
            cursor = c.Value;
            return true;
        }
    return false;
}

void GetCursorValues(const std::function<void(const String&)>& proc) {
    for (const TCursorIdent& c : kCursors) proc(c.Name);
}

String CursorToString(TCursor cursor) {
    String ident;
    if (CursorToIdent(cursor, ident)) return ident;
    return IntToStr(Integer(cursor));
}

TCursor StringToCursor(const String& text) {
    Integer value = 0;
    if (!IdentToCursor(text, value)) value = StrToInt(text);
    return TCursor(value);
}

HCURSOR CursorHandle(TCursor cursor) {
    LPCSTR id = IDC_ARROW;
    const char* named = nullptr;
    switch (cursor) {
    case crNone: return nullptr;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass: id = IDC_WAIT; break;
    case crNo: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crDrag: named = "DRAG"; break;
    case crNoDrop: named = "NODROP"; break;
    case crHSplit: named = "HSPLIT"; break;
    case crVSplit: named = "VSPLIT"; break;
    case crMultiDrag: named = "MULTIDRAG"; break;
    case crSQLWait: named = "SQLWAIT"; break;
    default: break;
    }
    HCURSOR handle = LoadCursorA(nullptr, named != nullptr ? named : id);
    return handle != nullptr ? handle : LoadCursorA(nullptr, IDC_ARROW);
}

// ---- Shift states ----------------------------------------------------------------------------------

namespace {

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

}  // namespace

TShiftState KeysToShiftState(WORD keys) {
    TShiftState shift;
    if (keys & MK_SHIFT) shift.Include(ssShift);
    if (keys & MK_CONTROL) shift.Include(ssCtrl);
    if (keys & MK_LBUTTON) shift.Include(ssLeft);
    if (keys & MK_RBUTTON) shift.Include(ssRight);
    if (keys & MK_MBUTTON) shift.Include(ssMiddle);
    if (KeyDown(VK_MENU)) shift.Include(ssAlt);
    return shift;
}

TShiftState KeyDataToShiftState(LONG keyData) {
    TShiftState shift;
    if (KeyDown(VK_SHIFT)) shift.Include(ssShift);
    if (KeyDown(VK_CONTROL)) shift.Include(ssCtrl);
    if (keyData & 0x20000000) shift.Include(ssAlt);
    return shift;
}

TShiftState GetShiftState() {
    TShiftState shift;
    if (KeyDown(VK_SHIFT)) shift.Include(ssShift);
    if (KeyDown(VK_CONTROL)) shift.Include(ssCtrl);
    if (KeyDown(VK_MENU)) shift.Include(ssAlt);
    if (KeyDown(VK_LBUTTON)) shift.Include(ssLeft);
    if (KeyDown(VK_RBUTTON)) shift.Include(ssRight);
    if (KeyDown(VK_MBUTTON)) shift.Include(ssMiddle);
    return shift;
}
