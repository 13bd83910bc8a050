#include "suite/controls/qzImageComboBox.h"

#include <algorithm>

#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/qzClasses.h"
#include "suite/foundation/qzVariants.h"

namespace {

void RegisterImageComboBoxProperties() {
    GetEditPropertiesRegistry()->Register(
        TqzImageComboBoxProperties::StaticClass(),
        LocalizeSuiteText("ImageComboBox|Represents an editor displaying the list of images and text strings "
                          "within the dropdown window"));
}

bool InRange(TCustomImageList* images, Integer index) {
    return images && index >= 0 && index < images->GetCount();
}

} // namespace

// ---- Items -------------------------------------------------------------------------------------

TqzImageComboBoxItem::TqzImageComboBoxItem(TCollection* collection) : TCollectionItem(collection) {
    if (!collection) return;
    if (auto* properties = dynamic_cast<TqzCustomImageComboBoxProperties*>(collection->GetOwner()))
        if (TCustomImageList* images = properties->GetImages())
            if (images->GetCount() >= collection->GetCount()) FImageIndex = GetIndex();
}

void TqzImageComboBoxItem::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TqzImageComboBoxItem*>(source)) {
        SetDescription(other->FDescription);
        SetImageIndex(other->FImageIndex);
        FTag = other->FTag;
        SetValue(other->FValue);
        return;
    }
    TCollectionItem::Assign(source);
}

void TqzImageComboBoxItem::SetDescription(const String& value) {
    if (FDescription == value) return;
    FDescription = value;
    Changed(false);
}

void TqzImageComboBoxItem::SetImageIndex(Integer value) {
    if (FImageIndex == value) return;
    FImageIndex = value;
    Changed(false);
}

void TqzImageComboBoxItem::SetValue(const Variant& value) {
    if (VariantsEqualSameType(FValue, value)) return;
    FValue = value;
    Changed(false);
}

TqzImageComboBoxItems::TqzImageComboBoxItems(TPersistent* owner)
    : TOwnedCollection(owner, TCollectionItemClass::Of<TqzImageComboBoxItem>()) {}

void TqzImageComboBoxItems::Update(TCollectionItem* item) {
    TOwnedCollection::Update(item);
    if (auto* properties = dynamic_cast<TqzCustomImageComboBoxProperties*>(GetOwner())) properties->Changed();
}

// ---- Properties --------------------------------------------------------------------------------

TqzCustomImageComboBoxProperties::TqzCustomImageComboBoxProperties(TPersistent* owner)
    : TqzCustomComboBoxProperties(owner), FImagesLink(std::make_unique<TChangeLink>()),
      FItems(std::make_unique<TqzImageComboBoxItems>(this)), FLargeImagesLink(std::make_unique<TChangeLink>()) {
    FImagesLink->OnChange = TNotifyEvent(this, &TqzCustomImageComboBoxProperties::ImagesChanged);
    FLargeImagesLink->OnChange = TNotifyEvent(this, &TqzCustomImageComboBoxProperties::ImagesChanged);
    SetDropDownListStyle(lsFixedList);
    // Made again when the editor unit was restarted (its end frees the registry).
    RegisterImageComboBoxProperties();
}

TqzCustomImageComboBoxProperties::~TqzCustomImageComboBoxProperties() {
    if (FImages) FImages->UnRegisterChanges(FImagesLink.get());
    if (FLargeImages) FLargeImages->UnRegisterChanges(FLargeImagesLink.get());
    if (GetFreeNotificator()) {
        GetFreeNotificator()->UnwatchComponent(FImages);
        GetFreeNotificator()->UnwatchComponent(FLargeImages);
    }
}

void TqzCustomImageComboBoxProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomImageComboBoxProperties*>(source);
    if (!other) {
        TqzCustomComboBoxProperties::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        TqzCustomComboBoxProperties::Assign(source);
        SetDefaultDescription(other->FDefaultDescription);
        SetDefaultImageIndex(other->FDefaultImageIndex);
        SetImageAlign(other->FImageAlign);
        SetImages(other->FImages);
        FItems->Assign(other->FItems.get());
        SetLargeImages(other->FLargeImages);
        SetMultiLineText(other->FMultiLineText);
        SetShowDescriptions(other->FShowDescriptions);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TqzImageComboBoxItem* TqzCustomImageComboBoxProperties::FindItemByValue(const Variant& value) {
    for (Integer i = 0; i < FItems->GetCount(); ++i)
        if (VariantValuesEqualBoolAsText(FItems->GetItem(i)->GetValue(), value)) return FItems->GetItem(i);
    return nullptr;
}

TqzImageComboBoxItem* TqzCustomImageComboBoxProperties::FindItemByDescription(const String& text) {
    if (!FShowDescriptions) return nullptr;
    for (Integer i = 0; i < FItems->GetCount(); ++i)
        if (TextsEqual(FItems->GetItem(i)->GetDescription(), text, false)) return FItems->GetItem(i);
    return nullptr;
}

void TqzCustomImageComboBoxProperties::GetItemDescriptionAndImage(TqzImageComboBoxItem* item, String& description,
                                                                  Integer& imageIndex) {
    description = !FShowDescriptions ? String() : item ? item->GetDescription() : FDefaultDescription;
    imageIndex = item ? item->GetImageIndex() : FDefaultImageIndex;
}

void TqzCustomImageComboBoxProperties::GetValueDescriptionAndImage(const Variant& value, String& description,
                                                                   Integer& imageIndex) {
    GetItemDescriptionAndImage(FindItemByValue(value), description, imageIndex);
}

TClass TqzCustomImageComboBoxProperties::GetContainerClass() const { return TqzImageComboBox::StaticClass(); }

TqzCustomEditViewDataClass TqzCustomImageComboBoxProperties::GetViewDataClass() const {
    return &CreateEditViewData<TqzImageComboBoxViewData>;
}

TqzCustomEditViewInfoClass TqzCustomImageComboBoxProperties::GetViewInfoClass() const {
    return &TqzImageComboBoxViewInfo::CreateInstance;
}

TClass TqzCustomImageComboBoxProperties::GetLookupDataClass() const {
    return TqzImageComboBoxLookupData::StaticClass();
}

Integer TqzCustomImageComboBoxProperties::GetSupportedOperations() {
    Integer result = GetButtons()->GetVisibleCount() > 0 ? 0x183C : 0x181C;
    if (FShowDescriptions) result |= 0x40;
    return result;
}

void TqzCustomImageComboBoxProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool) {
    TqzImageComboBoxItem* item = FindItemByValue(editValue);
    displayValue = Variant(item ? item->GetDescription() : FDefaultDescription);
}

WideString TqzCustomImageComboBoxProperties::GetDisplayTextWide(const Variant& editValue) {
    Variant display;
    PrepareDisplayValue(editValue, display, false);
    return StringToWide(VarToStr(display));
}

bool TqzCustomImageComboBoxProperties::AreDisplayValuesEqual(const Variant& v1, const Variant& v2) {
    String d1, d2;
    Integer i1 = -1, i2 = -1;
    GetValueDescriptionAndImage(v1, d1, i1);
    GetValueDescriptionAndImage(v2, d2, i2);
    return TextsEqual(d1, d2, true) && (!FImages || i1 == i2);
}

bool TqzCustomImageComboBoxProperties::IsLookupText(const String& text) { return FindItemByDescription(text) != nullptr; }

void TqzCustomImageComboBoxProperties::HandleFreeNotification(TObject* sender, TComponent* component) {
    TqzCustomComboBoxProperties::HandleFreeNotification(sender, component);
    if (component && component == FImages) FImages = nullptr;
    if (component && component == FLargeImages) FLargeImages = nullptr;
}

void TqzCustomImageComboBoxProperties::SetDefaultDescription(const String& value) {
    if (FDefaultDescription == value) return;
    FDefaultDescription = value;
    Changed();
}

