#include "platform/classlib/Mask.h"

#include <algorithm>
#include <cstring>

#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinEdit.h"

namespace {

const char* const kMaskEditError = "Invalid input value.  Use escape key to abandon changes";

std::u32string Decode(const String& s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size(); i = Utf8Next(s, i))
        out.push_back(Utf8CodePointAt(s, i));
    return out;
}

String Encode(const std::u32string& s) {
    String out;
    for (char32_t c : s)
        out += Utf8FromCodePoint(c);
    return out;
}

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

bool IsLetter(char32_t c) {
    if ((c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z')) return true;
    if (c < 0x80) return false;
    // Letters with case, and the ideographs people type as words.
    return UnicodeToUpper(c) != c || UnicodeToLower(c) != c || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF);
}

// The kind of every character of a mask, in one pass from the start (a backslash makes the
// character after it a literal, so a character cannot be judged alone).
std::vector<TMaskCharType> Classify(const std::u32string& mask) {
    std::vector<TMaskCharType> types(mask.size(), mcNone);
    bool fields = false;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        const char32_t c = mask[i];
        if (fields) {
            types[i] = mcField;
            continue;
        }
        switch (c) {
        case U'\\':
            types[i] = mcDirective;
            if (i + 1 < mask.size()) types[++i] = mcLiteral;
            break;
        case U';':
            types[i] = mcFieldSeparator;
            fields = true;
            break;
        case U'>':
        case U'<':
        case U'!':
            types[i] = mcDirective;
            break;
        case U':':
        case U'/':
            types[i] = mcIntlLiteral;
            break;
        case U'L':
        case U'A':
        case U'C':
        case U'0':
            types[i] = mcMask;
            break;
        case U'l':
        case U'a':
        case U'c':
        case U'9':
        case U'#':
            types[i] = mcMaskOpt;
            break;
        default:
            types[i] = mcLiteral;
            break;
        }
    }
    return types;
}

bool IsPosition(TMaskCharType type) {
    return type == mcLiteral || type == mcIntlLiteral || type == mcMask || type == mcMaskOpt;
}

char32_t ConvertCase(char32_t c, int conversion) {
    if (conversion == 1) return UnicodeToUpper(c);
    if (conversion == 2) return UnicodeToLower(c);
    return c;
}

}  // namespace

// ---- Helpers ------------------------------------------------------------------------------------

Integer MaskGetFldSeparator(const String& editMask) {
    const auto types = Classify(Decode(editMask));
    for (std::size_t i = 0; i < types.size(); ++i)
        if (types[i] == mcFieldSeparator) return Integer(i);
    return -1;
}

bool MaskGetMaskSave(const String& editMask) {
    const std::u32string mask = Decode(editMask);
    const Integer at = MaskGetFldSeparator(editMask);
    if (at < 0 || std::size_t(at) + 1 >= mask.size()) return true;
    return mask[std::size_t(at) + 1] != char32_t(MaskNoSave);
}

char32_t MaskGetMaskBlank(const String& editMask) {
    const std::u32string mask = Decode(editMask);
    const Integer at = MaskGetFldSeparator(editMask);
    if (at < 0) return DefaultBlank;
    const std::size_t second = mask.find(U';', std::size_t(at) + 1);
    if (second == std::u32string::npos || second + 1 >= mask.size()) return DefaultBlank;
    return mask[second + 1];
}

TMaskCharType MaskGetCharType(const String& editMask, Integer maskOffset) {
    const auto types = Classify(Decode(editMask));
    if (maskOffset < 0 || std::size_t(maskOffset) >= types.size()) return mcNone;
    return types[std::size_t(maskOffset)];
}

