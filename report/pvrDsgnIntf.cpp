#include "report/pvrDsgnIntf.h"

#include "platform/classlib/Controls.h"
#include "platform/classlib/Dialogs.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/Menus.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Strings.h"

// ---- The property editor base ------------------------------------------------------------------

TpvrPropertyEditor::TpvrPropertyEditor(TComponent* designer)
    : FDesigner(designer), FValues(std::make_unique<TStringList>()) {}

TpvrPropertyEditor::~TpvrPropertyEditor() = default;

void TpvrPropertyEditor::Add(TObject* instance, PPropInfo prop) {
    FObjects.push_back(instance);
    FProps.push_back(prop);
}

bool TpvrPropertyEditor::EditValue() {
    FillValueList();
    if (FValues->GetCount() == 0) return false;
    Integer index = FValues->IndexOf(ValueText());
    index = index < 0 || index + 1 >= FValues->GetCount() ? 0 : index + 1;
    ApplyValueText(FValues->GetStrings(index));
    return true;
}

Integer TpvrPropertyEditor::Attributes() { return 8; }

String TpvrPropertyEditor::PropertyName() { return FProps.empty() ? String() : FProps.front()->Name; }

Integer TpvrPropertyEditor::ExtraListWidth() { return ExtraWidth + 2; }

String TpvrPropertyEditor::ValueText() { return "(Unknown)"; }

void TpvrPropertyEditor::FillValueList() {
    FValues->Clear();
    FValues->SetSorted((Attributes() & 2) != 0);
}

Extended TpvrPropertyEditor::GetFloatValue() const { return GetFloatProp(FObjects.front(), FProps.front()); }

Int64 TpvrPropertyEditor::GetOrdValue() const { return GetOrdProp(FObjects.front(), FProps.front()); }

String TpvrPropertyEditor::GetStrValue() const { return GetStrProp(FObjects.front(), FProps.front()); }

void TpvrPropertyEditor::SetFloatValue(Extended value) {
    for (std::size_t i = 0; i < FObjects.size(); ++i)
        SetFloatProp(FObjects[i], FProps[i], value);
}

void TpvrPropertyEditor::SetOrdValue(Int64 value) {
    for (std::size_t i = 0; i < FObjects.size(); ++i)
        SetOrdProp(FObjects[i], FProps[i], value);
}

void TpvrPropertyEditor::SetStrValue(const String& value) {
    for (std::size_t i = 0; i < FObjects.size(); ++i)
        SetStrProp(FObjects[i], FProps[i], value);
}

void TpvrPropertyEditor::DrawListItem(TCanvas* canvas, Integer index, const TRect& rect) {
    canvas->FillRect(rect);
    if (index >= 0 && index < FValues->GetCount())
        canvas->TextOut(rect.left + ExtraWidth + 4, rect.top + 1, FValues->GetStrings(index));
}

void TpvrPropertyEditor::DrawValue(TCanvas* canvas, const TRect& rect) {
    canvas->TextOut(rect.left + ExtraWidth - 2, rect.top, ValueText());
}

// ---- Stock editors -----------------------------------------------------------------------------

String TpvrIntegerProperty::ValueText() { return IntToStr(GetOrdValue()); }
void TpvrIntegerProperty::ApplyValueText(const String& text) { SetOrdValue(StrToInt(text)); }

String TpvrStringProperty::ValueText() { return GetStrValue(); }
void TpvrStringProperty::ApplyValueText(const String& text) { SetStrValue(text); }

String TpvrClassProperty::ValueText() {
    const PTypeInfo type = FProps.front()->PropType;
    return "(" + (type && type->ClassType ? type->ClassType->ClassName() : String()) + ")";
}