void TqzCustomImageComboBoxProperties::SetDefaultImageIndex(Integer value) {
    if (FDefaultImageIndex == value) return;
    FDefaultImageIndex = value;
    Changed();
}

void TqzCustomImageComboBoxProperties::SetImageAlign(TqzImageAlign value) {
    if (FImageAlign == value) return;
    FImageAlign = value;
    Changed();
}

void TqzCustomImageComboBoxProperties::SetImageList(TCustomImageList*& field, TChangeLink* link,
                                                    TCustomImageList* value) {
    if (field == value) return;
    if (field) {
        field->UnRegisterChanges(link);
        GetFreeNotificator()->UnwatchComponent(field);
    }
    field = value;
    if (field) {
        field->RegisterChanges(link);
        GetFreeNotificator()->WatchComponent(field);
    }
    Changed();
}

void TqzCustomImageComboBoxProperties::SetImages(TCustomImageList* value) {
    SetImageList(FImages, FImagesLink.get(), value);
}

void TqzCustomImageComboBoxProperties::SetLargeImages(TCustomImageList* value) {
    SetImageList(FLargeImages, FLargeImagesLink.get(), value);
}

void TqzCustomImageComboBoxProperties::SetItems(TqzImageComboBoxItems* value) {
    FItems->Assign(value);
    Changed();
}

void TqzCustomImageComboBoxProperties::SetMultiLineText(bool value) {
    if (FMultiLineText == value) return;
    FMultiLineText = value;
    Changed();
}

void TqzCustomImageComboBoxProperties::SetShowDescriptions(bool value) {
    if (FShowDescriptions == value) return;
    FShowDescriptions = value;
    Changed();
}

void TqzCustomImageComboBoxProperties::ImagesChanged(TObject*) { Changed(); }

// ---- Lookup data -------------------------------------------------------------------------------

TqzCustomImageComboBoxProperties* TqzImageComboBoxLookupData::GetImageComboProperties() {
    return dynamic_cast<TqzCustomImageComboBoxProperties*>(GetActiveProperties());
}

Integer TqzImageComboBoxLookupData::GetItemCount() {
    TqzCustomImageComboBoxProperties* properties = GetImageComboProperties();
    return properties ? properties->GetItems()->GetCount() : 0;
}

String TqzImageComboBoxLookupData::GetItemText(Integer index) {
    TqzCustomImageComboBoxProperties* properties = GetImageComboProperties();
    if (!properties || index < 0 || index >= properties->GetItems()->GetCount()) return String();
    return properties->GetItems()->GetItem(index)->GetDescription();
}

TqzCustomEditListBoxClass TqzImageComboBoxLookupData::GetListBoxClass() {
    return &TqzImageComboBoxListBox::CreateInstance;
}

void TqzImageComboBoxLookupData::SyncWithEditText() {
    TqzCustomImageComboBoxProperties* properties = GetImageComboProperties();
    TqzImageComboBoxItem* item = properties && GetEdit() ? properties->FindItemByValue(GetEdit()->GetEditValue()) : nullptr;
    SetCurrentKey(item ? item->GetIndex() : -1);
}

// ---- List --------------------------------------------------------------------------------------

TqzImageComboBoxListBox::TqzImageComboBoxListBox(TComponent* owner) : TqzComboBoxListBox(owner) {
    SetBorderStyle(bsNone);
    SetStyle(lbOwnerDrawVariable);
}

TqzCustomImageComboBoxProperties* TqzImageComboBoxListBox::GetProperties() {
    TqzCustomComboBox* combo = GetComboBox();
    return combo ? dynamic_cast<TqzCustomImageComboBoxProperties*>(combo->GetActiveProperties()) : nullptr;
}

TCustomImageList* TqzImageComboBoxListBox::GetImages() {
    TqzCustomImageComboBoxProperties* properties = GetProperties();
    if (!properties) return nullptr;
    return properties->GetLargeImages() ? properties->GetLargeImages() : properties->GetImages();
}

