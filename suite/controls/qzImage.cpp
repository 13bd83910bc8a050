#include "suite/controls/qzImage.h"

#include <algorithm>
#include <cstring>

#include "platform/classlib/Clipbrd.h"
#include "platform/classlib/Dialogs.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Jpeg.h"
#include "platform/classlib/Metafiles.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/qzClasses.h"

// ---- Graphic classes and values ----------------------------------------------------------------

std::vector<TGraphicClass>& GraphicClassList() {
    static std::vector<TGraphicClass> list{TBitmap::StaticClass(), TIcon::StaticClass(), TMetafile::StaticClass(),
                                           TJPEGImage::StaticClass()};
    return list;
}

void AddGraphicClass(TGraphicClass graphicClass) {
    if (!graphicClass) return;
    std::vector<TGraphicClass>& list = GraphicClassList();
    if (std::find(list.begin(), list.end(), graphicClass) == list.end()) list.push_back(graphicClass);
}

TGraphicClass LookUpGraphicClass(const String& name) {
    for (TGraphicClass cls : GraphicClassList())
        if (cls->ClassNameIs(name)) return cls;
    return nullptr;
}

namespace {

// A read-only stream over bytes the caller keeps.
class TBytesStream : public TCustomMemoryStream {
public:
    TBytesStream(const char* bytes, std::size_t size) { SetPointer(const_cast<char*>(bytes), Int64(size)); }
    Integer Write(const void*, Integer) override { throw EStreamError("Stream write error"); }
};

std::uint32_t ReadLE32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

} // namespace

void LoadPictureFromValue(TPicture* picture, TGraphicClass graphicClass, const Variant& value) {
    if (!picture) return;
    if (!VarIsStr(value)) {
        picture->SetGraphic(nullptr);
        return;
    }
    const String bytes = VarToStr(value);
    try {
        if (bytes.size() < 8) {
            picture->SetGraphic(nullptr);
            return;
        }
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        std::size_t start = 0;
        if (p[0] == 1 && p[1] == 0 && p[2] == 0 && p[3] == 1 && std::uint64_t(ReadLE32(p + 4)) == bytes.size() - 8)
            start = 8;
        if (start >= bytes.size()) {
            picture->SetGraphic(nullptr);
            return;
        }
        TBytesStream stream(bytes.data() + start, bytes.size() - start);
        if (graphicClass) {
            std::unique_ptr<TObject> made(graphicClass->Create(nullptr));
            auto* graphic = dynamic_cast<TGraphic*>(made.get());
            if (!graphic) throw EInvalidGraphic("Unknown picture format");
            graphic->LoadFromStream(&stream);
            picture->SetGraphic(graphic);
        } else {
            picture->GetBitmap()->LoadFromStream(&stream);
        }
    } catch (...) {
        // Bytes no graphic of that class can read give an empty picture.
        picture->SetGraphic(nullptr);
    }
}

void SavePictureToValue(TPicture* picture, String& value) {
    value.clear();
    if (!picture || !picture->GetGraphic() || picture->GetGraphic()->GetEmpty()) return;
    TMemoryStream stream;
    picture->GetGraphic()->SaveToStream(&stream);
    value.assign(static_cast<const char*>(stream.GetMemory()), std::size_t(stream.GetSize()));
}

bool PictureHasNoGraphic(TPicture* picture) {
    return !picture || !picture->GetGraphic() || picture->GetGraphic()->GetEmpty() || picture->GetWidth() <= 0 ||
           picture->GetHeight() <= 0;
}

void FitProportionally(const TRect& rect, Integer width, Integer height, TRect& result) {
    result = rect;
    const Int64 rw = Int64(rect.right) - rect.left;
    const Int64 rh = Int64(rect.bottom) - rect.top;
    if (rw <= 0 || rh <= 0 || width <= 0 || height <= 0) return;
    if (double(rw) / double(rh) >= double(width) / double(height))
        result.right = rect.left + Integer(rh * width / height);
    else
        result.bottom = rect.top + Integer(rw * height / width);
}

namespace {

const char* const kMenuGlyphNames[] = {"QZMENUIMAGE_CUT",    "QZMENUIMAGE_COPY", "QZMENUIMAGE_PASTE",
                                       "QZMENUIMAGE_DELETE", "QZMENUIMAGE_LOAD", "QZMENUIMAGE_SAVE"};

std::unique_ptr<TImageList>& MenuGlyphs() {
    static std::unique_ptr<TImageList> list;
    return list;
}

} // namespace

TCustomImageList* GetImageMenuGlyphs() {
    std::unique_ptr<TImageList>& list = MenuGlyphs();
    if (!list) {
        TBitmap first;
        first.LoadFromResourceName(HInstance, kMenuGlyphNames[0]);
        list = std::make_unique<TImageList>(nullptr);
        list->SetWidth(first.GetWidth());
        list->SetHeight(first.GetHeight());
        for (const char* name : kMenuGlyphNames) {
            TBitmap glyph;
            glyph.LoadFromResourceName(HInstance, name);
            list->AddMasked(&glyph, clDefault);
        }
    }
    return list.get();
}

