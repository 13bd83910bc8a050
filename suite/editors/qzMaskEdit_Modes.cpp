// The mask modes: the standard mode over the classic edit mask and the two regular-expression
// modes over the expression engine.
#include <algorithm>

#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzMaskEdit.h"
#include "suite/foundation/qzClasses.h"

namespace {

std::u32string ToChars(const String& text) {
    std::u32string result;
    for (std::size_t i = 0; i < text.size(); i = Utf8Next(text, i))
        result += Utf8CodePointAt(text, i);
    return result;
}

String FromChars(const std::u32string& chars) {
    String result;
    for (char32_t ch : chars)
        result += Utf8FromCodePoint(ch);
    return result;
}

Integer Len(const std::u32string& chars) { return static_cast<Integer>(chars.size()); }

} // namespace

bool IsBlankMask(const String& mask) {
    return std::all_of(mask.begin(), mask.end(), [](char c) {
        return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
    });
}

// ---- Base mode -------------------------------------------------------------------------------

TqzMaskEditCustomMode::TqzMaskEditCustomMode(IqzMaskEditModeHost* editor,
                                             TqzCustomMaskEditProperties* properties)
    : Editor(editor), FProperties(editor ? nullptr : properties) {}

TqzCustomMaskEditProperties* TqzMaskEditCustomMode::GetProperties() {
    return Editor ? Editor->GetMaskProperties() : FProperties;
}

void TqzMaskEditCustomMode::Beep() {
    TqzCustomMaskEditProperties* properties = GetProperties();
    if (properties && properties->BeepOnError) MessageBeep(0);
}

bool TqzMaskEditCustomMode::EditorAvailable() { return Editor && !Editor->IsHostedEditUnavailable(); }

void TqzMaskEditCustomMode::SetInnerSelStart(Integer value) {
    if (Editor) Editor->SetHostedSelStart(value);
}

void TqzMaskEditCustomMode::SetInnerSelLength(Integer value) {
    if (Editor) Editor->SetHostedSelLength(value);
}

std::u32string TqzMaskEditCustomMode::EditorText() {
    return Editor ? ToChars(Editor->GetInnerEditText()) : std::u32string();
}

void TqzMaskEditCustomMode::RefreshFromValue() {
    if (!EditorAvailable()) return;
    Variant display;
    if (Editor->IsValueModifiedByUser()) {
        String text;
        Editor->ReadDisplayText(text);
        display = Variant(FormatText(text));
    } else {
        GetProperties()->PrepareDisplayValue(Editor->GetModeEditValue(), display, Editor->IsEditFocused());
    }
    Editor->DisplayValueToInnerEdit(display);
}

// ---- Standard mode ---------------------------------------------------------------------------

TqzMaskEditStandardMode::TqzMaskEditStandardMode(IqzMaskEditModeHost* editor,
                                                 TqzCustomMaskEditProperties* properties)
    : TqzMaskEditCustomMode(editor, properties), MaskLayout(std::make_unique<TqzStandardMask>()) {}

bool TqzMaskEditStandardMode::IsInputPosition(Integer index) const {
    return index >= 0 && index < MaskLayout->PositionCount() && !MaskLayout->IsLiteral(index);
}

char32_t TqzMaskEditStandardMode::GetBlankChar(Integer) { return MaskLayout->GetBlankChar(); }

void TqzMaskEditStandardMode::CompileMask(const String& mask) {
    MaskText = mask;
    if (IsBlankMask(mask)) return;
    MaskLayout->SetMask(mask);
    InitialValuePending = !EditorAvailable();
}

String TqzMaskEditStandardMode::BuildEmptyMaskText() { return MaskLayout->EmptyValue(); }

String TqzMaskEditStandardMode::FormatText(const String& text) {
    String result = text;
    MaskLayout->FitText(result, true);
    return result;
}

String TqzMaskEditStandardMode::TextToValue(const String& text) {
    if (MaskLayout->PositionCount() == 0) return text;
    String result = text;
    MaskLayout->FitText(result, GetProperties()->GetCharCase() == ecNormal);
    MaskLayout->ExtractValue(result);
    return result;
}

bool TqzMaskEditStandardMode::IsTextValid(const String& text) {
    String checked = text;
    if (MaskLayout->IsValidText(checked)) return true;
    return GetProperties()->IgnoreMaskBlank && text == FormatText(String());
}