TMaskDirectives MaskGetCurrentDirectives(const String& editMask, Integer maskOffset) {
    const std::u32string mask = Decode(editMask);
    const auto types = Classify(mask);
    TMaskDirectives result;
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (types[i] == mcFieldSeparator) break;
        if (types[i] == mcDirective && mask[i] == U'!') result.Include(mdReverseDir);
    }
    for (std::size_t i = 0; i < types.size() && Integer(i) < maskOffset; ++i) {
        if (types[i] != mcDirective) continue;
        if (mask[i] == U'>') {
            result.Exclude(mdLowerCase);
            result.Include(mdUpperCase);
        } else if (mask[i] == U'<') {
            result.Exclude(mdUpperCase);
            if (i + 1 < mask.size() && mask[i + 1] == U'>') {
                ++i;  // "<>" ends the case change
            } else {
                result.Include(mdLowerCase);
            }
        }
    }
    if (maskOffset > 0 && std::size_t(maskOffset) < types.size() && types[std::size_t(maskOffset)] == mcLiteral &&
        mask[std::size_t(maskOffset) - 1] == U'\\' && types[std::size_t(maskOffset) - 1] == mcDirective)
        result.Include(mdLiteralChar);
    return result;
}

char32_t MaskIntlLiteralToChar(char32_t c) {
    if (c == U':') return char32_t(static_cast<unsigned char>(FormatSettings.TimeSeparator));
    if (c == U'/') return char32_t(static_cast<unsigned char>(FormatSettings.DateSeparator));
    return c;
}

Integer MaskOffsetToOffset(const String& editMask, Integer maskOffset) {
    const auto types = Classify(Decode(editMask));
    Integer offset = 0;
    for (std::size_t i = 0; i < types.size() && Integer(i) < maskOffset; ++i) {
        if (types[i] == mcFieldSeparator || types[i] == mcField) return -1;
        if (IsPosition(types[i])) ++offset;
    }
    return offset;
}

Integer OffsetToMaskOffset(const String& editMask, Integer offset) {
    const auto types = Classify(Decode(editMask));
    Integer seen = 0;
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (!IsPosition(types[i])) continue;
        if (seen == offset) return Integer(i);
        ++seen;
    }
    return -1;
}

bool IsLiteralChar(const String& editMask, Integer offset) {
    const TMaskLayout layout(editMask);
    return offset >= 0 && offset < layout.Count() && layout.Positions[std::size_t(offset)].Literal;
}

String PadInputLiterals(const String& editMask, const String& value, char32_t blank) {
    const TMaskLayout layout(editMask);
    const std::u32string in = Decode(value);
    std::u32string out;
    std::size_t v = 0;
    for (const TMaskPosition& p : layout.Positions) {
        if (p.Literal) {
            if (v < in.size() && in[v] == p.Char) ++v;
            out.push_back(p.Char);
        } else if (v < in.size()) {
            const char32_t c = in[v++];
            out.push_back(c == U' ' ? blank : ConvertCase(c, p.CaseConversion));
        } else {
            out.push_back(blank);
        }
    }
    return Encode(out);
}

String MaskDoFormatText(const String& editMask, const String& value, char32_t blank) {
    const TMaskLayout layout(editMask);
    const std::u32string in = Decode(value);
    const std::size_t n = layout.Positions.size();
    std::u32string out(n, blank);
    auto place = [&](std::size_t i, std::size_t v) {
        const TMaskPosition& p = layout.Positions[i];
        const char32_t c = in[v];
        out[i] = c == U' ' ? blank : ConvertCase(c, p.CaseConversion);
    };
    if (layout.Reverse) {
        std::size_t v = in.size();
        for (std::size_t i = n; i-- > 0;) {
            if (layout.Positions[i].Literal) {
                out[i] = layout.Positions[i].Char;
            } else if (v > 0) {
                place(i, --v);
            }
        }
    } else {
        std::size_t v = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (layout.Positions[i].Literal) {
                out[i] = layout.Positions[i].Char;
            } else if (v < in.size()) {
                place(i, v++);
            }
        }
    }
    return Encode(out);
}

String FormatMaskText(const String& editMask, const String& value) {
    if (MaskGetMaskSave(editMask)) return PadInputLiterals(editMask, value, U' ');
    return MaskDoFormatText(editMask, value, U' ');
}

// ---- TMaskLayout -----------------------------------------------------------------------------------