// ---- Popup menu layout -------------------------------------------------------------------------

TqzPopupMenuLayout::TqzPopupMenuLayout(TqzCustomImage* image) : FImage(image) {}

TqzPopupMenuLayout::~TqzPopupMenuLayout() = default;

void TqzPopupMenuLayout::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TqzPopupMenuLayout*>(source)) {
        FMenuItems = other->FMenuItems;
        FCustomMenuItemCaption = other->FCustomMenuItemCaption;
        SetCustomMenuItemGlyph(other->GetCustomMenuItemGlyph());
        return;
    }
    TPersistent::Assign(source);
}

TBitmap* TqzPopupMenuLayout::GetCustomMenuItemGlyph() {
    if (!FGlyph) FGlyph = std::make_unique<TBitmap>();
    return FGlyph.get();
}

void TqzPopupMenuLayout::SetCustomMenuItemGlyph(TBitmap* value) {
    if (!value) {
        FGlyph.reset();
        return;
    }
    GetCustomMenuItemGlyph()->Assign(value);
}

// ---- Properties --------------------------------------------------------------------------------

namespace {

void RegisterImageProperties() {
    GetEditPropertiesRegistry()->Register(TqzImageProperties::StaticClass(),
                                          LocalizeSuiteText("Image|Represents an image editor"));
}

} // namespace

TqzCustomImageProperties::TqzCustomImageProperties(TPersistent* owner)
    : TqzCustomEditProperties(owner), FPopupMenuLayout(std::make_unique<TqzPopupMenuLayout>()) {
    FGraphicClass = DefaultGraphicClass();
    // Made again when the editor unit was restarted (its end frees the registry).
    RegisterImageProperties();
}

TqzCustomImageProperties::~TqzCustomImageProperties() = default;

void TqzCustomImageProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomImageProperties*>(source);
    if (!other) {
        TqzCustomEditProperties::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        TqzCustomEditProperties::Assign(source);
        SetCaption(other->GetCaption());
        SetCenter(other->GetCenter());
        SetCustomFilter(other->GetCustomFilter());
        SetGraphicClass(other->GetGraphicClass());
        SetGraphicTransparency(other->GetGraphicTransparency());
        SetPopupMenuLayout(other->GetPopupMenuLayout());
        SetShowFocusRect(other->GetShowFocusRect());
        SetStretch(other->GetStretch());
        OnAssignPicture = other->OnAssignPicture;
        OnCustomClick = other->OnCustomClick;
        OnGetGraphicClass = other->OnGetGraphicClass;
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TGraphicClass TqzCustomImageProperties::DefaultGraphicClass() {
    const std::vector<TGraphicClass>& list = GraphicClassList();
    return list.empty() ? nullptr : list.front();
}

TGraphicClass TqzCustomImageProperties::ResolveGraphicClass(Integer recordIndex, TPersistent* data, bool paste) {
    TGraphicClass result = FGraphicClass;
    if (!result) result = paste ? TBitmap::StaticClass() : nullptr;
    OnGetGraphicClass(this, recordIndex, data, result, paste);
    return result;
}

Integer TqzCustomImageProperties::GetSupportedOperations() {
    return TqzCustomEditProperties::GetSupportedOperations() | 2 | 4;
}

WideString TqzCustomImageProperties::GetDisplayTextWide(const Variant& editValue) {
    if (VarIsNull(editValue)) return WideString();
    return StringToWide(FCaption);
}

TClass TqzCustomImageProperties::GetContainerClass() const { return TqzImage::StaticClass(); }

TqzCustomEditViewDataClass TqzCustomImageProperties::GetViewDataClass() const {
    return &CreateEditViewData<TqzImageViewData>;
}

TqzCustomEditViewInfoClass TqzCustomImageProperties::GetViewInfoClass() const {
    return &TqzImageViewInfo::CreateInstance;
}

void TqzCustomImageProperties::ValidateDisplayValue(Variant&, String&, bool&, TqzCustomEdit* editor) {
    auto* image = dynamic_cast<TqzCustomImage*>(editor);
    if (!image) return;
    const TLivenessToken alive = image->LivenessToken();
    image->LockEditValueChanging(true);
    try {
        image->GetImageProperties()->OnAssignPicture(image, image->GetPicture());
        if (alive && image->GetRepositoryItem())
            image->GetActiveImageProperties()->OnAssignPicture(image, image->GetPicture());
        if (alive) {
            image->PushModifiedState();
            image->SetModifiedFlag(false);
            try {
                image->RequestEditing();
            } catch (...) {
                if (alive) image->PopModifiedState();
                throw;
            }
            if (alive) image->PopModifiedState();
        }
    } catch (...) {
        if (alive) image->LockEditValueChanging(false);
        throw;
    }
    if (alive) image->LockEditValueChanging(false);
}

void TqzCustomImageProperties::SetCaption(const String& value) {
    if (FCaption == value) return;
    FCaption = value;
    Changed();
}

void TqzCustomImageProperties::SetCenter(bool value) {
    if (FCenter == value) return;
    FCenter = value;
    Changed();
}

void TqzCustomImageProperties::SetCustomFilter(const String& value) {
    if (FCustomFilter == value) return;
    FCustomFilter = value;
    Changed();
}

void TqzCustomImageProperties::SetGraphicClass(TGraphicClass value) {
    if (FGraphicClass == value) return;
    FGraphicClass = value;
    Changed();
}

String TqzCustomImageProperties::GetGraphicClassName() const {
    return FGraphicClass ? String(FGraphicClass->ClassName()) : String();
}

void TqzCustomImageProperties::SetGraphicClassName(const String& value) {
    if (value.empty()) {
        SetGraphicClass(nullptr);
        return;
    }
    if (TGraphicClass cls = LookUpGraphicClass(value)) SetGraphicClass(cls);
}

bool TqzCustomImageProperties::IsGraphicClassNameStored() { return FGraphicClass != DefaultGraphicClass(); }

void TqzCustomImageProperties::SetGraphicTransparency(TqzImageTransparency value) {
    if (FGraphicTransparency == value) return;
    FGraphicTransparency = value;
    Changed();
}

void TqzCustomImageProperties::SetShowFocusRect(bool value) {
    if (FShowFocusRect == value) return;
    FShowFocusRect = value;
    Changed();
}

void TqzCustomImageProperties::SetStretch(bool value) {
    if (FStretch == value) return;
    FStretch = value;
    Changed();
}

void TqzCustomImageProperties::DefineProperties(TFiler* filer) {
    TqzCustomEditProperties::DefineProperties(filer);
    filer->DefineProperty(
        "IsGraphicClassNameEmpty",
        [this](TReader* reader) {
            reader->ReadBoolean();
            SetGraphicClass(nullptr);
        },
        [](TWriter* writer) { writer->WriteBoolean(true); }, FGraphicClass == nullptr);
}

// ---- View --------------------------------------------------------------------------------------

TqzImageViewInfo::~TqzImageViewInfo() {
    if (FPictureOwned) delete FPicture;
}

void TqzImageViewInfo::SetPicture(TPicture* picture, bool owned) {
    if (FPictureOwned && FPicture != picture) delete FPicture;
    FPicture = picture;
    FPictureOwned = owned;
}

TPicture* TqzImageViewInfo::PictureNeeded() {
    if (!FPicture) SetPicture(new TPicture, true);
    return FPicture;
}

bool TqzImageViewInfo::IsRepaintOnStateChangeNeeded() { return PictureHasNoGraphic(FPicture) && !Caption.empty(); }

void TqzImageViewInfo::PaintBackground(TqzCanvas* canvas) {
    TRect r = ClientRect;
    if (PictureHasNoGraphic(FPicture)) {
        TqzCustomEditViewInfo::PaintBackground(canvas);
        if (!Caption.empty()) {
            canvas->Canvas->GetBrush()->SetStyle(bsClear);
            if (Font) canvas->SelectFont(Font);
            TFont* font = canvas->CurrentFont();
            font->SetColor(TextColor);
            canvas->SelectFont(font);
            canvas->OutputText(Caption, r, true, qzGraphics::tfAlignHCenter | qzGraphics::tfAlignVCenter | qzGraphics::tfSingleLine);
            canvas->Canvas->GetBrush()->SetStyle(bsSolid);
        }
        if (ShowFocusRect) canvas->DrawFocusFrame(r);
        return;
    }
    const Integer pw = FPicture->GetWidth();
    const Integer ph = FPicture->GetHeight();
    TRect p;
    if (Stretch) {
        FitProportionally(r, pw, ph, p);
        if (Center)
            OffsetRect(&p, ((r.right - r.left) - (p.right - p.left)) / 2, ((r.bottom - r.top) - (p.bottom - p.top)) / 2);
    } else {
        p = TRect{r.left, r.top, r.left + pw, r.top + ph};
        if (Center)
            OffsetRect(&p, ((r.right - r.left) - pw) / 2, ((r.bottom - r.top) - ph) / 2);
        else
            OffsetRect(&p, -TopLeft.x, -TopLeft.y);
    }
    {
        std::unique_ptr<TqzRegion> saved = canvas->CopyClipRegion();
        canvas->ExcludeClipArea(r);
        DrawEditBackgroundAndButtons(canvas, this, false, 0);
        canvas->ApplyClipRegion(std::move(saved));
    }
    if (ShowFocusRect) {
        canvas->Canvas->GetBrush()->SetStyle(bsClear);
        canvas->Canvas->Rectangle(r);
        canvas->Canvas->GetBrush()->SetStyle(bsSolid);
        InflateRect(&r, -1, -1);
    }
    std::unique_ptr<TqzRegion> saved = canvas->CopyClipRegion();
    canvas->IntersectClipArea(r);
    TGraphic* graphic = FPicture->GetGraphic();
    const bool transparentEditor = Properties && Properties->GetTransparent();
    if (transparentEditor || !graphic->GetTransparent()) {
        canvas->Canvas->StretchDraw(p, graphic);
    } else {
        bool buffered = false;
        try {
            if (!Buffer) Buffer = std::make_unique<TBitmap>();
            Buffer->SetSize(p.right - p.left, p.bottom - p.top);
            Buffer->GetCanvas()->GetBrush()->SetColor(BackgroundColor);
            Buffer->GetCanvas()->FillRect(TRect{0, 0, p.right - p.left, p.bottom - p.top});
            Buffer->GetCanvas()->StretchDraw(TRect{0, 0, p.right - p.left, p.bottom - p.top}, graphic);
            canvas->Canvas->Draw(p.left, p.top, Buffer.get());
            ++BufferedDraws;
            buffered = true;
        } catch (const EOutOfMemory&) {
            // No bitmap of the picture's size can be made (the platform's out-of-resources
            // failure): the picture is drawn straight onto the background instead.
        }
        if (!buffered) {
            canvas->SetBrushColor(BackgroundColor);
            canvas->Canvas->FillRect(r);
            canvas->Canvas->StretchDraw(p, graphic);
        }
    }
    TRect inter;
    const bool covers = IntersectRect(&inter, &p, &r) && EqualRect(&inter, &r);
    if (!covers && !transparentEditor) {
        canvas->ExcludeClipArea(p);
        canvas->SetBrushColor(BackgroundColor);
        canvas->Canvas->FillRect(r);
    }
    canvas->ApplyClipRegion(std::move(saved));
}

TqzCustomImageProperties* TqzImageViewData::GetImageProperties() const {
    return static_cast<TqzCustomImageProperties*>(GetProperties());
}

void TqzImageViewData::Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button,
                                 TShiftState shift, TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) {
    TqzCustomEditViewData::Calculate(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    if (IsRectEmpty(&bounds)) return;
    auto* info = static_cast<TqzImageViewInfo*>(viewInfo);
    TqzCustomImageProperties* properties = GetImageProperties();
    info->Caption = properties->GetCaption();
    info->Center = properties->GetCenter();
    info->Stretch = properties->GetStretch();
    info->ShowFocusRect = properties->GetShowFocusRect() && Focused && !IsInplace;
    if (info->Center || info->Stretch) info->TopLeft = TPoint{0, 0};
}

void TqzImageViewData::EditValueToViewInfo(TqzCanvas*, const Variant& editValue, TqzCustomEditViewInfo* viewInfo) {
    auto* info = static_cast<TqzImageViewInfo*>(viewInfo);
    if (VarIsStr(editValue) && !VarToStr(editValue).empty()) {
        TPicture* picture = info->PictureNeeded();
        LoadPictureFromValue(picture, GetImageProperties()->ResolveGraphicClass(RecordIndex, Data, false), editValue);
        const TqzImageTransparency transparency = GetImageProperties()->GetGraphicTransparency();
        if (transparency != gtDefault && picture->GetGraphic())
            picture->GetGraphic()->SetTransparent(transparency == gtTransparent);
    } else if (info->GetPicture()) {
        info->GetPicture()->SetGraphic(nullptr);
    }
}

void TqzImageViewData::GetContentSize(TqzCanvas* canvas, const Variant& editValue, TSize& size,
                                      const TqzEditSizeParameters& sizeParameters) {
    if (IsInplace) {
        if (Edit) {
            TRect extent;
            GetBorderExtent(extent);
            size.cx = Edit->GetWidth() - extent.left - extent.right;
            size.cy = Edit->TControl::GetHeight() - extent.top - extent.bottom;
            return;
        }
        size = TSize{0, GetImageProperties()->GetDefaultHeight()};
        if (VarIsStr(editValue)) {
            TPicture picture;
            LoadPictureFromValue(&picture, GetImageProperties()->ResolveGraphicClass(RecordIndex, Data, false),
                                 editValue);
            const Integer pw = picture.GetWidth();
            const Integer ph = picture.GetHeight();
            if (GetImageProperties()->GetStretch() && sizeParameters.Width > 0 && pw > 0) {
                size.cx = sizeParameters.Width;
                size.cy = Integer(Round((long double)(ph) * sizeParameters.Width / pw));
            } else {
                size = TSize{pw, ph};
            }
        } else if (!GetImageProperties()->GetCaption().empty()) {
            canvas->SelectFont(GetStyle()->GetFont());
            size = canvas->MeasureText(GetImageProperties()->GetCaption());
        }
        return;
    }
    auto* image = dynamic_cast<TqzCustomImage*>(Edit);
    size = image ? TSize{image->GetPicture()->GetWidth(), image->GetPicture()->GetHeight()} : TSize{0, 0};
}

// ---- The editor --------------------------------------------------------------------------------

TqzCustomImage::TqzCustomImage(TComponent* owner) : TqzCustomEdit(owner, false, true) { InitializeEditor(); }

TqzCustomImage::TqzCustomImage(TComponent* owner, bool isInplace) : TqzCustomEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomImage::TqzCustomImage(TComponent* owner, bool isInplace, bool deferInitialization)
    : TqzCustomEdit(owner, isInplace, deferInitialization) {}

TqzCustomImage::~TqzCustomImage() {
    if (TqzImageViewInfo* info = FPicture ? GetImageViewInfo() : nullptr)
        if (info->GetPicture() == FPicture.get()) info->SetPicture(nullptr, false);
    if (FPicture) FPicture->OnChange = TNotifyEvent();
}

void TqzCustomImage::Initialize() {
    TqzCustomEdit::Initialize();
    SetAutoSize(false);
    SetWidth(140);
    SetHeight(100);
    FClipboardFormat = CF_PICTURE;
    FPicture = std::make_unique<TPicture>();
    FPicture->OnChange = TNotifyEvent(this, &TqzCustomImage::HandlePictureChange);
    GetImageViewInfo()->SetPicture(FPicture.get(), false);
}

void TqzCustomImage::GetEditValue(Variant& value) {
    if (PictureHasNoGraphic(FPicture.get()) && (!FPicture || !FPicture->GetGraphic() || FPicture->GetGraphic()->GetEmpty())) {
        value = Null();
        return;
    }
    String bytes;
    SavePictureToValue(FPicture.get(), bytes);
    value = bytes.empty() ? Null() : Variant(bytes);
}

void TqzCustomImage::ApplyEditValue(const Variant& value, bool) {
    const TLivenessToken alive = LivenessToken();
    FApplyingValue = true;
    try {
        if (VarIsStr(value))
            LoadPictureFromValue(FPicture.get(), ResolveGraphicClass(false), value);
        else
            FPicture->SetGraphic(nullptr);
    } catch (...) {
        if (alive) {
            SetModifiedFlag(false);
            FApplyingValue = false;
        }
        throw;
    }
    if (!alive) return;
    SetModifiedFlag(false);
    FApplyingValue = false;
}

void TqzCustomImage::ClearValue() {
    if (RequestEditing()) FPicture->SetGraphic(nullptr);
}

void TqzCustomImage::CopyToClipboard() {
    if (FPicture->GetGraphic() && !FPicture->GetGraphic()->GetEmpty()) Clipboard()->Assign(FPicture.get());
}

void TqzCustomImage::CutToClipboard() {
    if (!FPicture->GetGraphic() || FPicture->GetGraphic()->GetEmpty()) return;
    CopyToClipboard();
    ClearValue();
}

void TqzCustomImage::PasteFromClipboard() {
    if (!ClipboardHasPicture() || !RequestEditing()) return;
    if (!Clipboard()->HasFormat(CF_BITMAP)) {
        FPicture->Assign(Clipboard());
        return;
    }
    if (ResolveGraphicClass(true) == TJPEGImage::StaticClass()) {
        TJPEGImage jpeg;
        TBitmap bitmap;
        bitmap.Assign(Clipboard());
        jpeg.Assign(&bitmap);
        jpeg.Compress();
        FPicture->SetGraphic(&jpeg);
    } else {
        FPicture->GetBitmap()->Assign(Clipboard());
    }
}

bool TqzCustomImage::IsAutoHeight() { return TqzCustomEdit::IsAutoHeight() && !PictureHasNoGraphic(FPicture.get()); }

bool TqzCustomImage::HasFocusWithin() { return FFileDialogOpen || TqzCustomEdit::HasFocusWithin(); }

void TqzCustomImage::ApplyActiveProperties(TObject* properties) {
    if (!IsInnerEditUnavailable() && FPicture) {
        HandlePictureChange(nullptr);
        UpdateScrollBars();
    }
    TqzCustomEdit::ApplyActiveProperties(properties);
}

void TqzCustomImage::UpdateScrollBars() {
    TqzCustomEdit::UpdateScrollBars();
    ApplyScrollOffset();
}

bool TqzCustomImage::ClipboardHasPicture() {
    TGraphicClass cls = GetActiveImageProperties()->GetGraphicClass();
    if (cls == TBitmap::StaticClass() || cls == TJPEGImage::StaticClass()) return Clipboard()->HasFormat(CF_BITMAP);
    if (cls == TIcon::StaticClass()) return false;
    if (cls == TMetafile::StaticClass()) return Clipboard()->HasFormat(CF_METAFILEPICT);
    return Clipboard()->HasFormat(FClipboardFormat);
}

void TqzCustomImage::FireCustomClick() {
    const TLivenessToken alive = LivenessToken();
    GetImageProperties()->OnCustomClick(this);
    if (alive && GetRepositoryItem()) GetActiveImageProperties()->OnCustomClick(this);
}

TGraphicClass TqzCustomImage::ResolveGraphicClass(bool paste) {
    if (IsInplace()) return GetActiveImageProperties()->ResolveGraphicClass(RecordIndex, Data, paste);
    TGraphicClass result = GetActiveImageProperties()->GetGraphicClass();
    if (!result) result = paste ? TBitmap::StaticClass() : nullptr;
    OnGetGraphicClass(this, paste, result);
    return result;
}

void TqzCustomImage::HandlePictureChange(TObject*) {
    if (!FPicture) return;
    const TLivenessToken alive = LivenessToken();
    LockChangeEvents(true);
    try {
        const TqzImageTransparency transparency = GetActiveImageProperties()->GetGraphicTransparency();
        if (transparency != gtDefault && !PictureHasNoGraphic(FPicture.get())) {
            TNotifyEvent handler = FPicture->OnChange;
            FPicture->OnChange = TNotifyEvent();
            try {
                FPicture->GetGraphic()->SetTransparent(transparency == gtTransparent);
            } catch (...) {
                FPicture->OnChange = handler;
                throw;
            }
            FPicture->OnChange = handler;
        }
        if (!GetComponentState().Contains(csLoading)) {
            if (TqzImageViewInfo* info = GetImageViewInfo()) info->TopLeft = TPoint{0, 0};
            if (HandleAllocated()) {
                if (TqzControlScrollBar* bar = GetHScrollBar()) bar->SetPosition(0);
                if (TqzControlScrollBar* bar = GetVScrollBar()) bar->SetPosition(0);
            }
            ApplyScrollOffset();
            if (alive) AdjustInnerControlBounds();
        }
        if (alive && !FApplyingValue) {
            if (FClipboardCommand) SetModifiedAfterEntry(true);
            NotifyChange();
            if (alive) UpdateViewAtCursor();
        }
        if (alive && GetActiveImageProperties()->ImmediatePost && HasPendingModification() && ValidateEditing(true))
            PostEditValue();
    } catch (...) {
        if (alive) LockChangeEvents(false);
        throw;
    }
    if (!alive) return;
    LockChangeEvents(false);
    if (alive) UpdateScrollBars();
}

void TqzCustomImage::ApplyScrollOffset() {
    if (!HandleAllocated()) return;
    TqzImageViewInfo* info = GetImageViewInfo();
    if (!info) return;
    TqzControlScrollBar* h = IsHScrollBarVisible() ? GetHScrollBar() : nullptr;
    TqzControlScrollBar* v = IsVScrollBarVisible() ? GetVScrollBar() : nullptr;
    info->TopLeft = TPoint{h ? h->GetPosition() : 0, v ? v->GetPosition() : 0};
    RecalculateAtCursor();
    InvalidateRect(GetHandle(), nullptr, FALSE);
}

void TqzCustomImage::CreateHandle() {
    TqzCustomEdit::CreateHandle();
    UpdateScrollBars();
}

void TqzCustomImage::ComputeScrollBarParams() {
    TqzCustomImageProperties* properties = GetActiveImageProperties();
    const TRect client = GetClientBounds();
    if (IsInplace() || GetAutoSize() || IsRectEmpty(&client) || PictureHasNoGraphic(FPicture.get()) ||
        properties->GetCenter() || properties->GetStretch())
        return;
    TqzImageViewInfo* info = GetImageViewInfo();
    SetScrollBarInfo(sbHorizontal, 0, FPicture->GetWidth() - 1, 8, client.right - client.left, info->TopLeft.x, true,
                     true);
    SetScrollBarInfo(sbVertical, 0, FPicture->GetHeight() - 1, 8, client.bottom - client.top, info->TopLeft.y, true,
                     true);
    ApplyScrollOffset();
}

void TqzCustomImage::ScrollContent(TScrollBarKind kind, TScrollCode code, Integer& position) {
    TqzControlScrollBar* bar = kind == sbHorizontal ? GetHScrollBar() : GetVScrollBar();
    // A line step goes 8 pixels from where the bar stands (the bar's own step may already be in
    // the position handed over).
    if (code == scLineUp)
        position = (bar ? bar->GetPosition() : position) - 8;
    else if (code == scLineDown)
        position = (bar ? bar->GetPosition() : position) + 8;
    if (bar) {
        const Integer size = kind == sbHorizontal ? FPicture->GetWidth() : FPicture->GetHeight();
        position = std::min(position, size - bar->GetPageSize());
        bar->SetPosition(position);
        position = bar->GetPosition();
    }
    ApplyScrollOffset();
}

void TqzCustomImage::HandleContextPopup(POINT mousePos, bool& handled) {
    if (GetPopupMenu() || GetActiveImageProperties()->GetPopupMenuLayout()->GetMenuItems().empty()) {
        TqzCustomEdit::HandleContextPopup(mousePos, handled);
        return;
    }
    handled = true;
    POINT at = mousePos;
    if (at.x == -1 && at.y == -1) at = POINT{10, 10};
    PrepareMenu();
    const POINT screen = ClientToScreen(TPoint{at.x, at.y});
    PopupContextMenu(FMenu.get(), screen.x, screen.y);
}

void TqzCustomImage::PrepareMenu() {
    if (!FMenu) {
        FMenu = std::make_unique<TPopupMenu>(nullptr);
        FMenu->SetImages(GetImageMenuGlyphs());
        const Integer tags[] = {0, 1, 2, 3, -1, 4, 5, -1, 6};
        for (Integer tag : tags) {
            auto* item = new TMenuItem(FMenu.get());
            item->SetTag(tag);
            if (tag < 0) item->SetCaption("-");
            else item->OnClick = TNotifyEvent(this, &TqzCustomImage::MenuItemClick);
            if (tag >= 0 && tag < 6) item->SetImageIndex(tag);
            FMenu->GetItems()->Add(item);
        }
    }
    TMenuItem* items = FMenu->GetItems();
    const char* const captions[] = {"Cu&t", "&Copy", "&Paste", "&Delete", "&Load...", "Save &As..."};
    const Integer captioned[] = {0, 1, 2, 3, 5, 6};
    for (Integer i = 0; i < 6; ++i) items->GetItem(captioned[i])->SetCaption(LocalizeSuiteText(captions[i]));
    TqzPopupMenuLayout* layout = GetActiveImageProperties()->GetPopupMenuLayout();
    const TqzPopupMenuItems menuItems = layout->GetMenuItems();
    items->GetItem(0)->SetVisible(menuItems.Contains(pmiCut));
    items->GetItem(1)->SetVisible(menuItems.Contains(pmiCopy));
    items->GetItem(2)->SetVisible(menuItems.Contains(pmiPaste));
    items->GetItem(3)->SetVisible(menuItems.Contains(pmiDelete));
    items->GetItem(4)->SetVisible(menuItems.Contains(pmiLoad) || menuItems.Contains(pmiSave));
    items->GetItem(5)->SetVisible(menuItems.Contains(pmiLoad));
    items->GetItem(6)->SetVisible(menuItems.Contains(pmiSave));
    items->GetItem(7)->SetVisible(menuItems.Contains(pmiCustom));
    items->GetItem(8)->SetVisible(menuItems.Contains(pmiCustom));
    TMenuItem* custom = items->GetItem(8);
    custom->SetCaption(layout->GetCustomMenuItemCaption());
    TBitmap* glyph = layout->GetCustomMenuItemGlyph();
    glyph->SetTransparent(true);
    custom->SetBitmap(glyph->GetEmpty() ? nullptr : glyph);

    const bool editable = CanModify();
    const bool empty = PictureHasNoGraphic(FPicture.get());
    const bool icon = GetActiveImageProperties()->GetGraphicClass() == TIcon::StaticClass();
    items->GetItem(0)->SetEnabled(editable && !empty && !icon);
    items->GetItem(1)->SetEnabled(!empty && !icon);
    items->GetItem(2)->SetEnabled(editable && ClipboardHasPicture());
    items->GetItem(3)->SetEnabled(editable && !empty);
    items->GetItem(5)->SetEnabled(editable);
    items->GetItem(6)->SetEnabled(!empty);
    items->GetItem(8)->SetEnabled(true);
}

void TqzCustomImage::MenuItemClick(TObject* sender) {
    if (auto* item = dynamic_cast<TMenuItem*>(sender)) RunMenuCommand(item->GetTag());
}

void TqzCustomImage::RunMenuCommand(Integer tag) { RunClipboardCommand(tag); }

void TqzCustomImage::RunClipboardCommand(Integer tag) {
    const TLivenessToken alive = LivenessToken();
    FClipboardCommand = true;
    try {
        switch (tag) {
        case 0: CutToClipboard(); break;
        case 1: CopyToClipboard(); break;
        case 2: PasteFromClipboard(); break;
        case 3: ClearValue(); break;
        case 4: LoadPictureFromFile(); break;
        case 5: SavePictureToFile(); break;
        case 6: FireCustomClick(); break;
        default: break;
        }
    } catch (...) {
        if (alive) FClipboardCommand = false;
        throw;
    }
    if (alive) FClipboardCommand = false;
}

void TqzCustomImage::LoadPictureFromFile() {
    if (!CanModify()) return;
    const TLivenessToken alive = LivenessToken();
    TOpenPictureDialog dialog(nullptr);
    const String& custom = GetActiveImageProperties()->GetCustomFilter();
    TGraphicClass cls = GetActiveImageProperties()->GetGraphicClass();
    dialog.SetFilter(!custom.empty() ? custom : GraphicFilter(cls ? cls : TGraphic::StaticClass()));
    FFileDialogOpen = true;
    bool chosen = false;
    try {
        chosen = dialog.Execute();
    } catch (...) {
        if (alive) FFileDialogOpen = false;
        throw;
    }
    if (!alive) return;
    FFileDialogOpen = false;
    if (chosen && RequestEditing()) {
        FPicture->LoadFromFile(dialog.GetFileName());
        if (alive) FireClosePopupEvent(4);
    } else if (alive) {
        FireClosePopupEvent(3);
    }
}

void TqzCustomImage::SavePictureToFile() {
    if (!FPicture->GetGraphic()) return;
    const TLivenessToken alive = LivenessToken();
    TSavePictureDialog dialog(Application.operator->());
    const String& custom = GetActiveImageProperties()->GetCustomFilter();
    TGraphicClass cls = FPicture->GetGraphic()->ClassType();
    dialog.SetFilter(!custom.empty() ? custom : GraphicFilter(cls));
    dialog.SetDefaultExt(GraphicExtension(cls));
    FFileDialogOpen = true;
    bool chosen = false;
    try {
        chosen = dialog.Execute();
    } catch (...) {
        if (alive) FFileDialogOpen = false;
        throw;
    }
    if (!alive) return;
    FFileDialogOpen = false;
    if (chosen) FPicture->SaveToFile(dialog.GetFileName());
}

void TqzCustomImage::HandleKeyDown(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    TqzCustomEdit::HandleKeyDown(key, shift);
    if (!alive) return;
    const bool shiftOnly = shift.Contains(ssShift) && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt);
    const bool ctrlOnly = shift.Contains(ssCtrl) && !shift.Contains(ssShift) && !shift.Contains(ssAlt);
    if (key == VK_INSERT && shiftOnly) RunClipboardCommand(2);
    else if (key == VK_INSERT && ctrlOnly) RunClipboardCommand(1);
    else if (key == VK_DELETE && shiftOnly) RunClipboardCommand(0);
}