void TqzMaskEditStandardMode::CaretMoved() {
    if (!Editor || !Editor->HasEditorWindow() || !GetProperties()->IsMasked()) return;
    if (Editor->GetSelLength() == 0) SetInnerSelLength(1);
}

void TqzMaskEditStandardMode::RefreshFromValue() {
    TqzMaskEditCustomMode::RefreshFromValue();
    CaretMoved();
}

void TqzMaskEditStandardMode::ApplyPendingValue() {
    if (!InitialValuePending) return;
    Editor->SetEditValueAsUser(Variant(MaskLayout->EmptyValue()));
    InitialValuePending = false;
}

bool TqzMaskEditStandardMode::CaretAtStart() {
    Integer leading = 0;
    while (leading < MaskLayout->PositionCount() && MaskLayout->IsLiteral(leading))
        ++leading;
    const Integer selStart = Editor->GetSelStart();
    return selStart <= leading && (Editor->GetSelLength() < 2 || Editor->GetCaretCharIndex() == selStart);
}

bool TqzMaskEditStandardMode::CaretAtEnd() { return Editor->GetSelStart() == Len(EditorText()); }

void TqzMaskEditStandardMode::PreparePaste() {
    FPasteStart = Editor->GetSelStart();
    SetInnerSelLength(PasteLength);
}

void TqzMaskEditStandardMode::FinishPaste() {
    const Integer length = Len(EditorText());
    Integer caret = std::min(FPasteStart + PasteLength, length - 1);
    caret = std::max(caret, 0);
    Editor->SetSelStart(caret);
    if (MaskLayout->IsLiteral(caret)) {
        Editor->SetExtendSelection(false);
        HandleRight();
    }
}

bool TqzMaskEditStandardMode::HandleDelete() {
    const Integer selStart = Editor->GetSelStart();
    const Integer selEnd = selStart + Editor->GetSelLength();
    for (Integer p = selStart; p < selEnd; ++p) {
        if (!IsInputPosition(p)) continue;
        const char32_t blank = GetBlankChar(p + 1);
        if (blank == 0) continue;
        std::u32string text = EditorText();
        if (p >= Len(text)) break;
        text[static_cast<std::size_t>(p)] = blank;
        Editor->DisplayValueToInnerEdit(Variant(FromChars(text)));
        Editor->SetSelStart(selStart);
    }
    return false;
}

bool TqzMaskEditStandardMode::HandleBackspace() {
    if (Editor->GetSelLength() <= 1) HandleLeft();
    HandleDelete();
    return false;
}

bool TqzMaskEditStandardMode::HandleHome() {
    if (Editor->GetExtendSelection()) return true;
    Editor->SetSelStart(0);
    if (MaskLayout->PositionCount() > 0 && MaskLayout->IsLiteral(0)) HandleRight();
    return false;
}

bool TqzMaskEditStandardMode::HandleEnd() {
    if (Editor->GetExtendSelection()) return true;
    Editor->SetSelStart(Len(EditorText()));
    return false;
}

bool TqzMaskEditStandardMode::HandleLeft() {
    const Integer selStart = Editor->GetSelStart();
    const Integer selLength = Editor->GetSelLength();
    if (Editor->GetExtendSelection()) {
        if (selLength == 1) {
            // The overwrite caret becomes an empty selection behind its character, so that the
            // hosted edit extends the selection from there.
            Editor->SetSelStart(selStart + 1);
            Editor->SetSelLength(0);
            Editor->SendKeyDown(VK_LEFT);
            Editor->SendKeyDown(VK_LEFT);
        }
        return true;
    }
    const Integer length = Len(EditorText());
    if (selLength >= 2) {
        Integer last = selStart + selLength;
        const bool reachesEnd = last >= length;
        if (reachesEnd) --last;
        Integer k = 0;
        bool inputFound = false;
        for (Integer p = selStart; p <= last; ++p) {
            if (IsInputPosition(p)) {
                inputFound = true;
                break;
            }
            ++k;
        }
        if (!inputFound) k = reachesEnd ? last - selStart + 1 : 0;
        Editor->SetSelStart(0);
        Editor->SetSelStart(selStart + k);
        return false;
    }
    Integer literals = 0;
    while (selStart - literals - 1 >= 0 && MaskLayout->IsLiteral(selStart - literals - 1))
        ++literals;
    if (selStart > 0 && literals < selStart) Editor->SetSelStart(selStart - literals - 1);
    return false;
}