TRect TqzImageComboBoxListBox::GetImageRect(const TRect& itemRect) {
    TCustomImageList* images = GetImages();
    if (!images) return TRect{0, 0, 0, 0};
    TRect r = itemRect;
    const Integer w = images->GetWidth();
    TqzCustomImageComboBoxProperties* properties = GetProperties();
    if (properties && properties->GetImageAlign() == iaRight)
        r.left = r.right - w - 4;
    else
        r.right = r.left + w + 4;
    return r;
}

void TqzImageComboBoxListBox::DrawItem(Integer index, TRect rect, TOwnerDrawState state) {
    if (DoDrawItem(index, rect, state)) return;
    TCanvas* canvas = GetCanvas();
    TqzCanvas qzCanvas(canvas);
    qzCanvas.FillRectOrTile(rect);
    TqzCustomImageComboBoxProperties* properties = GetProperties();
    if (!properties || index < 0 || index >= properties->GetItems()->GetCount()) return;
    TqzImageComboBoxItem* item = properties->GetItems()->GetItem(index);
    UINT flags = properties->GetMultiLineText() ? 0x850 : 0x824;
    if (IsRightToLeft()) flags |= DT_RIGHT | DT_RTLREADING;
    TRect t = rect;
    if (IsRightToLeft()) t.right -= 2;
    else t.left += 2;
    if (TCustomImageList* images = GetImages()) {
        const TRect p = GetImageRect(rect);
        if (InRange(images, item->GetImageIndex()))
            images->Draw(canvas, p.left + 1, (p.top + p.bottom - images->GetHeight()) / 2, item->GetImageIndex(),
                         GetEnabled());
        if (p.left > t.left) t.right = p.left;
        if (p.right < t.right) t.left = p.right;
    }
    if (IsRectEmpty(&t)) return;
    const String& text = item->GetDescription();
    const int oldMode = SetBkMode(canvas->GetHandle(), TRANSPARENT);
    DrawTextA(canvas->GetHandle(), text.c_str(), Integer(text.size()), &t, flags);
    SetBkMode(canvas->GetHandle(), oldMode);
}

Integer TqzImageComboBoxListBox::MeasureItemHeight(Integer index) {
    TqzCustomImageComboBoxProperties* properties = GetProperties();
    TCustomImageList* images = GetImages();
    const Integer a = images ? images->GetHeight() + 2 : 0;
    Integer w = MeasuringWidth - 2;
    if (images) w -= images->GetWidth() + 4;
    TCanvas* canvas = GetCanvas();
    canvas->SetFont(GetFont());
    if (properties && properties->GetMultiLineText() && w > 0 && index >= 0 &&
        index < properties->GetItems()->GetCount()) {
        const String& text = properties->GetItems()->GetItem(index)->GetDescription();
        RECT r{0, 0, w, a};
        DrawTextA(canvas->GetHandle(), text.c_str(), Integer(text.size()), &r, 0xC50);
        return std::max(a, Integer(r.bottom - r.top) + 2);
    }
    TqzCanvas qzCanvas(canvas);
    return std::max(a, qzCanvas.TextHeightOf("Wg") + 2);
}

void TqzImageComboBoxListBox::MeasureItem(Integer index, Integer& height) { height = MeasureItemHeight(index); }

Integer TqzImageComboBoxListBox::GetHeightForRows(Integer rows, Integer maxHeight) {
    TqzCustomImageComboBoxProperties* properties = GetProperties();
    const bool multiLine = properties && properties->GetMultiLineText();
    TqzCustomComboBox* combo = GetComboBox();
    MeasuringWidth = 0;
    if (multiLine && combo) {
        const TRect owner = combo->GetPopupOwnerBounds();
        TRect extents{0, 0, 0, 0};
        if (combo->GetPopupWindow()) combo->GetPopupWindow()->GetEditViewInfo()->GetClientExtent(extents);
        MeasuringWidth = (owner.right - owner.left) - extents.left - extents.right;
    }
    // Only existing items count: rows beyond the item count add nothing.
    const Integer count = properties ? properties->GetItems()->GetCount() : 0;
    const Integer n = std::min(rows, count);
    auto sum = [&] {
        Integer s = 0;
        for (Integer i = 0; i < n; ++i) s += MeasureItemHeight(i);
        return s;
    };
    Integer s = sum();
    if (!multiLine) return s;
    if (s > maxHeight || count > rows) {
        MeasuringWidth -= GetSystemMetrics(SM_CXVSCROLL);
        s = sum();
    }
    return s;
}

