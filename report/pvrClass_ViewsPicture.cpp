// The line view and the picture view: lines drawn with the frame's pen, and bitmaps, JPEG
// images, metafiles and icons recognised by their first bytes and drawn stretched or at size.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/classlib/Jpeg.h"
#include "platform/classlib/Metafiles.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Streams.h"
#include "report/pvrClass.h"
#include "report/pvrRes.h"

namespace {

Integer Px(Extended value) { return Integer(Round(value)); }

LongWord ReadLongWord(const std::uint8_t* data) {
    return LongWord(data[0]) | (LongWord(data[1]) << 8) | (LongWord(data[2]) << 16) | (LongWord(data[3]) << 24);
}

Word ReadWord(const std::uint8_t* data) { return Word(data[0] | (data[1] << 8)); }

} // namespace

// ---- Line --------------------------------------------------------------------------------------

TpvrCustomLineView::TpvrCustomLineView(TComponent* owner) : TpvrStretcheable(owner) {
    if (IsDesigning) Diagonal = CurrentDesignFlags() != 0;
}

String TpvrCustomLineView::GetDescription() { return GetResources()->Get("obLine"); }

void TpvrCustomLineView::Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                              Extended offsetY) {
    if (!Diagonal) {
        if (GetWidth() <= GetHeight()) {
            SetWidth(0);
            GetFrame()->Typ = TpvrFrameTypes{ftLeft};
        } else {
            SetHeight(0);
            GetFrame()->Typ = TpvrFrameTypes{ftTop};
        }
    }
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    if (!Diagonal) {
        DrawFrame();
        return;
    }
    if (GetFrame()->Color == clTransparent || GetFrame()->Width == 0) return;
    TBrush* brush = canvas->GetBrush();
    if (Color == clTransparent) {
        brush->SetStyle(bsClear);
    } else {
        brush->SetStyle(bsSolid);
        brush->SetColor(Color);
    }
    TPen* pen = canvas->GetPen();
    pen->SetColor(GetFrame()->Color);
    pen->SetWidth(1);
    pen->SetStyle(GetFrame()->Style == fsDouble ? psSolid : TPenStyle(GetFrame()->Style));
    DrawWideLine(FX, FY, FX1, FY1, FFrameWidth);
    brush->SetStyle(bsSolid);
}

// ---- Picture -----------------------------------------------------------------------------------

TpvrPictureView::TpvrPictureView(TComponent* owner)
    : TpvrView(owner), FPicture(std::make_unique<TPicture>()) {
    Color = clWhite;
    FPicture->OnChange = TNotifyEvent(this, &TpvrPictureView::PictureChange);
}

TpvrPictureView::~TpvrPictureView() { FPicture->OnChange = TNotifyEvent(); }

String TpvrPictureView::GetDescription() { return GetResources()->Get("obPicture"); }

void TpvrPictureView::SetAutoSize(bool value) {
    FAutoSize = value;
    ApplyAutoSize();
}

void TpvrPictureView::ApplyAutoSize() {
    TGraphic* graphic = FPicture->GetGraphic();
    if (!FAutoSize || graphic == nullptr) return;
    SetWidth(graphic->GetWidth());
    SetHeight(graphic->GetHeight());
}

void TpvrPictureView::PictureChange(TObject*) {
    ApplyAutoSize();
    PictureChanged = true;
}