bool TqzMaskEditStandardMode::HandleRight() {
    const Integer selStart = Editor->GetSelStart();
    const Integer selLength = Editor->GetSelLength();
    if (Editor->GetExtendSelection()) {
        if (selLength == 1 && Editor->GetCaretCharIndex() == selStart) Editor->SetSelLength(0);
        return true;
    }
    const Integer length = Len(EditorText());
    if (selLength < 2) {
        Integer literals = 0;
        while (MaskLayout->IsLiteral(selStart + literals + 1))
            ++literals;
        const Integer target = selStart + literals + 1;
        if (target <= length) Editor->SetSelStart(target);
        return false;
    }
    Integer end = selStart + selLength;
    if (end < length) {
        Integer trailing = 0;
        while (end - trailing - 1 >= selStart && MaskLayout->IsLiteral(end - trailing - 1))
            ++trailing;
        if (end - trailing - 1 < selStart) trailing = 0;
        end -= trailing + 1;
    }
    Editor->SetSelStart(0);
    Editor->SetSelStart(end);
    return false;
}

bool TqzMaskEditStandardMode::HandleChar(char32_t& ch) {
    const Integer selStart = Editor->GetSelStart();
    const std::u32string text = EditorText();
    if (text.empty() || selStart < 0 || selStart >= Len(text)) return false;
    if (MaskLayout->IsLiteral(selStart)) {
        Editor->SetExtendSelection(false);
        if (Editor->GetSelLength() > 1) HandleDelete();
        HandleRight();
        if (Editor->GetSelStart() != selStart) HandleChar(ch);
        return false;
    }
    TqzStandardMaskCustomItem* position = MaskLayout->Position(selStart);
    if (!position || !position->Accepts(ch) || !Editor->IsMaskCharAllowed(ch, selStart + 1)) return false;
    if (ch == 0) {
        Beep();
        return false;
    }
    if (Editor->GetSelLength() > 1) HandleDelete();
    std::u32string changed = EditorText();
    if (selStart < Len(changed)) changed[static_cast<std::size_t>(selStart)] = ch;
    Editor->DisplayValueToInnerEdit(Variant(FromChars(changed)));
    Editor->SetSelStart(selStart);
    Editor->SetExtendSelection(false);
    HandleRight();
    return false;
}

// ---- Regular-expression mode -----------------------------------------------------------------

TqzMaskEditRegExprMode::TqzMaskEditRegExprMode(IqzMaskEditModeHost* editor,
                                               TqzCustomMaskEditProperties* properties)
    : TqzMaskEditCustomMode(editor, properties), Expression(std::make_unique<TqzRegExpr>()) {
    if (TqzCustomMaskEditProperties* active = GetProperties())
        Expression->SetIgnoreCase(active->GetCaseInsensitive());
}

void TqzMaskEditRegExprMode::CompileMask(const String& mask) {
    MaskText = mask;
    if (IsBlankMask(mask)) return;
    TStringStream stream(mask);
    try {
        Expression->Compile(&stream);
    } catch (const EqzRegExprError& error) {
        String message = LocalizeSuiteText("Regular expression errors:");
        const TqzRegExprErrors& errors = error.GetErrorList();
        for (Integer i = 0; i < errors.Count(); ++i)
            message += "\r\n" + errors.Item(i)->FullText();
        throw EqzMaskEditError(message);
    }
}

bool TqzMaskEditRegExprMode::CompileCopy(TqzRegExpr& target) {
    if (!Expression->IsCompiled()) return false;
    try {
        target.Compile(Expression->PatternStream());
    } catch (const EqzRegExprError&) {
        return false;
    } catch (const EqzMaskEditError&) {
        return false;
    }
    return true;
}

String TqzMaskEditRegExprMode::FormatText(const String& text) {
    if (!Expression->IsCompiled()) return String();
    Expression->Restart();
    std::u32string result;
    for (char32_t ch : ToChars(text)) {
        char32_t copy = ch;
        if (Expression->Feed(copy)) result += copy;
    }
    return FromChars(result);
}