TMaskLayout::TMaskLayout(const String& editMask) {
    const std::u32string mask = Decode(editMask);
    const auto types = Classify(mask);
    Save = MaskGetMaskSave(editMask);
    Blank = MaskGetMaskBlank(editMask);
    int conversion = 0;
    for (std::size_t i = 0; i < types.size(); ++i) {
        const char32_t c = mask[i];
        switch (types[i]) {
        case mcDirective:
            if (c == U'!') Reverse = true;
            if (c == U'>') conversion = 1;
            if (c == U'<') {
                if (i + 1 < mask.size() && mask[i + 1] == U'>') {
                    conversion = 0;
                    ++i;
                } else {
                    conversion = 2;
                }
            }
            break;
        case mcLiteral:
            Positions.push_back(TMaskPosition{true, c, false, 0});
            break;
        case mcIntlLiteral:
            Positions.push_back(TMaskPosition{true, MaskIntlLiteralToChar(c), false, 0});
            break;
        case mcMask:
        case mcMaskOpt:
            Positions.push_back(TMaskPosition{false, c, types[i] == mcMask, conversion});
            break;
        default:
            break;
        }
        if (types[i] == mcFieldSeparator) break;
    }
}

bool TMaskLayout::Accepts(Integer position, char32_t& c) const {
    if (position < 0 || position >= Count()) return false;
    const TMaskPosition& p = Positions[std::size_t(position)];
    if (p.Literal) return c == p.Char;
    c = ConvertCase(c, p.CaseConversion);
    switch (p.Char) {
    case U'L':
    case U'l':
        return IsLetter(c);
    case U'A':
    case U'a':
        return IsLetter(c) || IsDigit(c);
    case U'0':
    case U'9':
        return IsDigit(c);
    case U'#':
        return IsDigit(c) || c == U'+' || c == U'-';
    default:  // C, c
        return c >= 0x20;
    }
}

Integer TMaskLayout::FirstInvalid(const std::u32string& text) const {
    for (Integer i = 0; i < Count(); ++i) {
        const TMaskPosition& p = Positions[std::size_t(i)];
        if (p.Literal) continue;
        if (std::size_t(i) >= text.size()) return i;
        char32_t c = text[std::size_t(i)];
        if (c == Blank || c == U' ') {
            if (p.Required) return i;
            continue;
        }
        if (!Accepts(i, c)) return i;
    }
    return -1;
}

// ---- TCustomMaskEdit --------------------------------------------------------------------------------

TCustomMaskEdit::TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {}

void TCustomMaskEdit::SetEditMask(const String& value) {
    if (value == FEditMask) return;
    // The value (without literals, blanks as spaces) is kept across the change.
    String old;
    if (IsMasked()) {
        const std::u32string text = Current();
        std::u32string raw;
        for (Integer i = 0; i < FLayout.Count() && std::size_t(i) < text.size(); ++i)
            if (!FLayout.Positions[std::size_t(i)].Literal)
                raw.push_back(text[std::size_t(i)] == FLayout.Blank ? U' ' : text[std::size_t(i)]);
        old = Encode(raw);
    } else {
        old = TCustomEdit::GetText();
    }
    FEditMask = value;
    FLayout = TMaskLayout(value);
    if (IsMasked()) {
        SetEditText(MaskDoFormatText(FEditMask, old, FLayout.Blank));
    } else {
        TCustomEdit::SetText(old);
    }
}

String TCustomMaskEdit::GetEditText() const { return TCustomEdit::GetText(); }

void TCustomMaskEdit::SetEditText(const String& value) {
    TCustomEdit::SetText(value);
    if (IsMasked() && HandleAllocated() && GetFocus() == FHandle) SetCursor(0);
}

String TCustomMaskEdit::GetText() const {
    if (!IsMasked()) return TCustomEdit::GetText();
    const std::u32string text = Current();
    std::u32string out;
    for (Integer i = 0; i < FLayout.Count() && std::size_t(i) < text.size(); ++i) {
        const TMaskPosition& p = FLayout.Positions[std::size_t(i)];
        const char32_t c = text[std::size_t(i)];
        if (p.Literal) {
            if (FLayout.Save) out.push_back(c);
        } else {
            out.push_back(c == FLayout.Blank ? U' ' : c);
        }
    }
    return Encode(out);
}