Integer TpvrPictureView::LoadPicture(TStream* stream) {
    const Int64 size = stream->GetSize();
    Int64 start = stream->GetPosition();
    if (size - start <= 0) {
        FPicture->Assign(nullptr);
        return 0;
    }
    std::uint8_t head[100] = {};
    if (size - start >= 8) {
        stream->ReadBuffer(head, 8);
        if (ReadWord(head) == 1 && ReadWord(head + 2) == 256 && Int64(ReadLongWord(head + 4)) == size - 8)
            start += 8;
    }
    stream->SetPosition(start);
    const Int64 remaining = size - start;
    const Integer got = stream->Read(head, Integer(std::min<Int64>(remaining, sizeof head)));
    stream->SetPosition(start);

    std::unique_ptr<TGraphic> graphic;
    if (remaining >= 14 && got >= 2 && head[0] == 'B' && head[1] == 'M')
        graphic = std::make_unique<TBitmap>();
    else if (remaining >= 2 && got >= 2 && head[0] == 0xFF && head[1] == 0xD8)
        graphic = std::make_unique<TJPEGImage>();
    else if (remaining >= 22 && got >= 4 && ReadLongWord(head) == 0x9AC6CDD7u)
        graphic = std::make_unique<TMetafile>();
    else if (remaining >= 100 && got >= 44 && ReadLongWord(head + 40) == 0x464D4520u)
        graphic = std::make_unique<TMetafile>();
    else if (remaining >= 6 && got >= 4 && ReadWord(head + 2) < 2)
        graphic = std::make_unique<TIcon>();
    if (!graphic) {
        FPicture->Assign(nullptr);
        return pvrE_INVALIDARG;
    }
    graphic->LoadFromStream(stream);
    FPicture->SetGraphic(graphic.get());
    return 0;
}

void TpvrPictureView::GetData() {
    TpvrView::GetData();
    if (!IsDataBound() || !GetDataSet()->IsBlobField(DataField)) return;
    TMemoryStream data;
    GetDataSet()->AssignBlobTo(DataField, &data);
    data.SetPosition(0);
    LoadPicture(&data);
}

void TpvrPictureView::Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                           Extended offsetY) {
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    DrawBackground();
    TpvrRect r = MakeRect(FX, FY, FX1, FY1);
    TGraphic* graphic = FPicture->GetGraphic();
    const Integer pw = FPicture->GetWidth();
    const Integer ph = FPicture->GetHeight();
    if (graphic != nullptr && !graphic->GetEmpty() && pw > 0 && ph > 0) {
        if (Stretched) {
            if (KeepAspectRatio) {
                const Extended kx = Extended(FDX) / pw;
                const Extended ky = Extended(FDY) / ph;
                if (ky > kx)
                    r.Bottom = FY + Px(ph * kx);
                else
                    r.Right = FX + Px(pw * ky);
                if (Center) {
                    const Integer dx = Integer((FDX - Integer(r.Right - r.Left)) / 2);
                    const Integer dy = Integer((FDY - Integer(r.Bottom - r.Top)) / 2);
                    r = MakeRect(r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy);
                }
            }
        } else {
            const Integer w = Px(scaleX * pw);
            const Integer h = Px(scaleY * ph);
            Integer left = FX, top = FY;
            if (Center) {
                left += (FDX - w) / 2;
                top += (FDY - h) / 2;
            }
            r = MakeRect(left, top, left + w, top + h);
        }
        StretchDrawGraphic(canvas, r, graphic);
    } else if (TpvrReport* report = Report(); report && report->Designer) {
        TFont* font = canvas->GetFont();
        font->SetName("Tahoma");
        font->SetSize(8);
        font->SetColor(clBlack);
        canvas->GetBrush()->SetStyle(bsClear);
        canvas->TextOut(FX + 20, FY + 3, GetResources()->Get("obPicture"));
        canvas->GetBrush()->SetStyle(bsSolid);
        try {
            TBitmap empty;
            empty.LoadFromResourceName(HInstance, "pvrEMPTY");
            canvas->Draw(FX + 1, FY + 2, &empty);
        } catch (const Exception&) {
            // Without the placeholder glyph the caption alone marks the empty picture.
        }
    }
    DrawFrame();
}

String TpvrPictureView::DiffAttributes(TpvrComponent* source) {
    String result;
    if (PictureChanged) {
        TMemoryStream data;
        {
            TWriter writer(&data, 4096);
            FPicture->DefineProperties(&writer);
            writer.FlushBuffer();
        }
        if (data.GetSize() > 0) result += " Picture.PropData=\"" + StreamToHex(&data) + "\"";
    }
    return result + " " + inherited::DiffAttributes(source);
}