namespace {

// The swatch before a colour's name: a square of the colour in a black frame.
constexpr Integer kSwatchSize = 12;

void DrawSwatch(TCanvas* canvas, const TRect& rect, TColor color) {
    const TColor oldBrush = canvas->GetBrush()->GetColor();
    const TColor oldPen = canvas->GetPen()->GetColor();
    const Integer top = rect.top + (rect.bottom - rect.top - kSwatchSize) / 2;
    canvas->GetPen()->SetColor(clBlack);
    canvas->GetBrush()->SetColor(color);
    canvas->Rectangle(rect.left + 2, top, rect.left + 2 + kSwatchSize, top + kSwatchSize);
    canvas->GetBrush()->SetColor(oldBrush);
    canvas->GetPen()->SetColor(oldPen);
}

} // namespace

TpvrColorProperty::TpvrColorProperty(TComponent* designer) : TpvrPropertyEditor(designer) {
    ExtraWidth = kSwatchSize + 4;
}
void TpvrColorProperty::DrawListItem(TCanvas* canvas, Integer index, const TRect& rect) {
    TpvrPropertyEditor::DrawListItem(canvas, index, rect);
    if (index >= 0 && index < FValues->GetCount())
        DrawSwatch(canvas, rect, StringToColor(FValues->GetStrings(index)));
}
void TpvrColorProperty::DrawValue(TCanvas* canvas, const TRect& rect) {
    TpvrPropertyEditor::DrawValue(canvas, rect);
    DrawSwatch(canvas, rect, TColor(GetOrdValue()));
}
Integer TpvrColorProperty::Attributes() { return 73; }
String TpvrColorProperty::ValueText() { return ColorToString(TColor(GetOrdValue())); }
void TpvrColorProperty::ApplyValueText(const String& text) { SetOrdValue(StringToColor(text)); }
void TpvrColorProperty::FillValueList() {
    TpvrPropertyEditor::FillValueList();
    GetColorValues([this](const String& name) { FValues->Add(name); });
}

Integer TpvrFontCharsetProperty::Attributes() { return 11; }
String TpvrFontCharsetProperty::ValueText() {
    String ident;
    const Integer value = Integer(GetOrdValue());
    return CharsetToIdent(value, ident) ? ident : IntToStr(value);
}
void TpvrFontCharsetProperty::ApplyValueText(const String& text) {
    Integer value = 0;
    if (!IdentToCharset(text, value)) value = StrToInt(text);
    SetOrdValue(value);
}
void TpvrFontCharsetProperty::FillValueList() {
    TpvrPropertyEditor::FillValueList();
    GetCharsetValues([this](const String& name) { FValues->Add(name); });
}

namespace {
const char* const ModalResultNames[] = {"mrNone", "mrOk", "mrCancel", "mrAbort",   "mrRetry",   "mrIgnore",
                                        "mrYes",  "mrNo", "mrAll",    "mrNoToAll", "mrYesToAll"};
} // namespace

Integer TpvrModalResultProperty::Attributes() { return 9; }
String TpvrModalResultProperty::ValueText() {
    const Int64 value = GetOrdValue();
    return value >= 0 && value <= 10 ? String(ModalResultNames[value]) : IntToStr(value);
}
void TpvrModalResultProperty::ApplyValueText(const String& text) {
    if (text.empty()) {
        SetOrdValue(0);
        return;
    }
    for (Integer i = 0; i <= 10; ++i)
        if (SameText(text, ModalResultNames[i])) {
            SetOrdValue(i);
            return;
        }
    SetOrdValue(StrToInt(text));
}
void TpvrModalResultProperty::FillValueList() {
    TpvrPropertyEditor::FillValueList();
    for (const char* name : ModalResultNames)
        FValues->Add(name);
}

bool TpvrFontProperty::EditValue() {
    if (FObjects.empty()) return false;
    auto* font = dynamic_cast<TFont*>(GetObjectProp(FObjects.front(), FProps.front()));
    TFontDialog dialog(nullptr);
    dialog.SetDevice(fdBoth);
    if (font) dialog.SetFont(font);
    if (!dialog.Execute()) return false;
    for (std::size_t i = 0; i < FObjects.size(); ++i)
        if (auto* target = dynamic_cast<TFont*>(GetObjectProp(FObjects[i], FProps[i])))
            target->Assign(dialog.GetFont());
    return true;
}