void TCustomMaskEdit::SetText(const String& value) {
    if (!IsMasked()) {
        TCustomEdit::SetText(value);
        return;
    }
    SetEditText(FLayout.Save ? PadInputLiterals(FEditMask, value, FLayout.Blank)
                             : MaskDoFormatText(FEditMask, value, FLayout.Blank));
}

void TCustomMaskEdit::ValidateEdit() {
    if (!IsMasked() || !GetModified()) return;
    const Integer bad = FLayout.FirstInvalid(Current());
    if (bad < 0) return;
    if (!GetComponentState().Contains(csDesigning) && HandleAllocated() && CanFocus()) {
        // Coming back from elsewhere is no new entry: the text to go back to stays.
        FReEnter = GetFocus() != FHandle;
        SetFocus();
    }
    if (HandleAllocated()) SetCursor(bad);
    ValidateError();
}

void TCustomMaskEdit::ValidateError() {
    MessageBeep(0);
    throw EDBEditError(kMaskEditError);
}

void TCustomMaskEdit::Reset() {
    if (!GetModified()) return;
    SetEditText(FOldValue);
    SetModified(false);
}

std::u32string TCustomMaskEdit::Current() const { return Decode(GetEditText()); }

void TCustomMaskEdit::GetSel(Integer& start, Integer& end) const {
    DWORD s = 0, e = 0;
    const_cast<TCustomMaskEdit*>(this)->Perform(EM_GETSEL, WPARAM(&s), LPARAM(&e));
    start = Integer(s);
    end = Integer(e);
}

Integer TCustomMaskEdit::NextInput(Integer position) const {
    for (Integer i = std::max(position, 0); i < FLayout.Count(); ++i)
        if (!FLayout.Positions[std::size_t(i)].Literal) return i;
    return FLayout.Count();
}

Integer TCustomMaskEdit::PrevInput(Integer position) const {
    for (Integer i = std::min(position, FLayout.Count()) - 1; i >= 0; --i)
        if (!FLayout.Positions[std::size_t(i)].Literal) return i;
    return -1;
}

void TCustomMaskEdit::SetCursor(Integer position) {
    if (!HandleAllocated()) return;
    const Integer length = Integer(Current().size());
    Integer at = std::clamp(position, 0, length);
    if (IsMasked() && at < length) at = std::min(NextInput(at), length);
    if (IsMasked() && at < length)
        Perform(EM_SETSEL, WPARAM(at), LPARAM(at + 1));
    else
        Perform(EM_SETSEL, WPARAM(at), LPARAM(at));
    Perform(EM_SCROLLCARET, 0, 0);
}

void TCustomMaskEdit::CheckCursor() {
    if (!IsMasked() || !HandleAllocated()) return;
    Integer start = 0, end = 0;
    GetSel(start, end);
    if (start == end) SetCursor(start);
}

void TCustomMaskEdit::BlankRange(std::u32string& text, Integer start, Integer end) const {
    for (Integer i = std::max(start, 0); i < end && i < FLayout.Count() && std::size_t(i) < text.size(); ++i)
        text[std::size_t(i)] = FLayout.Positions[std::size_t(i)].Literal ? FLayout.Positions[std::size_t(i)].Char
                                                                          : FLayout.Blank;
}

void TCustomMaskEdit::ApplyEdit(const std::u32string& text, Integer caret) {
    const std::u32string old = Current();
    std::size_t from = 0;
    while (from < old.size() && from < text.size() && old[from] == text[from])
        ++from;
    std::size_t oldEnd = old.size(), newEnd = text.size();
    while (oldEnd > from && newEnd > from && old[oldEnd - 1] == text[newEnd - 1]) {
        --oldEnd;
        --newEnd;
    }
    if (from < oldEnd || from < newEnd) {
        const TLivenessToken alive = LivenessToken();
        Perform(EM_SETSEL, WPARAM(from), LPARAM(oldEnd));
        const String replacement = Encode(text.substr(from, newEnd - from));
        Perform(EM_REPLACESEL, TRUE, LPARAM(replacement.c_str()));
        if (!alive) return;
    }
    SetCursor(caret);
}