void TqzCustomImage::HandleKeyPress(char32_t& key) {
    const TLivenessToken alive = LivenessToken();
    TqzCustomEdit::HandleKeyPress(key);
    if (!alive) return;
    switch (key) {
    case 3: RunClipboardCommand(1); break;
    case 22: RunClipboardCommand(2); break;
    case 24: RunClipboardCommand(0); break;
    default: break;
    }
}

TqzImage::TqzImage(TComponent* owner) : TqzCustomImage(owner, false, true) { InitializeEditor(); }

TqzImage::TqzImage(TComponent* owner, bool isInplace) : TqzCustomImage(owner, isInplace, true) { InitializeEditor(); }

// ---- Streaming ---------------------------------------------------------------------------------

KOV_PUBLISHED(TqzPopupMenuLayout) {
    using L = TqzPopupMenuLayout;
    Property("MenuItems", &L::GetMenuItems, &L::SetMenuItems).Default(TqzPopupMenuItems{pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave});
    Property("CustomMenuItemCaption", &L::GetCustomMenuItemCaption, &L::SetCustomMenuItemCaption);
    Property("CustomMenuItemGlyph", &L::GetCustomMenuItemGlyph, &L::SetCustomMenuItemGlyph)
        .Stored(&L::IsCustomMenuItemGlyphStored);
}

