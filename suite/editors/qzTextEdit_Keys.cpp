// The text editor's keys, incremental search and lookup navigation.
#include "platform/runtime/Strings.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzTextEdit.h"

namespace {

// The first count characters of text.
String CharsOf(const String& text, Integer count) { return Utf8Copy(text, 1, count); }

} // namespace

bool TqzCustomTextEdit::IsEditingKey(Word key, TShiftState shift) {
    if (inherited::IsEditingKey(key, shift) || key == VK_DELETE) return true;
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    if (!FLookupData || !properties->UsesLookupData() || FLookupData->IsEmpty() || !CanDropDown(false))
        return false;
    if ((key == VK_PRIOR || key == VK_NEXT) && !HasOpenPopup()) return true;
    if ((key == VK_UP || key == VK_DOWN) && !shift.Contains(ssAlt) && !HasOpenPopup()) return true;
    return false;
}

// Characters are code points: every one from 32 up is printable.
bool TqzCustomTextEdit::IsEditingChar(char32_t ch) { return ch == 8 || ch == 22 || ch == 24 || ch >= 32; }

void TqzCustomTextEdit::HandleEditKeyDown(Word& key, TShiftState shift) {
    const TqzTextEditingStyle style = GetActiveProperties()->GetEditingStyle();
    const TLivenessToken alive = LivenessToken();
    if (style == FixedList && (key == VK_LEFT || key == VK_RIGHT || key == VK_DELETE)) {
        SetFindSelection(false);
        FireAfterKeyDownEvent(key, shift);
        key = 0;
        return;
    }
    IqzInnerTextEdit* inner = GetInnerTextEdit();
    if (inner) inner->SetKeyConsumed(true);
    const bool wasFinding = FFindSelection;
    const Word oldKey = key;
    inherited::HandleEditKeyDown(key, shift);
    if (!alive) return;
    if (oldKey == VK_RETURN && wasFinding) SelectAll();
    if (key != 0) {
        switch (key) {
        case VK_LEFT:
        case VK_RIGHT:
            if (!shift.Contains(ssShift) && GetSelLength() > 0) {
                const Integer start = GetSelStart();
                const Integer position = key == VK_RIGHT ? start + GetSelLength() : start;
                SetSelStart(position);
                SetSelLength(0);
                key = 0;
            }
            SetFindSelection(false);
            break;
        case VK_DELETE:
            if (style == RestrictedText) {
                FireAfterKeyDownEvent(key, shift);
                key = 0;
            } else {
                SetFindSelection(false);
            }
            break;
        case VK_PRIOR:
        case VK_NEXT:
        case VK_UP:
        case VK_DOWN:
            NavigateLookup(key, shift);
            if (!alive) return;
            if (key != 0 && !(inner && inner->IsMultiLine())) {
                FireAfterKeyDownEvent(key, shift);
                key = 0;
            }
            break;
        case VK_HOME:
        case VK_END:
            if (style == FixedList) NavigateLookup(key, shift);
            break;
        default:
            break;
        }
    }
    if (!alive) return;
    if (key == VK_END && GetSelLength() == 0 && style != FixedList) SetFindSelection(false);
    if (key != 0 && inner) inner->SetKeyConsumed(false);
}

