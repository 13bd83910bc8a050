#include "suite/controls/qzBlobEdit.h"

#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzEditTextUtils.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/qzClasses.h"
#include "suite/foundation/qzVariants.h"

namespace {

void RegisterBlobEditProperties() {
    GetEditPropertiesRegistry()->Register(TqzBlobEditProperties::StaticClass(),
                                          LocalizeSuiteText("BlobEdit|Represents the BLOB editor"));
}

const char* const kBlobGlyphNames[] = {"QZBMBLOB_BLOB_NULL", "QZBMBLOB_BLOB", "QZBMBLOB_MEMO_NULL",
                                       "QZBMBLOB_MEMO",      "QZBMBLOB_PICT_NULL", "QZBMBLOB_PICT",
                                       "QZBMBLOB_OLE_NULL",  "QZBMBLOB_OLE"};

constexpr Integer kGlyphWidth = 18;
constexpr Integer kGlyphHeight = 16;

} // namespace

TCustomImageList* GetBlobGlyphs() {
    static std::unique_ptr<TImageList> list;
    if (!list) {
        TBitmap first;
        first.LoadFromResourceName(HInstance, kBlobGlyphNames[0]);
        list = std::make_unique<TImageList>(nullptr);
        list->SetWidth(first.GetWidth());
        list->SetHeight(first.GetHeight());
        for (const char* name : kBlobGlyphNames) {
            TBitmap glyph;
            glyph.LoadFromResourceName(HInstance, name);
            list->AddMasked(&glyph, clOlive);
        }
    }
    return list.get();
}

WideString BlobDisplayText(const Variant& value, TqzCustomBlobEditProperties* properties, bool fullText) {
    const TqzBlobEditKind kind = properties->GetBlobEditKind();
    if (fullText && kind == bekMemo && VarIsStr(value)) return StringToWide(VarToStr(value));
    switch (properties->GetBlobPaintStyle()) {
    case bpsDefault:
        if (kind == bekMemo)
            return StringToWide(LocalizeSuiteText(VarIsNull(value) ? "(memo)" : "(MEMO)"));
        if (kind == bekPict)
            return StringToWide(LocalizeSuiteText(VarIsNull(value) ? "(picture)" : "(PICTURE)"));
        return WideString();
    case bpsText:
        if (kind == bekMemo && VarIsStr(value)) return StringToWide(CutToFirstLine(VarToStr(value), 0));
        return WideString();
    default:
        return WideString();
    }
}

Integer PopupKeyResult(Word key, TShiftState shift, bool enterSaves, bool alwaysSaveData) {
    const bool alt = shift.Contains(ssAlt);
    if ((key == VK_F4 && !alt) || key == VK_ESCAPE || ((key == VK_UP || key == VK_DOWN) && alt))
        return alwaysSaveData && key != VK_ESCAPE ? mrOk : mrCancel;
    if (key == VK_RETURN && (enterSaves || shift.Contains(ssCtrl))) return mrOk;
    return 0;
}

// ---- Properties --------------------------------------------------------------------------------

TqzCustomBlobEditProperties::TqzCustomBlobEditProperties(TPersistent* owner) : TqzCustomPopupEditProperties(owner) {
    FPictureGraphicClass = DefaultPictureGraphicClass();
    SetImmediatePopup(true);
    SetPopupMinWidth(160);
    SetPopupMinHeight(140);
    SetPopupWidth(250);
    SetPopupHeight(200);
    // Made again when the editor unit was restarted (its end frees the registry).
    RegisterBlobEditProperties();
}

void TqzCustomBlobEditProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomBlobEditProperties*>(source);
    if (!other) {
        TqzCustomPopupEditProperties::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        TqzCustomPopupEditProperties::Assign(source);
        SetAlwaysSaveData(other->FAlwaysSaveData);
        SetBlobEditKind(other->FBlobEditKind);
        SetBlobPaintStyle(other->FBlobPaintStyle);
        MemoAutoReplace = other->MemoAutoReplace;
        MemoCharCase = other->MemoCharCase;
        MemoMaxLength = other->MemoMaxLength;
        MemoOEMConvert = other->MemoOEMConvert;
        MemoScrollBars = other->MemoScrollBars;
        MemoWantReturns = other->MemoWantReturns;
        MemoWantTabs = other->MemoWantTabs;
        MemoWordWrap = other->MemoWordWrap;
        PictureAutoSize = other->PictureAutoSize;
        PictureFilter = other->PictureFilter;
        SetPictureGraphicClass(other->FPictureGraphicClass);
        PictureTransparency = other->PictureTransparency;
        ShowExPopupItems = other->ShowExPopupItems;
        ShowPicturePopup = other->ShowPicturePopup;
        OnAssignPicture = other->OnAssignPicture;
        OnGetGraphicClass = other->OnGetGraphicClass;
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzCustomBlobEditProperties::ResolveAutoKind() {
    if (FBlobEditKind != bekAuto) return;
    IqzEditDefaultValuesProvider* provider = GetDefaultValuesProvider();
    if (provider && !provider->IsSourceActive()) return;
    TqzBlobEditKind kind = bekBlob;
    if (provider) {
        switch (provider->GetDefaultBlobEditKind()) {
        case 2: kind = bekPict; break;
        case 3: kind = bekMemo; break;
        case 4: kind = bekOle; break;
        default: kind = bekBlob; break;
        }
    }
    const bool locked = IsChangedLocked();
    SetChangedLocked(true);
    try {
        SetBlobEditKind(kind);
    } catch (...) {
        SetChangedLocked(locked);
        throw;
    }
    SetChangedLocked(locked);
}

TGraphicClass TqzCustomBlobEditProperties::DefaultPictureGraphicClass() {
    const std::vector<TGraphicClass>& list = GraphicClassList();
    return list.empty() ? nullptr : list.front();
}

TGraphicClass TqzCustomBlobEditProperties::ResolveGraphicClass(Integer recordIndex, TPersistent* data, bool paste) {
    TGraphicClass result = FPictureGraphicClass;
    if (!result) result = paste ? TBitmap::StaticClass() : nullptr;
    OnGetGraphicClass(this, recordIndex, data, result, paste);
    return result;
}

TClass TqzCustomBlobEditProperties::GetContainerClass() const { return TqzBlobEdit::StaticClass(); }

TqzCustomEditViewDataClass TqzCustomBlobEditProperties::GetViewDataClass() const {
    return &CreateEditViewData<TqzBlobEditViewData>;
}

TqzCustomEditViewInfoClass TqzCustomBlobEditProperties::GetViewInfoClass() const {
    return &TqzBlobEditViewInfo::CreateInstance;
}

TqzEditPopupWindowClass TqzCustomBlobEditProperties::GetPopupWindowClass() {
    return &TqzBlobEditPopupWindow::CreateInstance;
}

Integer TqzCustomBlobEditProperties::GetSupportedOperations() {
    return GetButtons()->GetVisibleCount() > 0 ? 36 : 4;
}

Integer TqzCustomBlobEditProperties::GetEditValueSource(bool) {
    ResolveAutoKind();
    if (FBlobEditKind != bekMemo) return 0;
    IqzEditDefaultValuesProvider* provider = GetDefaultValuesProvider();
    return provider && provider->IsBlobValueSource() ? 0 : 1;
}

WideString TqzCustomBlobEditProperties::GetDisplayTextWide(const Variant& editValue) {
    return GetDisplayTextWide(editValue, false);
}

WideString TqzCustomBlobEditProperties::GetDisplayTextWide(const Variant& editValue, bool fullText) {
    ResolveAutoKind();
    if (VarIsNull(editValue)) return WideString();
    switch (FBlobEditKind) {
    case bekMemo: return BlobDisplayText(editValue, this, fullText);
    case bekPict: return StringToWide("(PICTURE)");
    case bekOle: return StringToWide("OLE");
    case bekBlob: return StringToWide("BLOB");
    default: return WideString();
    }
}

bool TqzCustomBlobEditProperties::AreDisplayValuesEqual(const Variant& v1, const Variant& v2) {
    ResolveAutoKind();
    return FBlobPaintStyle == bpsText && FBlobEditKind == bekMemo && VarIsStr(v1) && VarIsStr(v2) &&
           VarToStr(v1) == VarToStr(v2);
}

void TqzCustomBlobEditProperties::SetBlobEditKind(TqzBlobEditKind value) {
    if (FBlobEditKind == value) return;
    FBlobEditKind = value;
    if (GetButtons()->GetCount() > 0)
        GetButtons()->GetItem(0)->SetKind(value == bekMemo || value == bekPict ? bkDown : bkEllipsis);
    Changed();
}

void TqzCustomBlobEditProperties::SetBlobPaintStyle(TqzBlobPaintStyle value) {
    if (FBlobPaintStyle == value) return;
    FBlobPaintStyle = value;
    Changed();
}

void TqzCustomBlobEditProperties::SetPictureGraphicClass(TGraphicClass value) {
    if (FPictureGraphicClass == value) return;
    FPictureGraphicClass = value;
    Changed();
}

String TqzCustomBlobEditProperties::GetPictureGraphicClassName() const {
    return FPictureGraphicClass ? String(FPictureGraphicClass->ClassName()) : String();
}

void TqzCustomBlobEditProperties::SetPictureGraphicClassName(const String& value) {
    if (value.empty()) {
        SetPictureGraphicClass(nullptr);
        return;
    }
    if (TGraphicClass cls = LookUpGraphicClass(value)) SetPictureGraphicClass(cls);
}

bool TqzCustomBlobEditProperties::IsPictureGraphicClassNameStored() {
    return FPictureGraphicClass != DefaultPictureGraphicClass();
}

void TqzCustomBlobEditProperties::DefineProperties(TFiler* filer) {
    TqzCustomPopupEditProperties::DefineProperties(filer);
    filer->DefineProperty(
        "IsPictureGraphicClassNameEmpty",
        [this](TReader* reader) {
            reader->ReadBoolean();
            SetPictureGraphicClass(nullptr);
        },
        [](TWriter* writer) { writer->WriteBoolean(true); }, FPictureGraphicClass == nullptr);
}

// ---- Popup controls ----------------------------------------------------------------------------

TqzPopupMemo::TqzPopupMemo(TComponent* owner, TqzCustomBlobEdit* blobEdit) : TqzMemo(owner), BlobEdit(blobEdit) {}

void TqzPopupMemo::HandleKeyDown(Word& key, TShiftState shift) {
    if (BlobEdit && BlobEdit->HandlePopupKey(key, shift, !GetActiveMemoProperties()->GetWantReturns())) return;
    TqzMemo::HandleKeyDown(key, shift);
}

void TqzPopupMemo::HandleEditKeyDown(Word& key, TShiftState shift) {
    if (BlobEdit && BlobEdit->HandlePopupKey(key, shift, !GetActiveMemoProperties()->GetWantReturns())) return;
    TqzMemo::HandleEditKeyDown(key, shift);
}

TqzPopupImage::TqzPopupImage(TComponent* owner, TqzCustomBlobEdit* blobEdit) : TqzImage(owner), BlobEdit(blobEdit) {}

void TqzPopupImage::HandleKeyDown(Word& key, TShiftState shift) {
    if (BlobEdit && BlobEdit->HandlePopupKey(key, shift, true)) return;
    TqzImage::HandleKeyDown(key, shift);
}

void TqzBlobEditPopupWindow::ForwardChar(char32_t ch) {
    auto* blob = dynamic_cast<TqzCustomBlobEdit*>(GetEdit());
    TqzPopupMemo* memo = blob ? blob->GetPopupMemo() : nullptr;
    if (!memo || memo->GetActiveMemoProperties()->GetReadOnly()) return;
    if (!blob->GetActiveBlobProperties()->MemoAutoReplace) {
        TqzPopupEditPopupWindow::ForwardChar(ch);
        return;
    }
    const String text = Utf8FromCodePoint(ch);
    memo->SetEditValue(Variant(text));
    memo->SetSelStart(Utf8Length(text));
    memo->SetModifiedAfterEntry(true);
}

// ---- View --------------------------------------------------------------------------------------

void TqzBlobEditViewInfo::MoveBy(Integer dx, Integer dy) {
    TqzCustomTextEditViewInfo::MoveBy(dx, dy);
    OffsetRect(&GlyphRect, dx, dy);
}

void TqzBlobEditViewInfo::PaintBackground(TqzCanvas* canvas) {
    if (!RectVisible(canvas->DeviceContext(), &Bounds)) return;
    if (GlyphIndex == -1) {
        DrawEditBackgroundAndButtons(canvas, this, true, 0);
        if (!Text.empty()) {
            canvas->Canvas->GetBrush()->SetStyle(bsClear);
            if (Font) canvas->SelectFont(Font);
            TFont* font = canvas->CurrentFont();
            font->SetColor(TextColor);
            canvas->SelectFont(font);
            TqzTextFlags flags = TextOutFlagsToCanvasFlags(TextOutFlags);
            if (TextOutFlags & toEndEllipsis) flags |= qzGraphics::tfEndEllipsis;
            canvas->OutputText(Text, TextRect, true, flags);
            canvas->Canvas->GetBrush()->SetStyle(bsSolid);
        }
    } else {
        TCustomImageList* glyphs = GetBlobGlyphs();
        const bool transparent = Properties && Properties->GetTransparent();
        if (glyphs && GlyphIndex >= 0 && GlyphIndex < glyphs->GetCount()) {
            TRect r;
            IntersectRect(&r, &GlyphRect, &ClientRect);
            std::unique_ptr<TqzRegion> saved = canvas->CopyClipRegion();
            canvas->IntersectClipArea(r);
            if (transparent)
                glyphs->Draw(canvas->Canvas, GlyphRect.left, GlyphRect.top, GlyphIndex, Enabled);
            else
                DrawImageListImage(canvas, glyphs, GlyphIndex, nullptr, Enabled, BackgroundColor, GlyphRect);
            canvas->ApplyClipRegion(std::move(saved));
            if (!transparent) canvas->ExcludeClipArea(r);
        }
        DrawEditBackgroundAndButtons(canvas, this, true, 0);
    }
    if (Focused && !IsInplace && !PopupOpen) {
        TRect r = ClientRect;
        InflateRect(&r, -1, -1);
        canvas->Canvas->GetFont()->SetColor(clWhite);
        canvas->SetBrushColor(clBlack);
        canvas->DrawFocusFrame(r);
    }
}

TqzCustomBlobEditProperties* TqzBlobEditViewData::GetBlobProperties() const {
    return static_cast<TqzCustomBlobEditProperties*>(GetProperties());
}

void TqzBlobEditViewData::EditValueToDisplayText(const Variant& editValue, String& text) {
    text = WideToString(BlobDisplayText(editValue, GetBlobProperties(), false));
}

void TqzBlobEditViewData::EditValueToViewInfo(TqzCanvas* canvas, const Variant& editValue,
                                              TqzCustomEditViewInfo* viewInfo) {
    TqzCustomBlobEditProperties* properties = GetBlobProperties();
    properties->ResolveAutoKind();
    auto* info = static_cast<TqzBlobEditViewInfo*>(viewInfo);
    if (properties->GetBlobPaintStyle() == bpsIcon) {
        info->Text.clear();
        Integer index = 0;
        switch (properties->GetBlobEditKind()) {
        case bekMemo: index = 2; break;
        case bekPict: index = 4; break;
        case bekOle: index = 6; break;
        default: index = 0; break; // bekBlob, and a kind still automatic
        }
        if (!IsVariantBlank(editValue)) ++index;
        info->GlyphIndex = index;
    } else {
        TqzCustomDropDownEditViewData::EditValueToViewInfo(canvas, editValue, viewInfo);
        String text;
        EditValueToDisplayText(editValue, text);
        info->Text = text;
        info->GlyphIndex = -1;
    }
}

void TqzBlobEditViewData::Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button,
                                    TShiftState shift, TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) {
    TqzCustomDropDownEditViewData::Calculate(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    auto* info = static_cast<TqzBlobEditViewInfo*>(viewInfo);
    const TRect c = info->ClientRect;
    info->GlyphRect.left = c.left + ((c.right - c.left) - kGlyphWidth) / 2;
    info->GlyphRect.top = c.top + ((c.bottom - c.top) - kGlyphHeight) / 2;
    info->GlyphRect.right = info->GlyphRect.left + kGlyphWidth;
    info->GlyphRect.bottom = info->GlyphRect.top + kGlyphHeight;
    info->PopupOpen = IsPopupOpen;
    if (Edit) EditValueToViewInfo(canvas, Edit->GetEditValue(), info);
    CalculateTextAttributes(canvas, info);
}

void TqzBlobEditViewData::CalculateTextAttributes(TqzCanvas*, TqzCustomTextEditViewInfo* viewInfo) {
    viewInfo->TextOutFlags = (IsInplace && !(PaintOptions & 8)) ? toCenterV | toSingleLine
                                                                : toCenterV | toSingleLine | toEndEllipsis;
}

void TqzBlobEditViewData::CalculateContentSize(TqzCanvas* canvas, const Variant& editValue, TSize& size,
                                               const TqzEditSizeParameters& sizeParameters) {
    TqzCustomDropDownEditViewData::CalculateContentSize(canvas, editValue, size, sizeParameters);
    if (GetBlobProperties()->GetBlobPaintStyle() == bpsIcon) size.cx += kGlyphWidth;
}

// ---- The editor --------------------------------------------------------------------------------

TqzCustomBlobEdit::TqzCustomBlobEdit(TComponent* owner) : TqzCustomPopupEdit(owner, false, true) { InitializeEditor(); }

TqzCustomBlobEdit::TqzCustomBlobEdit(TComponent* owner, bool isInplace) : TqzCustomPopupEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomBlobEdit::TqzCustomBlobEdit(TComponent* owner, bool isInplace, bool deferInitialization)
    : TqzCustomPopupEdit(owner, isInplace, deferInitialization) {}

TqzCustomBlobEdit::~TqzCustomBlobEdit() { DestroyPopupControls(); }

void TqzCustomBlobEdit::Initialize() {
    TqzCustomPopupEdit::Initialize();
    TControlStyle style = GetControlStyle();
    style.Exclude(csSetCaption);
    SetControlStyle(style);
    SetTabStop(true);
}

void TqzCustomBlobEdit::DestroyPopupControls() {
    if (GetProperties()) GetBlobProperties()->SetPopupControl(nullptr);
    FOkButton.reset();
    FCancelButton.reset();
    FPopupControl.reset();
}

void TqzCustomBlobEdit::AnswerPopupEditing(TObject*, bool& canEdit) { canEdit = CanModify(); }

bool TqzCustomBlobEdit::IsReadOnlyPopup() {
    return GetActiveBlobProperties()->GetReadOnly() || (GetDataBinding() && !GetDataBinding()->CanModify());
}

TGraphicClass TqzCustomBlobEdit::ResolveGraphicClass(bool paste) {
    if (IsInplace()) return GetActiveBlobProperties()->ResolveGraphicClass(RecordIndex, Data, paste);
    TGraphicClass result = GetActiveBlobProperties()->GetPictureGraphicClass();
    if (!result) result = paste ? TBitmap::StaticClass() : nullptr;
    OnGetGraphicClass(this, paste, result);
    return result;
}

void TqzCustomBlobEdit::PopupImageGraphicClass(TObject*, bool paste, TGraphicClass& graphicClass) {
    graphicClass = ResolveGraphicClass(paste);
}

void TqzCustomBlobEdit::PopupImagePropertiesGraphicClass(TObject*, Integer, TPersistent*,
                                                        TGraphicClass& graphicClass, bool paste) {
    graphicClass = ResolveGraphicClass(paste);
}

void TqzCustomBlobEdit::PopupChanged(TObject*) {
    if (!FOkButton) return;
    FOkButton->SetEnabled(true);
    FOkButton->SetDefault(true);
}

void TqzCustomBlobEdit::DoInitPopup() {
    PreparePopupControl();
    TqzCustomPopupEdit::DoInitPopup();
}

void TqzCustomBlobEdit::PreparePopupControl() {
    TqzCustomBlobEditProperties* properties = GetActiveBlobProperties();
    properties->ResolveAutoKind();
    const TqzBlobEditKind kind = properties->GetBlobEditKind();
    if (kind != bekMemo && kind != bekPict) return;
    const bool memoKind = kind == bekMemo;
    if (FPopupControl && (memoKind ? !GetPopupMemo() : !GetPopupImage())) DestroyPopupControls();
    if (!FPopupControl) {
        TqzCustomEdit* made = nullptr;
        if (memoKind) {
            auto* memo = new TqzPopupMemo(nullptr, this);
            FPopupControl.reset(memo);
            made = memo;
        } else {
            auto* image = new TqzPopupImage(nullptr, this);
            FPopupControl.reset(image);
            made = image;
        }
        made->OnEditing = TqzEditEditingEvent(this, &TqzCustomBlobEdit::AnswerPopupEditing);
        made->GetStyle()->SetEditBorderStyle(ebsNone);
        made->GetProperties()->OnChange = TNotifyEvent(this, &TqzCustomBlobEdit::PopupChanged);
    }
    auto* control = static_cast<TqzCustomEdit*>(FPopupControl.get());
    control->GetProperties()->SetReadOnly(IsReadOnlyPopup());
    if (TqzPopupMemo* memo = GetPopupMemo()) {
        TqzCustomMemoProperties* mp = memo->GetMemoProperties();
        mp->SetCharCase(properties->MemoCharCase);
        mp->SetImeMode(properties->GetImeMode());
        mp->SetImeName(properties->GetImeName());
        mp->SetMaxLength(properties->MemoMaxLength);
        mp->SetOEMConvert(properties->MemoOEMConvert);
        mp->SetScrollBars(properties->MemoScrollBars);
        mp->SetWantReturns(properties->MemoWantReturns);
        mp->SetWantTabs(properties->MemoWantTabs);
        mp->SetWordWrap(properties->MemoWordWrap);
        properties->SetPopupAutoSize(false);
        memo->SetEditValue(GetEditValue());
        memo->GetLookAndFeel()->SetMaster(GetPopupLookAndFeel());
        memo->GetStyle()->SetFont(GetActiveStyle()->GetFont());
        memo->GetStyle()->SetColor(GetActiveStyle()->GetColor());
    } else if (TqzPopupImage* image = GetPopupImage()) {
        TqzImageProperties* ip = image->GetImageEditProperties();
        ip->SetShowFocusRect(false);
        ip->SetStretch(true);
        ip->SetCustomFilter(properties->PictureFilter);
        ip->SetGraphicTransparency(properties->PictureTransparency);
        ip->OnClosePopup = TqzEditClosePopupEvent(this, &TqzCustomBlobEdit::HandlePopupImageClose);
        TqzPopupMenuItems items{pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave};
        if (!properties->ShowPicturePopup)
            items = TqzPopupMenuItems{};
        else if (!properties->ShowExPopupItems)
            items = TqzPopupMenuItems{pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiCustom};
        ip->GetPopupMenuLayout()->SetMenuItems(items);
        ip->SetGraphicClass(properties->GetPictureGraphicClass());
        image->OnGetGraphicClass = TqzImageEditGraphicClassEvent(this, &TqzCustomBlobEdit::PopupImageGraphicClass);
        ip->OnGetGraphicClass =
            TqzImageGraphicClassEvent(this, &TqzCustomBlobEdit::PopupImagePropertiesGraphicClass);
        LoadPictureFromValue(image->GetPicture(), ResolveGraphicClass(false), GetEditValue());
        image->SetModifiedFlag(false);
        image->SetModifiedAfterEntry(false);
        image->GetLookAndFeel()->SetMaster(GetPopupLookAndFeel());
        properties->SetPopupAutoSize(properties->PictureAutoSize);
    }
    properties->SetPopupControl(control);
    properties->SetPopupSysPanelStyle(true);
    if (GetPopupWindow()) control->SetParent(GetPopupWindow());
    PreparePopupButtons();
}

void TqzCustomBlobEdit::HandleColorChange() {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleColorChange();
    if (!alive || IsEditorDestroying() || !HasOpenPopup()) return;
    if (TqzPopupMemo* memo = GetPopupMemo()) memo->GetStyle()->SetColor(GetActiveStyle()->GetColor());
}

void TqzCustomBlobEdit::HandleFontChange() {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleFontChange();
    if (!alive || IsEditorDestroying() || !HasOpenPopup()) return;
    TFont* font = GetActiveStyle()->GetFont();
    if (TqzPopupMemo* memo = GetPopupMemo()) memo->GetStyle()->SetFont(font);
    for (TqzButton* button : {FOkButton.get(), FCancelButton.get()})
        if (button) button->GetFont()->Assign(font);
}

void TqzCustomBlobEdit::PreparePopupButtons() {
    TqzCustomBlobEditProperties* properties = GetActiveBlobProperties();
    const bool readOnly = IsReadOnlyPopup();
    const String ok = LocalizeSuiteText("&OK");
    const String cancel = LocalizeSuiteText(readOnly ? "&Close" : "&Cancel");
    TqzCanvas* canvas = GetControlCanvas();
    canvas->SelectFont(GetStyle()->GetFont());
    FButtonWidth = std::max(canvas->TextWidthOf(cancel + "00"), canvas->TextWidthOf(ok + "00"));
    FButtonHeight = MulDiv(canvas->TextHeightOf("Wg"), 20, 13);
    auto makeButton = [&](std::unique_ptr<TqzButton>& button, const String& caption) {
        if (!button) button = std::make_unique<TqzButton>(nullptr);
        button->SetUseSystemPaint(false);
        button->SetCaption(caption);
        button->GetFont()->Assign(GetStyle()->GetFont());
        button->GetLookAndFeel()->SetMaster(GetPopupLookAndFeel());
        button->SetWidth(FButtonWidth);
        button->SetHeight(FButtonHeight);
        if (GetPopupWindow()) button->SetParent(GetPopupWindow());
    };
    makeButton(FCancelButton, cancel);
    FCancelButton->SetCancel(true);
    FCancelButton->SetModalResult(mrCancel);
    const bool editable = !readOnly && CanModify();
    if (editable) {
        makeButton(FOkButton, ok);
        FOkButton->SetModalResult(mrOk);
        auto* control = static_cast<TqzCustomEdit*>(FPopupControl.get());
        FOkButton->SetEnabled(control->GetModified() || control->GetModifiedAfterEnter());
    } else {
        FOkButton.reset();
    }
    if (GetPopupWindow()) GetPopupWindow()->SetSysPanelHeight(FButtonHeight + FButtonHeight / 3);
    Integer minWidth = GetSystemMetrics(SM_CXVSCROLL) + (FButtonWidth + FButtonHeight / 3);
    if (FOkButton) minWidth *= 2;
    properties->SetPopupMinWidth(minWidth + FButtonHeight / 2);
}

void TqzCustomBlobEdit::PreparePopupWindow() {
    if (!FCancelButton) {
        TqzCustomPopupEdit::PreparePopupWindow();
        return;
    }
    GetStyle()->SetPopupCloseButton(false);
    TqzCustomPopupEdit::PreparePopupWindow();
    TqzCustomEditPopupWindow* window = GetPopupWindow();
    if (!window) return;
    TqzCustomEditPopupWindowViewInfo* info = window->GetEditViewInfo();
    const Integer h = FButtonHeight;
    const Integer w = FButtonWidth;
    const Integer popupWidth = window->GetWidth();
    const Integer corner = info->SizeGripCorner;
    TRect g = info->SizeGripRect;
    if (IsRectEmpty(&g)) {
        // A popup that cannot be sized has no grip: the buttons are placed as beside a grip of no
        // width in its corner (measured from the missing grip they would leave the window).
        const TRect& s = info->SizingRegionBounds;
        g.left = g.right = info->IsGripOnRight() ? s.right : s.left;
        g.top = g.bottom = info->IsGripAtBottom() ? s.bottom - 2 : s.top + 2;
    }
    Integer r;
    if (corner == 1 || corner == 3)
        r = h / 6 + w + popupWidth - g.left;
    else
        r = std::max(2 * (h / 6) + w, g.left + w);
    const Integer panel = info->SysPanelHeight;
    Integer top;
    TAnchors anchors;
    if (corner == 0 || corner == 1) {
        top = g.top + (panel - h) / 2 - 2;
        anchors = TAnchors{akTop, akRight};
    } else {
        top = g.bottom - (panel - h) / 2 - h + 2;
        anchors = TAnchors{akRight, akBottom};
    }
    FCancelButton->SetBounds(popupWidth - r, top, w, h);
    FCancelButton->SetAnchors(anchors);
    if (FOkButton) {
        FOkButton->SetBounds(popupWidth - r - (h / 3 + w), top, w, h);
        FOkButton->SetAnchors(anchors);
    }
}

TWinControl* TqzCustomBlobEdit::GetPopupFocusedControl() {
    return FPopupControl ? FPopupControl.get() : TqzCustomPopupEdit::GetPopupFocusedControl();
}

void TqzCustomBlobEdit::GetPopupContentSize(Integer& width, Integer& height) {
    TqzCustomBlobEditProperties* properties = GetActiveBlobProperties();
    if (properties->GetBlobEditKind() == bekPict && properties->PictureAutoSize && GetPopupImage()) {
        width = GetPopupImage()->GetPicture()->GetWidth() + 4;
        height = GetPopupImage()->GetPicture()->GetHeight() + 4;
        return;
    }
    TqzCustomPopupEdit::GetPopupContentSize(width, height);
}

bool TqzCustomBlobEdit::PopupModified() {
    auto* control = dynamic_cast<TqzCustomEdit*>(FPopupControl.get());
    return control && (control->GetModified() || control->GetModifiedAfterEnter());
}

void TqzCustomBlobEdit::TakePopupValue() {
    Variant value;
    if (TqzPopupMemo* memo = GetPopupMemo()) {
        value = Variant(memo->GetLines()->GetText());
    } else if (TqzPopupImage* image = GetPopupImage()) {
        value = image->GetEditValue();
        TGraphic* graphic = image->GetPicture()->GetGraphic();
        FLastGraphicClass = graphic ? graphic->ClassType() : nullptr;
    } else {
        return;
    }
    SetEditValueAsUser(value);
    SetModifiedAfterEntry(true);
}

void TqzCustomBlobEdit::AssignPopupPicture() {
    TqzPopupImage* image = GetPopupImage();
    if (!image) return;
    const TLivenessToken alive = LivenessToken();
    LockEditValueChanging(true);
    try {
        GetBlobProperties()->OnAssignPicture(this, image->GetPicture());
        if (alive && GetRepositoryItem()) GetActiveBlobProperties()->OnAssignPicture(this, image->GetPicture());
        if (alive) {
            PushModifiedState();
            SetModifiedFlag(false);
            try {
                RequestEditing();
            } catch (...) {
                if (alive) PopModifiedState();
                throw;
            }
            if (alive) PopModifiedState();
        }
    } catch (...) {
        if (alive) LockEditValueChanging(false);
        throw;
    }
    if (alive) LockEditValueChanging(false);
}

void TqzCustomBlobEdit::ClosePopupWithResult(TModalResult result) {
    const TLivenessToken alive = LivenessToken();
    LockChangeEvents(true);
    try {
        const bool saveData = GetActiveBlobProperties()->GetAlwaysSaveData();
        if (PopupModified() && !IsReadOnlyPopup() &&
            (result == mrOk || (saveData && result != mrCancel)) && RequestEditing()) {
            TakePopupValue();
            if (alive) AssignPopupPicture();
            if (alive && GetActiveBlobProperties()->ImmediatePost && HasPendingModification() && ValidateEditing(true))
                PostEditValue();
        }
    } catch (...) {
        if (alive) LockChangeEvents(false);
        throw;
    }
    if (alive) LockChangeEvents(false);
}

void TqzCustomBlobEdit::PopupWindowClosed(TObject* sender) {
    const TLivenessToken alive = LivenessToken();
    LockChangeEvents(true);
    try {
        ClosePopupWithResult(GetPopupWindow() ? GetPopupWindow()->GetModalResult() : mrNone);
        if (alive) TqzCustomPopupEdit::PopupWindowClosed(sender);
        if (alive) UpdateViewAtCursor();
    } catch (...) {
        if (alive) LockChangeEvents(false);
        throw;
    }
    if (alive) LockChangeEvents(false);
}

bool TqzCustomBlobEdit::HandlePopupKey(Word& key, TShiftState shift, bool enterSaves) {
    const Integer result = PopupKeyResult(key, shift, enterSaves, GetActiveBlobProperties()->GetAlwaysSaveData());
    if (result == 0) return false;
    key = 0;
    if (TqzCustomEditPopupWindow* window = GetPopupWindow()) window->SetModalResult(result);
    return true;
}

void TqzCustomBlobEdit::HandlePopupImageClose(TObject*, TqzEditCloseUpReason reason) {
    if (HasOpenPopup()) return;
    if (reason == 4) TakePopupValue();
    FireClosePopupEvent(reason);
}

String TqzCustomBlobEdit::GetEditingText() {
    if (IsDesigning()) return VarToStr(GetEditValue());
    if (GetActiveBlobProperties()->GetBlobEditKind() != bekMemo) return String();
    if (HasOpenPopup() && GetPopupMemo()) return GetPopupMemo()->GetLines()->GetText();
    return VarIsStr(GetEditValue()) ? VarToStr(GetEditValue()) : String();
}

bool TqzCustomBlobEdit::SetEditingText(const String& text) {
    if (IsDesigning()) {
        SetEditValue(Variant(text));
        return true;
    }
    if (GetActiveBlobProperties()->GetBlobEditKind() != bekMemo) return false;
    if (HasOpenPopup() && GetPopupMemo())
        GetPopupMemo()->SetTextIfEditable(text);
    else
        SetEditValue(Variant(text));
    return true;
}

void TqzCustomBlobEdit::SetTextIfEditable(const String& text) {
    if (GetActiveBlobProperties()->GetBlobEditKind() != bekMemo) return;
    if (HasOpenPopup())
        SetText(text);
    else
        TqzCustomPopupEdit::SetTextIfEditable(text);
}

void TqzCustomBlobEdit::ApplyActiveProperties(TObject* properties) {
    if (IsEditorDestroying()) return;
    TqzCustomPopupEdit::ApplyActiveProperties(properties);
    UpdateViewAtCursor();
    if (HasOpenPopup()) {
        if (TqzPopupImage* image = GetPopupImage())
            image->GetImageEditProperties()->SetGraphicClass(GetActiveBlobProperties()->GetPictureGraphicClass());
        if (TqzPopupMemo* memo = GetPopupMemo()) {
            memo->GetMemoProperties()->SetImeMode(GetActiveBlobProperties()->GetImeMode());
            memo->GetMemoProperties()->SetImeName(GetActiveBlobProperties()->GetImeName());
        }
    }
}

TqzBlobEdit::TqzBlobEdit(TComponent* owner) : TqzCustomBlobEdit(owner, false, true) { InitializeEditor(); }

TqzBlobEdit::TqzBlobEdit(TComponent* owner, bool isInplace) : TqzCustomBlobEdit(owner, isInplace, true) {
    InitializeEditor();
}

// ---- Streaming ---------------------------------------------------------------------------------

KOV_PUBLISHED(TqzCustomBlobEditProperties) {}

KOV_PUBLISHED(TqzBlobEditProperties) {
    using P = TqzBlobEditProperties;
    Property("AlwaysSaveData", &P::GetAlwaysSaveData, &P::SetAlwaysSaveData).Default(true);
    Property("AssignedValues", &P::GetAssignedValues, &P::SetAssignedValues);
    Property("BlobEditKind", &P::GetBlobEditKind, &P::SetBlobEditKind).Default(bekAuto);
    Property("BlobPaintStyle", &P::GetBlobPaintStyle, &P::SetBlobPaintStyle).Default(bpsIcon);
    Property("ImeMode", &P::GetImeMode, &P::SetImeMode).Default(imDontCare);
    Property("ImeName", &P::GetImeName, &P::SetImeName).TypeName("TImeName");
    Property("ImmediatePopup", &P::GetImmediatePopup, &P::SetImmediatePopup).Default(true);
    Property("ImmediatePost", &P::ImmediatePost).Default(false);
    Property("MemoAutoReplace", &P::MemoAutoReplace).Default(false);
    Property("MemoCharCase", &P::MemoCharCase).Default(ecNormal);
    Property("MemoMaxLength", &P::MemoMaxLength).Default(Integer(0));
    Property("MemoOEMConvert", &P::MemoOEMConvert).Default(false);
    Property("MemoScrollBars", &P::MemoScrollBars).Default(ssNone);
    Property("MemoWantReturns", &P::MemoWantReturns).Default(true);
    Property("MemoWantTabs", &P::MemoWantTabs).Default(true);
    Property("MemoWordWrap", &P::MemoWordWrap).Default(true);
    Property("PictureAutoSize", &P::PictureAutoSize).Default(true);
    Property("PictureFilter", &P::PictureFilter);
    Property("PictureGraphicClassName", &P::GetPictureGraphicClassName, &P::SetPictureGraphicClassName)
        .Stored(&P::IsPictureGraphicClassNameStored);
    Property("PictureTransparency", &P::PictureTransparency).Default(gtDefault);
    Property("PopupHeight", &P::GetPopupHeight, &P::SetPopupHeight).Default(Integer(200));
    Property("PopupWidth", &P::GetPopupWidth, &P::SetPopupWidth).Default(Integer(250));
    Property("ReadOnly", &P::GetReadOnly, &P::SetReadOnly).Stored(&P::IsReadOnlyStored);
    Property("ShowExPopupItems", &P::ShowExPopupItems).Default(true);
    Property("ShowPicturePopup", &P::ShowPicturePopup).Default(true);
    Property("OnAssignPicture", &P::OnAssignPicture);
    Property("OnButtonClick", &P::OnButtonClick);
    Property("OnChange", &P::OnChange);
    Property("OnCloseQuery", &P::OnCloseQuery);
    Property("OnCloseUp", &P::OnCloseUp);
    Property("OnEditValueChanged", &P::OnEditValueChanged);
    Property("OnGetGraphicClass", &P::OnGetGraphicClass);
    Property("OnInitPopup", &P::OnInitPopup);
    Property("OnPopup", &P::OnPopup);
    Property("OnValidate", &P::OnValidate);
}

KOV_PUBLISHED(TqzCustomBlobEdit) {}

KOV_PUBLISHED(TqzBlobEdit) {
    Property("Properties", &TqzBlobEdit::GetBlobEditProperties, &TqzBlobEdit::SetBlobEditProperties);
}

namespace {

const bool kBlobEditRegistered = [] {
    RegisterEnum<TqzBlobEditKind>("TqzBlobEditKind", {"bekAuto", "bekMemo", "bekPict", "bekOle", "bekBlob"});
    RegisterEnum<TqzBlobPaintStyle>("TqzBlobPaintStyle", {"bpsDefault", "bpsIcon", "bpsText"});
    RegisterInterfacedPersistentClass<TqzCustomBlobEditProperties>();
    RegisterInterfacedPersistentClass<TqzBlobEditProperties>();
    RegisterClasses({TqzBlobEdit::StaticClass()});
    RegisterBlobEditProperties();
    return true;
}();

} // namespace