void TCustomMaskEdit::InputChar(char32_t c) {
    std::u32string text = Current();
    Integer start = 0, end = 0;
    GetSel(start, end);
    if (end - start > 1) BlankRange(text, start, end);
    Integer at = start;
    // Typing a literal's own character steps over it; other characters go to the next input.
    while (at < FLayout.Count() && FLayout.Positions[std::size_t(at)].Literal) {
        if (FLayout.Positions[std::size_t(at)].Char == c) {
            ApplyEdit(text, at + 1);
            return;
        }
        ++at;
    }
    if (at >= FLayout.Count() || std::size_t(at) >= text.size()) {
        MessageBeep(0);
        return;
    }
    char32_t typed = c;
    if (!FLayout.Accepts(at, typed)) {
        if (!(c == U' ' && !FLayout.Positions[std::size_t(at)].Required)) {
            MessageBeep(0);
            return;
        }
        typed = FLayout.Blank;
    } else if (FLayout.Positions[std::size_t(at)].CaseConversion == 0) {
        if (GetCharCase() == ecUpperCase) typed = UnicodeToUpper(typed);
        if (GetCharCase() == ecLowerCase) typed = UnicodeToLower(typed);
    }
    text[std::size_t(at)] = typed;
    ApplyEdit(text, at + 1);
}

void TCustomMaskEdit::DeleteKeys(bool backspace) {
    std::u32string text = Current();
    Integer start = 0, end = 0;
    GetSel(start, end);
    if (end - start > 1) {
        BlankRange(text, start, end);
    } else if (backspace) {
        // The input position before the caret is emptied and the caret goes there.
        start = PrevInput(start);
        if (start < 0) return;
        BlankRange(text, start, start + 1);
    } else {
        BlankRange(text, start, start + 1);
    }
    ApplyEdit(text, start);
}

void TCustomMaskEdit::KeyDown(Word& key, TShiftState shift) {
    TCustomEdit::KeyDown(key, shift);
    if (key == 0 || !IsMasked() || !HandleAllocated()) return;
    const bool plain = !shift.Contains(ssShift) && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt);
    const bool multiLine = (GetWindowLongA(FHandle, GWL_STYLE) & ES_MULTILINE) != 0;
    Integer start = 0, end = 0;
    GetSel(start, end);
    switch (key) {
    case VK_ESCAPE:
        if (shift.empty() && GetModified()) {
            Reset();
            key = 0;
        }
        break;
    case VK_LEFT:
    case VK_UP:
        if (!plain || (key == VK_UP && multiLine)) break;
        if (end - start > 1)
            SetCursor(start);
        else if (PrevInput(start) >= 0)
            SetCursor(PrevInput(start));
        key = 0;
        break;
    case VK_RIGHT:
    case VK_DOWN:
        if (!plain || (key == VK_DOWN && multiLine)) break;
        if (end - start > 1)
            SetCursor(end - 1);
        else
            SetCursor(std::min(NextInput(start + 1), Integer(Current().size())));
        key = 0;
        break;
    case VK_HOME:
        if (shift.Contains(ssShift)) break;
        SetCursor(0);
        key = 0;
        break;
    case VK_END:
        if (shift.Contains(ssShift)) break;
        SetCursor(Integer(Current().size()));
        key = 0;
        break;
    case VK_DELETE:
        if (shift.Contains(ssShift) || GetReadOnly()) break;  // Shift+Delete cuts
        DeleteKeys(false);
        key = 0;
        break;
    default:
        break;
    }
}

void TCustomMaskEdit::KeyPress(char32_t& key) {
    TCustomEdit::KeyPress(key);
    if (key == 0 || !IsMasked() || !HandleAllocated()) return;
    if (key == 8) {
        if (!GetReadOnly()) DeleteKeys(true);
        key = 0;
    } else if (key >= 0x20 && key != 0x7F) {
        if (!GetReadOnly()) InputChar(key);
        key = 0;
    }
}

void TCustomMaskEdit::CreateWnd() {
    TCustomEdit::CreateWnd();
    if (IsMasked()) CheckCursor();
}