namespace {

const char* const kNoShortCut = "(None)";

// The shortcuts offered: Ctrl and Ctrl+Alt with each letter, the function keys alone and with
// Ctrl, Shift and Shift+Ctrl, and the editing keys.
std::vector<TShortCut> StockShortCuts() {
    std::vector<TShortCut> result;
    for (Word key = 'A'; key <= 'Z'; ++key)
        result.push_back(TShortCut(scCtrl | key));
    for (Word key = 'A'; key <= 'Z'; ++key)
        result.push_back(TShortCut(scCtrl | scAlt | key));
    for (TShortCut modifiers : {TShortCut(0), scCtrl, scShift, TShortCut(scShift | scCtrl)})
        for (Word key = VK_F1; key <= VK_F12; ++key)
            result.push_back(TShortCut(modifiers | key));
    for (TShortCut shortCut :
         {TShortCut(VK_INSERT), TShortCut(scShift | VK_INSERT), TShortCut(scCtrl | VK_INSERT),
          TShortCut(VK_DELETE), TShortCut(scShift | VK_DELETE), TShortCut(scCtrl | VK_DELETE),
          TShortCut(scAlt | VK_BACK), TShortCut(scShift | scAlt | VK_BACK)})
        result.push_back(shortCut);
    return result;
}

} // namespace

Integer TpvrShortCutProperty::Attributes() { return 9; }
String TpvrShortCutProperty::ValueText() {
    const TShortCut value = TShortCut(GetOrdValue());
    return value == 0 ? String(kNoShortCut) : ShortCutToText(value);
}
void TpvrShortCutProperty::ApplyValueText(const String& text) {
    SetOrdValue(SameText(text, kNoShortCut) ? 0 : TextToShortCut(text));
}
void TpvrShortCutProperty::FillValueList() {
    TpvrPropertyEditor::FillValueList();
    FValues->Add(kNoShortCut);
    for (TShortCut shortCut : StockShortCuts())
        FValues->Add(ShortCutToText(shortCut));
}

Integer TpvrCursorProperty::Attributes() { return 11; }
String TpvrCursorProperty::ValueText() { return CursorToString(TCursor(GetOrdValue())); }
void TpvrCursorProperty::ApplyValueText(const String& text) { SetOrdValue(StringToCursor(text)); }
void TpvrCursorProperty::FillValueList() {
    TpvrPropertyEditor::FillValueList();
    GetCursorValues([this](const String& name) { FValues->Add(name); });
}

void TpvrFontNameProperty::FillValueList() {
    TpvrPropertyEditor::FillValueList();
    TStrings* fonts = Screen->GetFonts();
    for (Integer i = 0; i < fonts->GetCount(); ++i)
        FValues->Add(fonts->GetStrings(i));
}

String TpvrDateTimeProperty::ValueText() {
    const Extended value = GetFloatValue();
    return value == 0 ? String() : DateTimeToStr(TDateTime(value));
}
void TpvrDateTimeProperty::ApplyValueText(const String& text) {
    SetFloatValue(text.empty() ? 0 : StrToDateTime(text));
}

String TpvrDateProperty::ValueText() {
    const Extended value = GetFloatValue();
    return value == 0 ? String() : DateToStr(TDateTime(value));
}
void TpvrDateProperty::ApplyValueText(const String& text) {
    SetFloatValue(text.empty() ? 0 : StrToDate(text));
}

String TpvrTimeProperty::ValueText() {
    const Extended value = GetFloatValue();
    return value == 0 ? String() : TimeToStr(TDateTime(value));
}
void TpvrTimeProperty::ApplyValueText(const String& text) {
    SetFloatValue(text.empty() ? 0 : StrToTime(text));
}

// ---- Registries --------------------------------------------------------------------------------