bool TqzMaskEditRegExprMode::IsTextValid(const String& text) {
    if (text.empty()) return true;
    TqzRegExpr check;
    check.SetIgnoreCase(GetProperties()->GetCaseInsensitive());
    if (!CompileCopy(check)) return false;
    for (char32_t ch : ToChars(text)) {
        char32_t copy = ch;
        if (!check.Feed(copy)) return false;
    }
    return GetProperties()->IgnoreMaskBlank || check.IsComplete();
}

bool TqzMaskEditRegExprMode::CaretAtStart() { return Editor->GetSelStart() == 0; }

bool TqzMaskEditRegExprMode::CaretAtEnd() { return Editor->GetSelStart() == Len(EditorText()); }

void TqzMaskEditRegExprMode::Resync() {
    if (!Editor || !Expression->IsCompiled()) return;
    const std::u32string text = EditorText();
    if (!ResyncNeeded && !(TextBefore.empty() && TextAfter.empty() && !text.empty())) return;
    ResyncNeeded = false;
    Expression->Restart();
    TextAfter = text;
    TextBefore.clear();
    const Integer caret = std::min(Editor->GetCaretCharIndex(), Len(text));
    for (Integer i = 0; i < caret; ++i) {
        char32_t copy = text[static_cast<std::size_t>(i)];
        Expression->Feed(copy);
        TextBefore += TextAfter.front();
        TextAfter.erase(0, 1);
    }
}

bool TqzMaskEditRegExprMode::AfterFits() {
    Integer taken = 0;
    bool fits = true;
    for (char32_t& ch : TextAfter) {
        if (!Expression->Feed(ch)) {
            fits = false;
            break;
        }
        ++taken;
    }
    for (Integer i = 0; i < taken; ++i)
        Expression->StepBack();
    return fits;
}

void TqzMaskEditRegExprMode::DropTextAfter() {
    String display;
    Editor->ReadDisplayText(display);
    std::u32string text = ToChars(display);
    const Integer selStart = Editor->GetSelStart();
    const Integer keep = std::max(selStart, Len(text) - Len(TextAfter));
    if (keep < Len(text)) text.erase(static_cast<std::size_t>(keep));
    TextAfter.clear();
    Editor->SetDisplayValueThroughBinding(Variant(FromChars(text)));
    SetInnerSelStart(Len(text));
    TextAfter.clear();
    // The editor's text changed under the mode: the next key starts from the editor again.
    ResyncNeeded = true;
}

void TqzMaskEditRegExprMode::CutSelection() {
    const Integer selStart = Editor->GetSelStart();
    const Integer selLength = Editor->GetSelLength();
    if (selLength <= 0) return;
    if (selStart == Len(TextBefore)) {
        const Integer n = std::min(selLength, Len(TextAfter));
        CutText = TextAfter.substr(0, static_cast<std::size_t>(n));
        TextAfter.erase(0, static_cast<std::size_t>(n));
        CutFromAfter = true;
    } else if (selStart + selLength == Len(TextBefore)) {
        CutText = TextBefore.substr(static_cast<std::size_t>(selStart));
        TextBefore.erase(static_cast<std::size_t>(selStart));
        for (Integer i = 0; i < selLength; ++i)
            Expression->StepBack();
        CutFromAfter = false;
    }
}

void TqzMaskEditRegExprMode::RestoreCut() {
    if (CutFromAfter) {
        TextAfter = CutText + TextAfter;
    } else {
        for (char32_t ch : CutText) {
            char32_t copy = ch;
            Expression->Feed(copy);
            TextBefore += ch;
        }
    }
}

bool TqzMaskEditRegExprMode::DoHandleChar(char32_t& ch) {
    if (HasSelection()) CutSelection();
    const bool cut = !CutText.empty();
    bool result;
    if (Expression->Feed(ch)) {
        TextBefore += ch;
        result = true;
        if (!AfterFits()) {
            if (cut) {
                Editor->SendKeyDown(VK_DELETE);
                Editor->SendChar(ch);
                result = false;
            }
            DropTextAfter();
        }
    } else {
        RestoreCut();
        result = false;
    }
    CutText.clear();
    return result;
}

bool TqzMaskEditRegExprMode::DoHandleBackspace() {
    bool result = true;
    if (HasSelection()) {
        CutSelection();
        if (!AfterFits()) {
            Editor->SendChar(U'\b');
            DropTextAfter();
            result = false;
        }
    } else if (!TextBefore.empty()) {
        Expression->StepBack();
        if (AfterFits())
            TextBefore.pop_back();
        else
            DropTextAfter();
    }
    CutText.clear();
    return result;
}