KOV_PUBLISHED(TqzCustomImageProperties) {}

KOV_PUBLISHED(TqzImageProperties) {
    using P = TqzImageProperties;
    Property("AssignedValues", &P::GetAssignedValues, &P::SetAssignedValues);
    Property("Caption", &P::GetCaption, &P::SetCaption);
    Property("Center", &P::GetCenter, &P::SetCenter).Default(true);
    Property("CustomFilter", &P::GetCustomFilter, &P::SetCustomFilter);
    Property("GraphicClassName", &P::GetGraphicClassName, &P::SetGraphicClassName)
        .Stored(&P::IsGraphicClassNameStored);
    Property("GraphicTransparency", &P::GetGraphicTransparency, &P::SetGraphicTransparency).Default(gtDefault);
    Property("ImmediatePost", &P::ImmediatePost).Default(false);
    Property("PopupMenuLayout", &P::GetPopupMenuLayout, &P::SetPopupMenuLayout);
    Property("ReadOnly", &P::GetReadOnly, &P::SetReadOnly).Stored(&P::IsReadOnlyStored);
    Property("ShowFocusRect", &P::GetShowFocusRect, &P::SetShowFocusRect).Default(true);
    Property("Stretch", &P::GetStretch, &P::SetStretch).Default(false);
    Property("OnAssignPicture", &P::OnAssignPicture);
    Property("OnChange", &P::OnChange);
    Property("OnCustomClick", &P::OnCustomClick);
    Property("OnEditValueChanged", &P::OnEditValueChanged);
    Property("OnGetGraphicClass", &P::OnGetGraphicClass);
}

KOV_PUBLISHED(TqzCustomImage) {}

KOV_PUBLISHED(TqzImage) {
    using I = TqzImage;
    Property("Picture", &I::GetPicture, &I::SetPicture);
    Property("Properties", &I::GetImageEditProperties, &I::SetImageEditProperties);
    Property("OnGetGraphicClass", &I::OnGetGraphicClass);
}

namespace {

const bool kImageRegistered = [] {
    RegisterEnum<TqzImageTransparency>("TqzImageTransparency", {"gtDefault", "gtOpaque", "gtTransparent"});
    RegisterEnum<TqzPopupMenuItem>("TqzPopupMenuItem",
                                   {"pmiCut", "pmiCopy", "pmiPaste", "pmiDelete", "pmiLoad", "pmiSave", "pmiCustom"});
    RegisterInterfacedPersistentClass<TqzCustomImageProperties>();
    RegisterInterfacedPersistentClass<TqzImageProperties>();
    RegisterClasses({TqzImage::StaticClass()});
    RegisterImageProperties();
    return true;
}();

} // namespace
