#include "suite/controls/qzButtons.h"

#include <algorithm>

#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/ImageList.h"

// ---- Glyph lists ---------------------------------------------------------------------------------

TqzGlyphList::TqzGlyphList(Integer width, Integer height) : TImageList(nullptr, width, height) {}

bool TqzGlyphList::IsSlotUsed(Integer index) const {
    return index >= 0 && index < Integer(FUsed.size()) && FUsed[std::size_t(index)];
}

Integer TqzGlyphList::AddMaskedImage(TBitmap* image, TColor maskColor) {
    auto it = std::find(FUsed.begin(), FUsed.end(), false);
    const Integer index = Integer(it - FUsed.begin());
    if (index >= GetCount()) {
        AddMasked(image, maskColor);
        if (Integer(FUsed.size()) < index + 1) FUsed.resize(std::size_t(index + 1), false);
    } else {
        ReplaceMasked(index, image, maskColor);
    }
    FUsed[std::size_t(index)] = true;
    ++FUseCount;
    return index;
}

void TqzGlyphList::ReleaseImage(Integer index) {
    if (!IsSlotUsed(index)) return;
    --FUseCount;
    FUsed[std::size_t(index)] = false;
}

namespace {
TqzGlyphCache* gGlyphCache = nullptr;

TqzGlyphCache* EnsureGlyphCache() {
    if (gGlyphCache == nullptr) gGlyphCache = new TqzGlyphCache();
    return gGlyphCache;
}
} // namespace

TqzGlyphCache* GlyphCache() { return gGlyphCache; }

TqzGlyphCache::~TqzGlyphCache() {
    for (TqzGlyphList* list : FLists) delete list;
}

TqzGlyphList* TqzGlyphCache::GetList(Integer width, Integer height) {
    for (auto it = FLists.rbegin(); it != FLists.rend(); ++it)
        if ((*it)->GetWidth() == width && (*it)->GetHeight() == height) return *it;
    auto* list = new TqzGlyphList(width, height);
    FLists.push_back(list);
    return list;
}

void TqzGlyphCache::ReturnList(TqzGlyphList* list) {
    if (list == nullptr || list->GetUseCount() != 0) return;
    auto it = std::find(FLists.begin(), FLists.end(), list);
    if (it != FLists.end()) FLists.erase(it);
    delete list;
}

// ---- Glyph ---------------------------------------------------------------------------------------

TqzButtonGlyph::TqzButtonGlyph() : FGlyph(std::make_unique<TBitmap>()) {
    EnsureGlyphCache();
    FGlyph->OnChange = TNotifyEvent(this, &TqzButtonGlyph::GlyphChanged);
}

TqzButtonGlyph::~TqzButtonGlyph() {
    FGlyph->OnChange = nullptr;
    ReleaseImages();
    FGlyph.reset();
    if (gGlyphCache != nullptr && gGlyphCache->IsEmpty()) {
        delete gGlyphCache;
        gGlyphCache = nullptr;
    }
}

void TqzButtonGlyph::ReleaseImages() {
    for (Integer& index : FIndexes) {
        if (index != -1 && FGlyphList != nullptr) FGlyphList->ReleaseImage(index);
        index = -1;
    }
    if (FGlyphList != nullptr && gGlyphCache != nullptr) gGlyphCache->ReturnList(FGlyphList);
    FGlyphList = nullptr;
}

void TqzButtonGlyph::SetGlyph(TBitmap* value) {
    ReleaseImages();
    FGlyph->Assign(value);
    if (value != nullptr) {
        const Integer h = FGlyph->GetHeight();
        const Integer w = FGlyph->GetWidth();
        if (h > 0 && w % h == 0) {
            const Integer count = w / h;
            FNumGlyphs = Byte(count < 5 && count > 0 ? count : 1);
        }
    }
}

void TqzButtonGlyph::SetNumGlyphs(Integer value) {
    if (value == FNumGlyphs || value <= 0) return;
    ReleaseImages();
    FNumGlyphs = Byte(std::min<Integer>(value, 255));
    GlyphChanged(FGlyph.get());
}

void TqzButtonGlyph::GlyphChanged(TObject*) {
    ReleaseImages();
    OnChange(this);
}

TRect TqzButtonGlyph::GetCaptionMargins(TButtonLayout) const {
    if (FGlyph->GetWidth() > 0 && FGlyph->GetHeight() > 0) return TRect{0, 0, 0, 0};
    return TRect{1, 0, 2, 0};
}

bool TqzButtonGlyph::UsesWordWrap(bool wordWrap) const {
    return wordWrap && (FGlyph->GetWidth() == 0 || FGlyph->GetHeight() == 0);
}