bool TqzMaskEditRegExprMode::DoHandleDelete() {
    bool result = true;
    if (HasSelection()) {
        CutSelection();
        if (!AfterFits()) {
            Editor->SendKeyDown(VK_DELETE);
            DropTextAfter();
            result = false;
        }
    } else if (!TextAfter.empty()) {
        CutText = TextAfter.substr(0, 1);
        TextAfter.erase(0, 1);
        if (!AfterFits()) {
            DropTextAfter();
            // The hosted edit's own Delete removes the character left in front of the new end.
            SetInnerSelStart(std::max(Editor->GetSelStart() - 1, 0));
        }
    }
    CutText.clear();
    return result;
}

void TqzMaskEditRegExprMode::MoveLeft() {
    if (TextBefore.empty()) return;
    const Integer selLength = Editor->GetSelLength();
    Integer count = 1;
    if (selLength > 0 && !Editor->GetExtendSelection()) {
        const Integer selStart = Editor->GetSelStart();
        if (selStart + selLength != Editor->GetCaretCharIndex()) return;
        count = std::min(selLength, Len(TextBefore));
    }
    for (Integer i = 0; i < count; ++i) {
        Expression->StepBack();
        TextAfter.insert(TextAfter.begin(), TextBefore.back());
        TextBefore.pop_back();
    }
}

void TqzMaskEditRegExprMode::MoveRight() {
    if (TextAfter.empty()) return;
    const Integer selLength = Editor->GetSelLength();
    Integer count = 1;
    if (selLength > 0 && !Editor->GetExtendSelection()) {
        if (Editor->GetCaretCharIndex() != Editor->GetSelStart()) return;
        count = std::min(selLength, Len(TextAfter));
    }
    for (Integer i = 0; i < count; ++i) {
        Expression->Feed(TextAfter.front());
        TextBefore += TextAfter.front();
        TextAfter.erase(0, 1);
    }
}

void TqzMaskEditRegExprMode::MoveHome() {
    TextAfter = TextBefore + TextAfter;
    TextBefore.clear();
    Expression->Restart();
}

void TqzMaskEditRegExprMode::MoveEnd() {
    for (char32_t ch : TextAfter) {
        char32_t copy = ch;
        Expression->Feed(copy);
        TextBefore += ch;
    }
    TextAfter.clear();
}

bool TqzMaskEditRegExprMode::HandleChar(char32_t& ch) {
    Resync();
    const bool result = DoHandleChar(ch);
    if (!result) Beep();
    return result;
}

bool TqzMaskEditRegExprMode::HandleBackspace() {
    Resync();
    const bool result = DoHandleBackspace();
    if (!result) Beep();
    return result;
}

bool TqzMaskEditRegExprMode::HandleDelete() {
    Resync();
    const bool result = DoHandleDelete();
    if (!result) Beep();
    return result;
}

bool TqzMaskEditRegExprMode::HandleLeft() {
    Resync();
    MoveLeft();
    return true;
}

bool TqzMaskEditRegExprMode::HandleRight() {
    Resync();
    MoveRight();
    return true;
}

bool TqzMaskEditRegExprMode::HandleHome() {
    Resync();
    MoveHome();
    return true;
}

bool TqzMaskEditRegExprMode::HandleEnd() {
    Resync();
    MoveEnd();
    return true;
}

void TqzMaskEditRegExprMode::PrepareSelectAll() {
    Resync();
    MoveEnd();
}

void TqzMaskEditRegExprMode::AdoptText(const String& text) {
    if (!Expression->IsCompiled()) return;
    Expression->Restart();
    const std::u32string chars = ToChars(text);
    if (PasteLength < 1 || chars.empty()) {
        TextBefore.clear();
        TextAfter = chars;
        return;
    }
    const Integer n = std::min(Editor->GetSelStart() + PasteLength, Len(chars));
    TextBefore = chars.substr(0, static_cast<std::size_t>(n));
    TextAfter = chars.substr(static_cast<std::size_t>(n));
    for (char32_t ch : TextBefore) {
        char32_t copy = ch;
        Expression->Feed(copy);
    }
    PasteLength = 0;
}