void TpvrObjectCollection::RegisterObject(TClass cls, TBitmap* bitmap, Integer imageIndex, Integer flags,
                                          const String& hint, const String& category) {
    for (Integer i = 0; i < GetCount(); ++i)
        if (Items(i)->ClassRef == cls && Items(i)->Flags == flags) return;
    RegisterClass(cls);
    auto* item = static_cast<TpvrObjectItem*>(Add());
    item->ClassRef = cls;
    item->ButtonBmp = bitmap;
    item->ButtonImageIndex = imageIndex;
    item->Flags = flags;
    item->ButtonHint = hint;
    item->CategoryName = category;
    if (bitmap) bitmap->Dormant();
}

void TpvrPropertyEditorCollection::RegisterPropertyEditor(PTypeInfo type, TClass componentClass,
                                                          const String& propName,
                                                          TpvrPropertyEditorClass editorClass) {
    auto* item = static_cast<TpvrPropertyEditorItem*>(Add());
    item->PropType = type;
    item->ComponentClass = componentClass;
    item->PropName = propName;
    item->EditorClass = editorClass;
}

TpvrObjectCollection* pvrObjects() {
    static auto* registry = new TpvrObjectCollection();
    return registry;
}

TpvrComponentEditorCollection* pvrComponentEditors() {
    static auto* registry = new TpvrComponentEditorCollection();
    return registry;
}

TpvrExportFilterCollection* pvrExportFilters() {
    static auto* registry = new TpvrExportFilterCollection();
    return registry;
}

TpvrWizardCollection* pvrWizards() {
    static auto* registry = new TpvrWizardCollection();
    return registry;
}

TpvrPropertyEditorCollection* pvrPropertyEditors() {
    static TpvrPropertyEditorCollection* registry = [] {
        auto* r = new TpvrPropertyEditorCollection();
        const PTypeInfo color = GetPropInfo(TFont::StaticClass(), "Color")->PropType;
        const PTypeInfo charset = GetPropInfo(TFont::StaticClass(), "Charset")->PropType;
        const PTypeInfo fontName = GetPropInfo(TFont::StaticClass(), "Name")->PropType;
        const PTypeInfo cursor = GetPropInfo(TControl::StaticClass(), "Cursor")->PropType;
        const PTypeInfo shortCut = GetPropInfo(TMenuItem::StaticClass(), "ShortCut")->PropType;
        r->RegisterPropertyEditor(TypeInfo<String>(), TComponent::StaticClass(), "Name",
                                  PropertyEditorClass<TpvrNameProperty>());
        r->RegisterPropertyEditor(color, nullptr, "", PropertyEditorClass<TpvrColorProperty>());
        r->RegisterPropertyEditor(TypeInfo<TFont*>(), nullptr, "", PropertyEditorClass<TpvrFontProperty>());
        r->RegisterPropertyEditor(fontName, TFont::StaticClass(), "Name",
                                  PropertyEditorClass<TpvrFontNameProperty>());
        r->RegisterPropertyEditor(charset, TFont::StaticClass(), "Charset",
                                  PropertyEditorClass<TpvrFontCharsetProperty>());
        r->RegisterPropertyEditor(TypeInfo<Integer>(), nullptr, "ModalResult",
                                  PropertyEditorClass<TpvrModalResultProperty>());
        r->RegisterPropertyEditor(shortCut, nullptr, "", PropertyEditorClass<TpvrShortCutProperty>());
        r->RegisterPropertyEditor(cursor, nullptr, "", PropertyEditorClass<TpvrCursorProperty>());
        // Dates and times are date-time values here: the three editors share its type.
        r->RegisterPropertyEditor(TypeInfo<TDateTime>(), nullptr, "",
                                  PropertyEditorClass<TpvrDateTimeProperty>());
        r->RegisterPropertyEditor(TypeInfo<TDateTime>(), nullptr, "",
                                  PropertyEditorClass<TpvrDateProperty>());
        r->RegisterPropertyEditor(TypeInfo<TDateTime>(), nullptr, "",
                                  PropertyEditorClass<TpvrTimeProperty>());
        return r;
    }();
    return registry;
}