Integer TqzImageComboBoxListBox::GetPreferredWidth() {
    TqzCustomImageComboBoxProperties* properties = GetProperties();
    TCustomImageList* images = GetImages();
    const Integer b = images ? images->GetWidth() + 8 : 4;
    Integer result = b;
    TCanvas* canvas = GetCanvas();
    canvas->SetFont(GetFont());
    TqzCanvas qzCanvas(canvas);
    const Integer count = properties ? properties->GetItems()->GetCount() : 0;
    for (Integer i = 0; i < count; ++i)
        result = std::max(result, b + qzCanvas.TextWidthOf(properties->GetItems()->GetItem(i)->GetDescription()));
    if (properties && properties->GetDropDownRows() < count) result += GetSystemMetrics(SM_CXVSCROLL);
    return result;
}

// ---- View --------------------------------------------------------------------------------------

void TqzImageComboBoxViewInfo::MoveBy(Integer dx, Integer dy) {
    TqzCustomTextEditViewInfo::MoveBy(dx, dy);
    OffsetRect(&ImageRect, dx, dy);
}

void TqzImageComboBoxViewInfo::PaintBackground(TqzCanvas* canvas) {
    if (!RectVisible(canvas->DeviceContext(), &Bounds)) return;
    if (InRange(Images, ImageIndex)) {
        std::unique_ptr<TqzRegion> saved = canvas->CopyClipRegion();
        TRect r;
        IntersectRect(&r, &ImageRect, &BorderRect);
        canvas->ApplyClipRegion(TqzRegion::CreateFromRect(r), roIntersection);
        const bool transparent = Properties && Properties->GetTransparent();
        if (transparent)
            Images->Draw(canvas->Canvas, ImageRect.left, ImageRect.top, ImageIndex, Enabled);
        else
            DrawImageListImage(canvas, Images, ImageIndex, nullptr, Enabled, BackgroundColor, ImageRect);
        canvas->ApplyClipRegion(std::move(saved));
        if (!transparent) canvas->ExcludeClipArea(r);
    }
    TqzCustomTextEditViewInfo::PaintBackground(canvas);
}

TqzCustomImageComboBoxProperties* TqzImageComboBoxViewData::GetImageComboProperties() const {
    return static_cast<TqzCustomImageComboBoxProperties*>(GetProperties());
}

void TqzImageComboBoxViewData::EditValueToDisplayText(const Variant& editValue, String& text) {
    Integer index = -1;
    GetImageComboProperties()->GetValueDescriptionAndImage(editValue, text, index);
}

void TqzImageComboBoxViewData::CalculateConstantPartSize(TqzCanvas* canvas, bool isInplace, TSize& size,
                                                         TqzCustomEditViewInfo* viewInfo, TSize& minContentSize) {
    TqzCustomDropDownEditViewData::CalculateConstantPartSize(canvas, isInplace, size, viewInfo, minContentSize);
    if (TCustomImageList* images = GetImageComboProperties()->GetImages())
        size.cy = std::max(size.cy, images->GetHeight());
}

void TqzImageComboBoxViewData::CalculateContentSize(TqzCanvas* canvas, const Variant& editValue, TSize& size,
                                                    const TqzEditSizeParameters& sizeParameters) {
    TqzCustomDropDownEditViewData::CalculateContentSize(canvas, editValue, size, sizeParameters);
    TCustomImageList* images = GetImageComboProperties()->GetImages();
    size.cx += images ? images->GetWidth() + 5 : 1;
}