void TqzMaskEditRegExprMode::RefreshFromValue() {
    TqzMaskEditCustomMode::RefreshFromValue();
    if (!EditorAvailable() || !Expression->IsCompiled()) return;
    TextBefore = EditorText();
    SetInnerSelStart(Len(TextBefore));
    TextAfter.clear();
    Expression->Restart();
    Expression->FeedText(FromChars(TextBefore));
}

// ---- Regular-expression mode with auto-completion ----------------------------------------------

TqzMaskEditRegExprExMode::TqzMaskEditRegExprExMode(IqzMaskEditModeHost* editor,
                                                   TqzCustomMaskEditProperties* properties)
    : TqzMaskEditRegExprMode(editor, properties) {
    Expression->OnAutoInsert = MakeEvent(this, &TqzMaskEditRegExprExMode::AutoInserted);
    Expression->OnAutoRemove = MakeEvent(this, &TqzMaskEditRegExprExMode::AutoRemoved);
    Expression->SetAutoComplete(true);
}

void TqzMaskEditRegExprExMode::ClearAuto() {
    AutoText.clear();
    RemovedCount = 0;
}

void TqzMaskEditRegExprExMode::CompileMask(const String& mask) {
    ClearAuto();
    TqzMaskEditRegExprMode::CompileMask(mask);
    if (Expression->IsCompiled() && !IsBlankMask(mask)) InitialValuePending = !EditorAvailable();
}

void TqzMaskEditRegExprExMode::ApplyPendingValue() {
    if (!InitialValuePending) return;
    // The forced prefix the compile collected.
    Editor->SetEditValueAsUser(Variant(BuildEmptyMaskText()));
    InitialValuePending = false;
}

bool TqzMaskEditRegExprExMode::MakeScratchExpression(TqzRegExpr& expression, std::u32string& prefix) {
    expression.SetIgnoreCase(GetProperties()->GetCaseInsensitive());
    expression.SetAutoComplete(false);
    if (!CompileCopy(expression)) return false;
    ScratchText.clear();
    expression.OnAutoInsert = MakeEvent(this, &TqzMaskEditRegExprExMode::ScratchInserted);
    expression.SetAutoComplete(true);
    prefix = ScratchText;
    return true;
}

String TqzMaskEditRegExprExMode::BuildEmptyMaskText() {
    TqzRegExpr scratch;
    std::u32string prefix;
    if (!MakeScratchExpression(scratch, prefix)) return String();
    return FromChars(prefix);
}

String TqzMaskEditRegExprExMode::FormatText(const String& text) {
    if (!Expression->IsCompiled()) return String();
    SetAuto(false);
    ClearAuto();
    const String result = TqzMaskEditRegExprMode::FormatText(text);
    SetAuto(true);
    return result + FromChars(AutoText);
}

bool TqzMaskEditRegExprExMode::IsTextValid(const String& text) {
    TqzRegExpr check;
    std::u32string prefix;
    if (!MakeScratchExpression(check, prefix)) return text.empty();
    if (ToChars(text) == prefix) return true;
    check.SetAutoComplete(false);
    check.Restart();
    for (char32_t ch : ToChars(text)) {
        char32_t copy = ch;
        if (!check.Feed(copy)) return false;
    }
    return GetProperties()->IgnoreMaskBlank || check.IsComplete();
}

void TqzMaskEditRegExprExMode::ForwardStep() {
    ClearAuto();
    char32_t ch = TextAfter.front();
    Expression->Feed(ch);
    const std::size_t n = std::min(TextAfter.size(), AutoText.size() + 1);
    TextBefore += TextAfter.substr(0, n);
    TextAfter.erase(0, n);
}

void TqzMaskEditRegExprExMode::BackwardStep() {
    ClearAuto();
    Expression->StepBack();
    std::size_t n = std::min(TextBefore.size(), static_cast<std::size_t>(RemovedCount) + 1);
    if (Expression->IsAtStart()) n = TextBefore.size();
    TextAfter = TextBefore.substr(TextBefore.size() - n) + TextAfter;
    TextBefore.erase(TextBefore.size() - n);
}