void TqzCustomTextEdit::NavigateLookup(Word& key, TShiftState shift) {
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    if (!FLookupData || !properties->UsesLookupData() || !CanDropDown(false) || FLookupData->IsEmpty())
        return;
    const TLivenessToken alive = LivenessToken();
    LockChangeEvents(true);
    FNavigatingLookup = true;
    try {
        const Variant old = FLookupData->GetCurrentKey();
        LockClick(true);
        try {
            switch (key) {
            case VK_PRIOR:
                FLookupData->MoveCurrent(shift.Contains(ssCtrl) ? qzlmFirst : qzlmPageUp, false);
                break;
            case VK_NEXT:
                FLookupData->MoveCurrent(shift.Contains(ssCtrl) ? qzlmLast : qzlmPageDown, false);
                break;
            case VK_END:
                FLookupData->MoveCurrent(qzlmLast, false);
                break;
            case VK_HOME:
                FLookupData->MoveCurrent(qzlmFirst, false);
                break;
            case VK_UP:
                FLookupData->MoveCurrent(qzlmPrior, false);
                break;
            case VK_DOWN:
                FLookupData->MoveCurrent(qzlmNext, false);
                break;
            default:
                break;
            }
        } catch (...) {
            if (alive) LockClick(false);
            throw;
        }
        if (alive) LockClick(false);
        if (alive) PostAfterLookupMove(old);
    } catch (...) {
        if (alive) {
            FNavigatingLookup = false;
            LockChangeEvents(false);
        }
        throw;
    }
    if (!alive) return;
    FNavigatingLookup = false;
    LockChangeEvents(false);
    key = 0;
}

void TqzCustomTextEdit::PostAfterLookupMove(const Variant& oldKey) {
    if (VariantsEqualSameType(oldKey, FLookupData->GetCurrentKey())) return;
    const TLivenessToken alive = LivenessToken();
    SetModifiedAndClick();
    if (!alive) return;
    if (HasPendingModification() && GetActiveProperties()->ImmediatePost && ValidateEditing(true))
        PostEditValue(false);
}

void TqzCustomTextEdit::HandleKeyPress(char32_t& key) {
    // An Escape the key-down handling used to revert the value also ends a popup's closing.
    if (key == 27 && FEscapeHandled && FPopupClosedByKey && !HasOpenPopup()) FPopupClosedByKey = false;
    inherited::HandleKeyPress(key);
}

void TqzCustomTextEdit::HandleEditKeyPress(char32_t& ch) {
    IqzInnerTextEdit* inner = GetInnerTextEdit();
    if (inner) inner->SetKeyConsumed(true);
    const TLivenessToken alive = LivenessToken();
    inherited::HandleEditKeyPress(ch);
    if (!alive || ch == 0) return;
    EndLookupTextChange();
    const bool savedUserInput = IsUserChange();
    SetUserChange(true);
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    const TqzTextEditingStyle style = properties->GetEditingStyle();
    if (style == FixedList && !properties->GetFixedListPrefixSearch() && ch == 8) {
        ch = 0;
        SetFindSelection(false);
    }
    const Variant oldKey = FLookupData ? FLookupData->GetCurrentKey() : Variant(-1);
    const bool wasFinding = FFindSelection;
    bool found = false;
    LockClick(true);
    try {
        const bool lookup = FLookupData && properties->UsesLookupData();
        if (ch == 8 && lookup && properties->UsesIncrementalSearch()) {
            String text;
            ReadDisplayText(text);
            if (style == RestrictedText && !text.empty() && !FFindSelection) {
                const Integer caret = GetSelStart();
                SetSelStart(caret);
                SetSelLength(Utf8Length(text) - caret);
                SetFindSelection(true);
            }
            if (FFindSelection) {
                String prefix = CharsOf(text, Utf8Length(text) - GetSelLength());
                if (!prefix.empty()) prefix.erase(Utf8Prev(prefix, prefix.size()));
                BeginLookupTextChange();
                found = ApplyIncrementalSearch(prefix);
            }
            if (style == FixedList) ch = 0;
        } else if (ch >= 32 && lookup) {
            const String typed = Utf8FromCodePoint(ch);
            if (properties->UsesIncrementalSearch() && CanStartIncrementalSearch()) {
                BeginLookupTextChange();
                String s;
                ReadDisplayText(s);
                if (GetSelLength() > 0) {
                    s = CharsOf(s, GetSelStart()) + typed;
                } else if (style == FixedList) {
                    if (FFindSelection) {
                        s += typed;
                        found = ApplyIncrementalSearch(s);
                        if (!found) s = typed;
                    } else {
                        s = typed;
                    }
                } else {
                    const Integer caret = GetSelStart();
                    s = CharsOf(s, caret) + typed + Utf8Copy(s, caret + 1, Utf8Length(s));
                }
                if (!found) found = ApplyIncrementalSearch(s);
                if (style == FixedList && !properties->GetFixedListPrefixSearch() && !found) {
                    s = typed;
                    found = ApplyIncrementalSearch(s);
                }
            }
            if ((style == RestrictedText || style == FixedList) && !found) {
                ch = 0;
                String text;
                ReadDisplayText(text);
                if (style == RestrictedText && !text.empty()) SetFindSelection(true);
                if (style == FixedList && properties->GetFixedListPrefixSearch() && wasFinding)
                    SetFindSelection(true);
            }
        }
    } catch (...) {
        if (alive) {
            LockClick(false);
            SetUserChange(savedUserInput);
        }
        throw;
    }
    if (!alive) return;
    LockClick(false);
    SetUserChange(savedUserInput);
    if (FLookupData && properties->UsesLookupData() &&
        !VariantsEqualSameType(oldKey, FLookupData->GetCurrentKey()))
        SetModifiedAndClick();
    if (!alive) return;
    if (found) ch = 0;
    if (ch != 0 && inner) inner->SetKeyConsumed(false);
}