namespace {
TqzButtonImageKind KindOfState(TqzButtonState state, Byte numGlyphs) {
    switch (state) {
    case qzbsPressed:
        return numGlyphs < 3 ? qzikUp : qzikDown;
    case qzbsDisabled:
        return qzikDisabled;
    default:
        return qzikUp;
    }
}

// Every pixel of the source column that has the key colour gets the target colour on the work
// bitmap: what a monochrome copy keyed on that colour, blitted with DSPDxax, does.
void PaintKeyedPixels(TBitmap* source, Integer columnLeft, TBitmap* work, Integer dx, Integer dy,
                      COLORREF key, TColor target) {
    const Integer w = work->GetWidth();
    const Integer h = work->GetHeight();
    const COLORREF rgb = COLORREF(ColorToRGB(target));
    HDC src = source->GetCanvas()->GetHandle();
    HDC dst = work->GetCanvas()->GetHandle();
    for (Integer y = 0; y < h; ++y)
        for (Integer x = 0; x < w; ++x) {
            if ((GetPixel(src, columnLeft + x, y) & 0xFFFFFF) != key) continue;
            const Integer tx = x + dx;
            const Integer ty = y + dy;
            if (tx >= 0 && tx < w && ty >= 0 && ty < h) SetPixel(dst, tx, ty, rgb);
        }
}
} // namespace

Integer TqzButtonGlyph::ImageIndexForState(TqzButtonState state) {
    const TqzButtonImageKind kind = KindOfState(state, FNumGlyphs);
    if (FIndexes[kind] != -1) return FIndexes[kind];
    const Integer iw = FGlyph->GetWidth() / FNumGlyphs;
    const Integer ih = FGlyph->GetHeight();
    // A strip narrower than its glyph count has no image either.
    if (iw <= 0 || ih <= 0) return -1;
    if (FGlyphList == nullptr) FGlyphList = EnsureGlyphCache()->GetList(iw, ih);

    auto work = std::make_unique<TBitmap>();
    work->SetSize(iw, ih);
    work->GetCanvas()->GetBrush()->SetColor(clBtnFace);
    work->SetPalette(FGlyph->GetPalette());
    const Integer column = kind < FNumGlyphs ? Integer(kind) : 0;
    const TRect source{column * iw, 0, (column + 1) * iw, ih};
    const TRect whole{0, 0, iw, ih};
    Integer index;
    if (kind == qzikDisabled) {
        TCanvas* canvas = work->GetCanvas();
        if (FNumGlyphs == 1) {
            // Embossed: the dark outline in highlight one pixel down and right, then in shadow.
            canvas->GetBrush()->SetColor(clBtnFace);
            canvas->FillRect(whole);
            PaintKeyedPixels(FGlyph.get(), 0, work.get(), 1, 1, 0x000000, clBtnHighlight);
            PaintKeyedPixels(FGlyph.get(), 0, work.get(), 0, 0, 0x000000, clBtnShadow);
        } else {
            canvas->CopyRect(whole, FGlyph->GetCanvas(), source);
            PaintKeyedPixels(FGlyph.get(), source.left, work.get(), 0, 0, 0xFFFFFF, clBtnHighlight);
            PaintKeyedPixels(FGlyph.get(), source.left, work.get(), 0, 0, 0x808080, clBtnShadow);
            PaintKeyedPixels(FGlyph.get(), source.left, work.get(), 0, 0, COLORREF(ColorToRGB(FTransparentColor)),
                             clBtnFace);
        }
        index = FGlyphList->AddMaskedImage(work.get(), clDefault);
    } else {
        work->GetCanvas()->CopyRect(whole, FGlyph->GetCanvas(), source);
        const TColor mask = FGlyph->GetTransparentMode() == tmFixed ? FTransparentColor : clDefault;
        index = FGlyphList->AddMaskedImage(work.get(), mask);
    }
    FIndexes[kind] = index;
    FGlyph->Dormant();
    return index;
}