void TqzMaskEditRegExprExMode::ResyncEx() {
    if (!EditorAvailable() || !Editor->HasEditorWindow() || !Expression->IsCompiled()) return;
    const std::u32string text = EditorText();
    if (TextBefore.empty() && TextAfter.empty() && !text.empty()) {
        TextAfter = text;
        Expression->Restart();
        ResyncNeeded = true;
    }
    if (!ResyncNeeded) return;
    ResyncNeeded = false;
    const Integer a = Editor->GetSelStart();
    const Integer e = a + Editor->GetSelLength();
    while (Len(TextBefore) < a && !TextAfter.empty()) {
        ForwardStep();
        if (Len(TextBefore) > a) {
            BackwardStep();
            SetInnerSelStart(Len(TextBefore));
            break;
        }
    }
    while (Len(TextBefore) > a) {
        BackwardStep();
        if (Len(TextBefore) < a) {
            SetInnerSelStart(Len(TextBefore));
            break;
        }
    }
    if (a < e) {
        while (Len(TextBefore) < e && !TextAfter.empty())
            ForwardStep();
        SetInnerSelLength(Len(TextBefore) - Editor->GetSelStart());
    }
    ClearAuto();
}

void TqzMaskEditRegExprExMode::RetypeAfter() {
    ClearAuto();
    if (TextAfter.empty()) return;
    Integer caret = Editor->GetSelStart();
    for (char32_t& ch : TextAfter) {
        Expression->Feed(ch);
        SetInnerSelStart(++caret);
    }
    SetAuto(true);
    for (char32_t ch : AutoText) {
        TextAfter += ch;
        Editor->SendChar(ch);
        ++caret;
    }
    SetAuto(false);
    for (std::size_t i = 0; i < TextAfter.size(); ++i) {
        Expression->StepBack();
        SetInnerSelStart(--caret);
    }
    ClearAuto();
}

void TqzMaskEditRegExprExMode::RecheckAfter() {
    SetAuto(false);
    if (AfterFits())
        RetypeAfter();
    else
        DropTextAfter();
    SetAuto(true);
}

std::u32string TqzMaskEditRegExprExMode::CollectForcedPrefix() {
    ClearAuto();
    SetAuto(false);
    SetAuto(true);
    return AutoText;
}

void TqzMaskEditRegExprExMode::CutSelection() {
    SetAuto(false);
    TqzMaskEditRegExprMode::CutSelection();
    ClearAuto();
    SetAuto(true);
    if (!AutoText.empty()) Expression->StepBack();
    ClearAuto();
}

void TqzMaskEditRegExprExMode::RestoreCut() {
    SetAuto(false);
    TqzMaskEditRegExprMode::RestoreCut();
    ClearAuto();
    SetAuto(true);
    if (!AutoText.empty()) Expression->StepBack();
    ClearAuto();
}

bool TqzMaskEditRegExprExMode::MoveSelectionBehindPrefix() {
    if (Editor->GetSelStart() != 0) return false;
    const std::u32string prefix = CollectForcedPrefix();
    if (prefix.empty()) return false;
    TextBefore = prefix;
    ClearAuto();
    const Integer length = std::max(Editor->GetSelLength() - Len(prefix), 0);
    Editor->SetSelStart(Len(prefix));
    Editor->SetSelLength(length);
    // The selection is taken again from the text behind the prefix.
    const std::size_t skip = std::min(CutText.size(), prefix.size());
    TextAfter = CutText.substr(skip) + TextAfter;
    CutText.clear();
    return true;
}

bool TqzMaskEditRegExprExMode::HandleChar(char32_t& ch) {
    ResyncEx();
    ClearAuto();
    const bool selected = HasSelection();
    if (selected) {
        CutSelection();
        if (MoveSelectionBehindPrefix()) return HandleChar(ch);
    }
    if (Expression->Feed(ch)) {
        const std::u32string forced = AutoText;
        TextBefore += ch;
        TextBefore += forced;
        Editor->SendChar(ch);
        for (char32_t f : forced)
            Editor->SendChar(f);
        RecheckAfter();
    } else {
        if (selected) RestoreCut();
        Beep();
    }
    CutText.clear();
    return false;
}