void TqzImageComboBoxViewData::Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button,
                                         TShiftState shift, TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) {
    TqzCustomDropDownEditViewData::Calculate(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    auto* info = static_cast<TqzImageComboBoxViewInfo*>(viewInfo);
    TqzCustomImageComboBoxProperties* properties = GetImageComboProperties();
    info->ImageAlign = properties->GetImageAlign();
    info->Images = properties->GetImages();
    info->ShowDescriptions = properties->GetShowDescriptions();
    TRect r = info->ClientRect;
    if (TCustomImageList* images = properties->GetImages()) {
        const Integer w = images->GetWidth();
        const Integer h = images->GetHeight();
        TRect ir = r;
        if (!info->ShowDescriptions) {
            ir.left += ((r.right - r.left) - w) / 2;
            ir.right = ir.left + w;
        } else if (info->ImageAlign == iaLeft) {
            ir.left = r.left + 2;
            ir.right = ir.left + w;
            r.left = ir.right + 2;
        } else {
            ir.right = r.right - 2;
            ir.left = ir.right - w;
            r.right = ir.left - 2;
        }
        ir.top += ((r.bottom - r.top) - h) / 2;
        ir.bottom = ir.top + h;
        info->ImageRect = ir;
    } else {
        info->ImageRect = TRect{0, 0, 0, 0};
    }
    if (!IsInplace) info->ClientRect = r;
    info->TextRect = TRect{r.left + 2, r.top + 1, r.right - 2, r.bottom - 1};
    if (!info->ShowDescriptions) info->Text.clear();
    if (!IsInplace) info->Highlighted = false;
}

void TqzImageComboBoxViewData::EditValueToViewInfo(TqzCanvas*, const Variant& editValue,
                                                   TqzCustomEditViewInfo* viewInfo) {
    auto* info = static_cast<TqzImageComboBoxViewInfo*>(viewInfo);
    CalculateSelectionInfo(info);
    String text;
    Integer index = -1;
    GetImageComboProperties()->GetValueDescriptionAndImage(editValue, text, index);
    info->ImageIndex = index;
    FireGetDisplayTextEvent(text);
    info->Text = text;
}

void TqzImageComboBoxViewData::StoreDrawText(const Variant&, TqzCustomTextEditViewInfo* viewInfo) {
    auto* combo = dynamic_cast<TqzCustomImageComboBox*>(Edit);
    if (!combo) return;
    auto* info = static_cast<TqzImageComboBoxViewInfo*>(viewInfo);
    TqzCustomImageComboBoxProperties* properties = GetImageComboProperties();
    TqzImageComboBoxItem* item = nullptr;
    IqzTextEditLookupData* lookup = combo->GetLookupDataInterface();
    const Variant key = lookup ? lookup->GetCurrentKey() : Variant(Integer(-1));
    const Integer index = VarIsOrdinal(key) ? key.AsInteger() : -1;
    if (index != -1 && index >= 0 && index < properties->GetItems()->GetCount())
        item = properties->GetItems()->GetItem(index);
    else
        item = properties->FindItemByValue(combo->GetEditValue());
    String text;
    Integer imageIndex = -1;
    properties->GetItemDescriptionAndImage(item, text, imageIndex);
    info->Text = text;
    info->ImageIndex = imageIndex;
}

// ---- The editor --------------------------------------------------------------------------------

TqzCustomImageComboBox::TqzCustomImageComboBox(TComponent* owner) : TqzCustomComboBox(owner, false, true) {
    InitializeEditor();
}

TqzCustomImageComboBox::TqzCustomImageComboBox(TComponent* owner, bool isInplace)
    : TqzCustomComboBox(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomImageComboBox::TqzCustomImageComboBox(TComponent* owner, bool isInplace, bool deferInitialization)
    : TqzCustomComboBox(owner, isInplace, deferInitialization) {}

bool TqzCustomImageComboBox::AcceptsChar(char32_t ch) { return IsPrintableChar(ch); }

Variant TqzCustomImageComboBox::LookupKeyToEditValue(const Variant& key) {
    if (VariantValuesEqualBoolAsText(key, Variant(Integer(-1)))) return Null();
    TqzCustomImageComboBoxProperties* properties = GetActiveImageComboProperties();
    const Integer index = VarIsOrdinal(key) ? key.AsInteger() : -1;
    if (index < 0 || index >= properties->GetItems()->GetCount()) return Null();
    return properties->GetItems()->GetItem(index)->GetValue();
}

void TqzCustomImageComboBox::DisplayToEditValue(const Variant&, Variant& editValue, bool& isValid) {
    isValid = true;
    TqzCustomTextEditLookupData* lookup = GetLookupData();
    const Variant key = lookup ? lookup->GetCurrentKey() : Variant(Integer(-1));
    const Integer index = VarIsOrdinal(key) ? key.AsInteger() : -1;
    TqzCustomImageComboBoxProperties* properties = GetActiveImageComboProperties();
    if (index < 0 || index >= properties->GetItems()->GetCount())
        editValue = Null();
    else
        editValue = properties->GetItems()->GetItem(index)->GetValue();
}

void TqzCustomImageComboBox::SynchronizeDisplayValue() {
    const TLivenessToken alive = LivenessToken();
    PushModifiedState();
    IqzTextEditLookupData* lookup = GetLookupDataInterface();
    const Variant before = lookup ? lookup->GetCurrentKey() : Variant(Integer(-1));
    auto finish = [&] {
        if (!alive) return;
        PopModifiedState();
        ResetFindSelection();
        if (alive) UpdateDrawValue();
    };
    LockClick(true);
    try {
        if (lookup) lookup->SyncWithEditText();
    } catch (...) {
        if (alive) {
            LockClick(false);
            const Variant after = lookup->GetCurrentKey();
            if (!VariantValuesEqualBoolAsText(before, after)) SetModifiedAndClick();
            finish();
        }
        throw;
    }
    if (!alive) return;
    LockClick(false);
    const Variant after = lookup ? lookup->GetCurrentKey() : Variant(Integer(-1));
    if (!VariantValuesEqualBoolAsText(before, after)) SetModifiedAndClick();
    finish();
}

void TqzCustomImageComboBox::UpdateDrawValue() {
    TqzCustomComboBox::UpdateDrawValue();
    if (TqzCustomTextEditViewInfo* info = GetTextViewInfo()) DisplayValueToInnerEdit(Variant(info->Text));
}

void TqzCustomImageComboBox::GetPopupContentSize(Integer& width, Integer& height) {
    TqzCustomComboBox::GetPopupContentSize(width, height);
    if (GetActiveImageComboProperties()->GetMultiLineText()) {
        width = 0;
        return;
    }
    TqzCustomTextEditLookupData* lookup = GetLookupData();
    if (auto* list = lookup ? dynamic_cast<TqzImageComboBoxListBox*>(lookup->GetActiveControl()) : nullptr)
        width = std::max(width, list->GetPreferredWidth());
}

TqzImageComboBox::TqzImageComboBox(TComponent* owner) : TqzCustomImageComboBox(owner, false, true) {
    InitializeEditor();
}

TqzImageComboBox::TqzImageComboBox(TComponent* owner, bool isInplace) : TqzCustomImageComboBox(owner, isInplace, true) {
    InitializeEditor();
}

// ---- Streaming ---------------------------------------------------------------------------------

KOV_PUBLISHED(TqzImageComboBoxItem) {
    using I = TqzImageComboBoxItem;
    Property("Description", &I::GetDescription, &I::SetDescription).TypeName("TCaption");
    Property("ImageIndex", &I::GetImageIndex, &I::SetImageIndex).TypeName("TImageIndex").Default(Integer(-1));
    Property("Tag", &I::GetTag, &I::SetTag).Stored(&I::IsTagStored);
    Property("Value", &I::GetValue, &I::SetValue).Stored(&I::IsValueStored);
}

KOV_PUBLISHED(TqzImageComboBoxItems) {}

KOV_PUBLISHED(TqzCustomImageComboBoxProperties) {}

KOV_PUBLISHED(TqzImageComboBoxProperties) {
    using P = TqzImageComboBoxProperties;
    Property("AssignedValues", &P::GetAssignedValues, &P::SetAssignedValues);
    Property("ButtonGlyph", &P::GetButtonGlyph, &P::SetButtonGlyph);
    Property("DefaultDescription", &P::GetDefaultDescription, &P::SetDefaultDescription);
    Property("DefaultImageIndex", &P::GetDefaultImageIndex, &P::SetDefaultImageIndex)
        .TypeName("TImageIndex")
        .Default(Integer(-1));
    Property("DropDownRows", &P::GetDropDownRowsValue, &P::SetDropDownRows).Default(Integer(8));
    Property("ImageAlign", &P::GetImageAlign, &P::SetImageAlign).Default(iaLeft);
    Property("Images", &P::GetImages, &P::SetImages);
    Property("ImeMode", &P::GetImeMode, &P::SetImeMode).Default(imDontCare);
    Property("ImeName", &P::GetImeName, &P::SetImeName).TypeName("TImeName");
    Property("ImmediateDropDown", &P::GetImmediateDropDown, &P::SetImmediateDropDown).Default(true);
    Property("ImmediatePost", &P::ImmediatePost).Default(false);
    Property("ImmediateUpdateText", &P::ImmediateUpdateText).Default(false);
    Property("Items", &P::GetItems, &P::SetItems);
    Property("LargeImages", &P::GetLargeImages, &P::SetLargeImages);
    Property("MultiLineText", &P::GetMultiLineText, &P::SetMultiLineText).Default(false);
    Property("PopupAlignment", &P::GetPopupAlignment, &P::SetPopupAlignment).Default(taLeftJustify);
    Property("PostPopupValueOnTab", &P::GetPostPopupValueOnTab, &P::SetPostPopupValueOnTab).Default(false);
    Property("ReadOnly", &P::GetReadOnly, &P::SetReadOnly).Stored(&P::IsReadOnlyStored);
    Property("Revertable", &P::Revertable).Default(false);
    Property("ShowDescriptions", &P::GetShowDescriptions, &P::SetShowDescriptions).Default(true);
    Property("ValidateOnEnter", &P::ValidateOnEnter).Default(true);
    Property("OnButtonClick", &P::OnButtonClick);
    Property("OnChange", &P::OnChange);
    Property("OnCloseQuery", &P::OnCloseQuery);
    Property("OnCloseUp", &P::OnCloseUp);
    Property("OnEditValueChanged", &P::OnEditValueChanged);
    Property("OnInitPopup", &P::OnInitPopup);
    Property("OnPopup", &P::OnPopup);
    Property("OnValidate", &P::OnValidate);
}

KOV_PUBLISHED(TqzCustomImageComboBox) {}

KOV_PUBLISHED(TqzImageComboBox) {
    Property("Properties", &TqzImageComboBox::GetImageComboBoxProperties, &TqzImageComboBox::SetImageComboBoxProperties);
}

namespace {

const bool kImageComboBoxRegistered = [] {
    RegisterEnum<TqzImageAlign>("TqzImageAlign", {"iaLeft", "iaRight"});
    RegisterClasses({TqzImageComboBoxItem::StaticClass()});
    RegisterInterfacedPersistentClass<TqzCustomImageComboBoxProperties>();
    RegisterInterfacedPersistentClass<TqzImageComboBoxProperties>();
    RegisterInterfacedPersistentClass<TqzImageComboBoxLookupData>();
    RegisterClasses({TqzImageComboBox::StaticClass()});
    RegisterImageComboBoxProperties();
    return true;
}();

} // namespace