void TqzButtonGlyph::CalcPlacement(TCanvas* canvas, const TRect& client, const TPoint& offset,
                                   const String& caption, TButtonLayout layout, Integer margin, Integer spacing,
                                   UINT biDiFlags, bool wordWrap, TPoint& glyphPos, TRect& textBounds) {
    if (biDiFlags & DT_RIGHT) {
        if (layout == blGlyphLeft) layout = blGlyphRight;
        else if (layout == blGlyphRight) layout = blGlyphLeft;
    }
    TPoint textSize{0, 0};
    textBounds = TRect{0, 0, 0, 0};
    if (!caption.empty()) {
        const TRect m = GetCaptionMargins(layout);
        textBounds = TRect{0, 0, client.right - client.left, 0};
        textBounds.left += m.left;
        textBounds.top += m.top;
        textBounds.right -= m.right;
        textBounds.bottom -= m.bottom;
        UINT flags = DT_CALCRECT | biDiFlags;
        if (UsesWordWrap(wordWrap)) flags |= DT_WORDBREAK;
        RECT r{textBounds.left, textBounds.top, textBounds.right, textBounds.bottom};
        DrawTextA(canvas->GetHandle(), caption.c_str(), int(caption.size()), &r, flags);
        textBounds = TRect{r.left, r.top, r.right, r.bottom};
        textSize = TPoint{(r.right - r.left) + m.left + m.right, (r.bottom - r.top) + m.top + m.bottom};
    }
    const TPoint clientSize{client.right - client.left, client.bottom - client.top};
    const TPoint glyphSize{FGlyph->GetWidth() / std::max<Integer>(FNumGlyphs, 1), FGlyph->GetHeight()};
    TPoint glyph{0, 0};
    TPoint text{0, 0};
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    if (horizontal) {
        glyph.y = (clientSize.y - glyphSize.y) / 2;
        text.y = (clientSize.y - textSize.y - 1) / 2;
    } else {
        glyph.x = (clientSize.x - glyphSize.x) / 2;
        text.x = (clientSize.x - textSize.x) / 2;
    }
    if (textSize.x == 0 || glyphSize.x == 0) spacing = 0;
    auto along = [horizontal](const TPoint& p) { return horizontal ? p.x : p.y; };
    if (margin == -1) {
        if (spacing == -1) {
            const TPoint total{glyphSize.x + textSize.x, glyphSize.y + textSize.y};
            margin = (along(clientSize) - along(total)) / 3;
            spacing = margin;
        } else {
            const TPoint total{glyphSize.x + spacing + textSize.x, glyphSize.y + spacing + textSize.y};
            margin = (along(clientSize) - along(total)) / 2;
        }
    } else if (spacing == -1) {
        const TPoint rest{clientSize.x - (margin + glyphSize.x), clientSize.y - (margin + glyphSize.y)};
        spacing = (along(rest) - along(textSize)) / 2;
    }
    switch (layout) {
    case blGlyphLeft:
        glyph.x = margin;
        text.x = margin + glyphSize.x + spacing;
        break;
    case blGlyphRight:
        text.x = margin;
        glyph.x = margin + textSize.x + spacing;
        break;
    case blGlyphTop:
        glyph.y = margin;
        text.y = margin + glyphSize.y + spacing;
        break;
    case blGlyphBottom:
        text.y = margin;
        glyph.y = margin + textSize.y + spacing;
        break;
    }
    glyphPos = TPoint{glyph.x + client.left + offset.x, glyph.y + client.top + offset.y};
    const Integer dx = client.left + text.x + offset.x;
    const Integer dy = client.top + text.y + offset.y;
    textBounds = TRect{textBounds.left + dx, textBounds.top + dy, textBounds.right + dx, textBounds.bottom + dy};
}

void TqzButtonGlyph::Paint(TCanvas* canvas, const TRect& client, const TPoint& offset, const String& caption,
                           TButtonLayout layout, Integer margin, Integer spacing, TqzButtonState state,
                           UINT biDiFlags, bool native, bool wordWrap) {
    TPoint glyphPos;
    TRect textBounds;
    CalcPlacement(canvas, client, offset, caption, layout, margin, spacing, biDiFlags, wordWrap, glyphPos,
                  textBounds);
    PaintGlyph(canvas, glyphPos, state);
    PaintCaption(canvas, caption, textBounds, state, biDiFlags, native, wordWrap);
}

void TqzButtonGlyph::PaintGlyph(TCanvas* canvas, const TPoint& pos, TqzButtonState state) {
    if (FGlyph->GetWidth() == 0 || FGlyph->GetHeight() == 0) return;
    const Integer index = ImageIndexForState(state);
    if (index < 0 || FGlyphList == nullptr) return;
    ImageList_DrawEx(FGlyphList->GetHandle(), int(index), canvas->GetHandle(), int(pos.x), int(pos.y), 0, 0,
                     CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
}

void TqzButtonGlyph::PaintCaption(TCanvas* canvas, const String& caption, const TRect& textBounds,
                                  TqzButtonState state, UINT biDiFlags, bool, bool wordWrap) {
    if (caption.empty()) return;
    TBrush* brush = canvas->GetBrush();
    const TBrushStyle oldStyle = brush->GetStyle();
    brush->SetStyle(bsClear);
    UINT flags = DT_CENTER | DT_VCENTER | biDiFlags;
    if (UsesWordWrap(wordWrap)) flags |= DT_WORDBREAK;
    try {
        if (state == qzbsDisabled) {
            TFont* font = canvas->GetFont();
            const TColor old = font->GetColor();
            font->SetColor(clBtnHighlight);
            RECT r{textBounds.left + 1, textBounds.top + 1, textBounds.right + 1, textBounds.bottom + 1};
            DrawTextA(canvas->GetHandle(), caption.c_str(), int(caption.size()), &r, flags);
            font->SetColor(old);
        }
        RECT r{textBounds.left, textBounds.top, textBounds.right, textBounds.bottom};
        DrawTextA(canvas->GetHandle(), caption.c_str(), int(caption.size()), &r, flags);
    } catch (...) {
        brush->SetStyle(oldStyle);
        throw;
    }
    brush->SetStyle(oldStyle);
}