bool TqzMaskEditRegExprExMode::HandleBackspace() {
    ResyncEx();
    ClearAuto();
    if (HasSelection()) {
        CutSelection();
        if (MoveSelectionBehindPrefix()) return HandleBackspace();
        Editor->SendChar(U'\b');
        RecheckAfter();
    } else if (!TextBefore.empty()) {
        Expression->StepBack();
        if (Expression->IsAtStart() && Editor->GetSelStart() == RemovedCount) {
            char32_t first = TextBefore.front();
            Expression->Feed(first);
            Beep();
        } else {
            const std::size_t n = std::min(TextBefore.size(), static_cast<std::size_t>(RemovedCount) + 1);
            TextBefore.erase(TextBefore.size() - n);
            for (std::size_t i = 0; i < n; ++i)
                Editor->SendChar(U'\b');
            RecheckAfter();
        }
    }
    CutText.clear();
    ClearAuto();
    return false;
}

bool TqzMaskEditRegExprExMode::HandleDelete() {
    ResyncEx();
    ClearAuto();
    if (HasSelection()) return HandleBackspace();
    if (TextAfter.empty()) return false;
    if (Editor->GetSelStart() == 0 && !CollectForcedPrefix().empty()) {
        Expression->StepBack();
        ClearAuto();
        Beep();
        return false;
    }
    ClearAuto();
    char32_t first = TextAfter.front();
    Expression->Feed(first);
    const std::size_t n = std::min(TextAfter.size(), AutoText.size() + 1);
    for (std::size_t i = 0; i < n; ++i)
        Editor->SendKeyDown(VK_DELETE);
    TextAfter.erase(0, n);
    Expression->StepBack();
    RecheckAfter();
    ClearAuto();
    return false;
}

bool TqzMaskEditRegExprExMode::HandleLeft() {
    ResyncEx();
    ClearAuto();
    const Integer selStart = Editor->GetSelStart();
    const Integer selLength = Editor->GetSelLength();
    if (selLength > 0 && !Editor->GetExtendSelection()) {
        if (selStart + selLength == Editor->GetCaretCharIndex()) {
            SetAuto(false);
            MoveLeft();
            ClearAuto();
            SetAuto(true);
            if (!AutoText.empty()) Expression->StepBack();
        }
        ClearAuto();
        return true;
    }
    if (TextBefore.empty()) return true;
    MoveLeft();
    if (Expression->IsAtStart()) {
        if ((selStart != 0 && selStart == RemovedCount) || (selStart == 0 && selLength == RemovedCount))
            --RemovedCount;
    }
    for (Integer i = 0; i < RemovedCount && !TextBefore.empty(); ++i) {
        TextAfter.insert(TextAfter.begin(), TextBefore.back());
        TextBefore.pop_back();
        Editor->SendKeyDown(VK_LEFT);
    }
    ClearAuto();
    return true;
}

bool TqzMaskEditRegExprExMode::HandleRight() {
    ResyncEx();
    ClearAuto();
    const Integer selLength = Editor->GetSelLength();
    if (selLength > 0 && !Editor->GetExtendSelection()) {
        if (Editor->GetCaretCharIndex() == Editor->GetSelStart()) {
            SetAuto(false);
            MoveRight();
            ClearAuto();
            SetAuto(true);
        }
        ClearAuto();
        return true;
    }
    if (TextAfter.empty()) return true;
    MoveRight();
    const std::size_t n = std::min(AutoText.size(), TextAfter.size());
    for (std::size_t i = 0; i < n; ++i) {
        TextBefore += TextAfter.front();
        TextAfter.erase(0, 1);
        Editor->SendKeyDown(VK_RIGHT);
    }
    ClearAuto();
    return true;
}

bool TqzMaskEditRegExprExMode::HandleHome() {
    ResyncEx();
    ClearAuto();
    MoveHome();
    return true;
}

bool TqzMaskEditRegExprExMode::HandleEnd() {
    ResyncEx();
    ClearAuto();
    SetAuto(false);
    MoveEnd();
    SetAuto(true);
    ClearAuto();
    return true;
}

void TqzMaskEditRegExprExMode::PrepareSelectAll() {
    SetAuto(false);
    Resync();
    MoveEnd();
    SetAuto(true);
    ClearAuto();
}

void TqzMaskEditRegExprExMode::AdoptText(const String& text) {
    if (!Expression->IsCompiled()) return;
    SetAuto(false);
    Expression->Restart();
    for (char32_t ch : ToChars(text))
        Expression->Feed(ch);
    ClearAuto();
    SetAuto(true);
    TextBefore = ToChars(text) + AutoText;
    TextAfter.clear();
    if (EditorAvailable()) {
        ResyncNeeded = true;
        ResyncEx();
    }
    PasteLength = 0;
}