void TCustomMaskEdit::WMKeyDown(TWMKey& message) {
    TMessage m{message.Msg, WPARAM(message.CharCode), LPARAM(message.KeyData), 0};
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(m);
    message.Result = m.Result;
    if (!alive) return;
    // Moves the edit made itself (Ctrl+arrows, lines) leave the caret covering a character.
    if (GetKeyState(VK_SHIFT) >= 0) CheckCursor();
}

void TCustomMaskEdit::WMLButtonUp(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (alive) CheckCursor();
}

void TCustomMaskEdit::WMCut(TMessage& message) {
    if (!IsMasked()) {
        KOV_INHERITED(message);
        return;
    }
    Perform(WM_COPY, 0, 0);
    if (!GetReadOnly()) DeleteKeys(false);
}

void TCustomMaskEdit::WMClear(TMessage& message) {
    if (!IsMasked()) {
        KOV_INHERITED(message);
        return;
    }
    if (!GetReadOnly()) DeleteKeys(false);
}

void TCustomMaskEdit::WMPaste(TMessage& message) {
    if (!IsMasked()) {
        KOV_INHERITED(message);
        return;
    }
    if (GetReadOnly() || !HandleAllocated()) return;
    String pasted;
    if (OpenClipboard(FHandle)) {
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            const char* bytes = static_cast<const char*>(GlobalLock(data));
            if (bytes != nullptr) pasted.assign(bytes, strnlen(bytes, GlobalSize(data)));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    std::u32string text = Current();
    Integer start = 0, end = 0;
    GetSel(start, end);
    BlankRange(text, start, end);
    // Each character goes to the next position that takes it: a literal steps over its own
    // character, an input position takes what its mask allows; the rest is left out.
    Integer at = start;
    for (char32_t c : Decode(pasted)) {
        while (at < FLayout.Count() && FLayout.Positions[std::size_t(at)].Literal &&
               FLayout.Positions[std::size_t(at)].Char != c)
            ++at;
        if (at >= FLayout.Count()) break;
        if (FLayout.Positions[std::size_t(at)].Literal) {
            ++at;
            continue;
        }
        char32_t typed = c;
        if (!FLayout.Accepts(at, typed)) continue;
        text[std::size_t(at)] = typed;
        ++at;
    }
    ApplyEdit(text, at);
}

void TCustomMaskEdit::CMEnter(TMessage& message) {
    if (IsMasked() && !GetComponentState().Contains(csDesigning)) {
        if (!FReEnter) FOldValue = GetEditText();
        FReEnter = false;
        KOV_INHERITED(message);
        CheckCursor();
        return;
    }
    KOV_INHERITED(message);
}

void TCustomMaskEdit::CMExit(TMessage& message) {
    if (IsMasked() && !GetComponentState().Contains(csDesigning) &&
        !GetComponentState().Contains(csDestroying)) {
        ValidateEdit();
        if (HandleAllocated()) {
            Integer start = 0, end = 0;
            GetSel(start, end);
            Perform(EM_SETSEL, WPARAM(start), LPARAM(start));
        }
    }
    KOV_INHERITED(message);
}

KOV_MESSAGE_MAP(TCustomMaskEdit) {
    map.Message(WM_KEYDOWN, &TCustomMaskEdit::WMKeyDown);
    map.Message(WM_LBUTTONUP, &TCustomMaskEdit::WMLButtonUp);
    map.Message(WM_CUT, &TCustomMaskEdit::WMCut);
    map.Message(WM_PASTE, &TCustomMaskEdit::WMPaste);
    map.Message(WM_CLEAR, &TCustomMaskEdit::WMClear);
    map.Message(CM_ENTER, &TCustomMaskEdit::CMEnter);
    map.Message(CM_EXIT, &TCustomMaskEdit::CMExit);
}

KOV_PUBLISHED(TMaskEdit) {
    Property("EditMask", &TCustomMaskEdit::GetEditMask, &TCustomMaskEdit::SetEditMask);
    Property("Text", &TCustomMaskEdit::GetText, &TCustomMaskEdit::SetText);
}

namespace {
const bool kMaskClassesRegistered = [] {
    RegisterClass(TMaskEdit::StaticClass());
    return true;
}();
}  // namespace