bool TqzCustomTextEdit::CanStartIncrementalSearch() {
    const TqzTextEditingStyle style = GetActiveProperties()->GetEditingStyle();
    if (style == RestrictedText || style == FixedList) return true;
    String text;
    ReadDisplayText(text);
    if (GetSelLength() == 0 && GetSelStart() == Utf8Length(text)) return true;
    if (FFindSelection) return true;
    return GetSelLength() > 0;
}

bool TqzCustomTextEdit::ApplyIncrementalSearch(String& s) {
    IqzInnerTextEdit* inner = GetInnerTextEdit();
    String t = s;
    // Input-method text arrives one whole character at a time: no trail byte is ever pending.
    const char trail = inner ? inner->GetPendingImeTrailByte() : char(0);
    if (trail != 0) t += trail;
    String tail;
    const bool found = FLookupData->Locate(t, tail, false);
    if (found) {
        s = t;
        if (trail != 0 && !s.empty()) {
            tail.insert(tail.begin(), s.back());
            s.pop_back();
        }
    }
    FFindSelection = found;
    const TLivenessToken alive = LivenessToken();
    if (s.empty()) {
        if (GetActiveProperties()->GetEditingStyle() != FixedList) ApplyDisplayValue(Variant(String()));
        if (!alive) return found;
        FFindSelection = false;
    }
    if (found) {
        GetDataBinding()->SetDisplayValue(Variant(s + tail));
        if (!alive) return found;
        if (inner) {
            inner->SetSelStart(Utf8Length(s));
            inner->SetSelLength(Utf8Length(tail));
        }
    }
    UpdateDrawValue();
    return found;
}

bool TqzCustomTextEdit::HandleMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) {
    const TLivenessToken alive = LivenessToken();
    if (inherited::HandleMouseWheel(shift, wheelDelta, mousePos)) return true;
    if (!alive) return false;
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    bool handled = false;
    if (CanDropDown(true) && !HasOpenPopup() && FLookupData && properties->UsesLookupData() &&
        !FLookupData->IsEmpty())
        handled = CanUseMouseWheel(shift);
    if (!handled || !RequestEditing() || !alive) return handled;
    LockChangeEvents(true);
    FNavigatingLookup = true;
    try {
        const Variant old = FLookupData->GetCurrentKey();
        LockClick(true);
        try {
            FLookupData->MoveCurrent(wheelDelta <= 0 ? qzlmNext : qzlmPrior, false);
        } catch (...) {
            if (alive) LockClick(false);
            throw;
        }
        if (alive) LockClick(false);
        if (alive) PostAfterLookupMove(old);
    } catch (...) {
        if (alive) {
            FNavigatingLookup = false;
            LockChangeEvents(false);
        }
        throw;
    }
    if (alive) {
        FNavigatingLookup = false;
        LockChangeEvents(false);
    }
    return handled;
}
