#include "script/kq_igraphicsrtti.h"

#include "platform/classlib/Graphics.h"
#include "platform/classlib/Metafiles.h"
#include "platform/runtime/Exceptions.h"
#include "script/kq_iclassesrtti.h"

namespace {

template <class T> T* As(TObject* instance) {
    return static_cast<T*>(CheckedInstance(instance, T::StaticClass()));
}

Integer IntArg(TkqMethodHelper* caller, Integer i) { return caller->GetParam(i).AsInteger(); }

TGraphic* GraphicArg(TkqMethodHelper* caller, Integer i) {
    TObject* object = VariantToObject(caller->GetParam(i));
    return object == nullptr ? nullptr : As<TGraphic>(object);
}

} // namespace

TkqGraphicsRTTIFunctions::TkqGraphicsRTTIFunctions(TkqScript* script) : TkqRTTIModule(script) {
    TkqScript* s = script;
    GetColorValues([this](const String& name) { AddColorConst(name); });

    s->AddEnumSet("TFontStyles", "fsBold, fsItalic, fsUnderline, fsStrikeout");
    s->AddEnum("TFontPitch", "fpDefault, fpVariable, fpFixed");
    s->AddEnum("TPenStyle", "psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame");
    s->AddEnum("TPenMode",
               "pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, "
               "pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor");
    s->AddEnum("TBrushStyle",
               "bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, "
               "bsDiagCross");

    const TkqModuleCallback call(this, &TkqGraphicsRTTIFunctions::CallMethod);
    const TkqGetValueProc get(this, &TkqGraphicsRTTIFunctions::GetProp);
    const TkqSetValueProc set(this, &TkqGraphicsRTTIFunctions::SetProp);

    for (TClass cls : {TFont::StaticClass(), TPen::StaticClass(), TBrush::StaticClass()})
        s->AddClass(cls, "TPersistent")->AddConstructor("constructor Create", call);

    TkqClassVariable* c = s->AddClass(TCanvas::StaticClass(), "TPersistent");
    c->AddConstructor("constructor Create", call);
    c->AddMethod("procedure Draw(X, Y: Integer; Graphic: TGraphic)", call);
    c->AddMethod("procedure Ellipse(X1, Y1, X2, Y2: Integer)", call);
    c->AddMethod("procedure LineTo(X, Y: Integer)", call);
    c->AddMethod("procedure MoveTo(X, Y: Integer)", call);
    c->AddMethod("procedure Rectangle(X1, Y1, X2, Y2: Integer)", call);
    c->AddMethod("procedure RoundRect(X1, Y1, X2, Y2, X3, Y3: Integer)", call);
    c->AddMethod("procedure StretchDraw(X1, Y1, X2, Y2: Integer; Graphic: TGraphic)", call);
    c->AddMethod("function TextHeight(const Text: string): Integer", call);
    c->AddMethod("procedure TextOut(X, Y: Integer; const Text: string)", call);
    c->AddMethod("function TextWidth(const Text: string): Integer", call);
    c->AddIndexProperty("Pixels", "Integer, Integer", "TColor", call, false);

    c = s->AddClass(TGraphic::StaticClass(), "TPersistent");
    c->AddConstructor("constructor Create", call);
    c->AddMethod("procedure LoadFromFile(const Filename: string)", call);
    c->AddMethod("procedure SaveToFile(const Filename: string)", call);
    c->AddProperty("Height", "Integer", get, set);
    c->AddProperty("Width", "Integer", get, set);

    c = s->AddClass(TPicture::StaticClass(), "TPersistent");
    c->AddMethod("procedure LoadFromFile(const Filename: string)", call);
    c->AddMethod("procedure SaveToFile(const Filename: string)", call);
    c->AddProperty("Height", "Integer", get);
    c->AddProperty("Width", "Integer", get);

    s->AddClass(TMetafile::StaticClass(), "TGraphic");

    c = s->AddClass(TMetafileCanvas::StaticClass(), "TCanvas");
    c->AddConstructor("constructor Create(AMetafile: TMetafile; ReferenceDevice: Integer)", call);

    c = s->AddClass(TBitmap::StaticClass(), "TGraphic");
    c->AddProperty("Canvas", "TCanvas", get);
}

void TkqGraphicsRTTIFunctions::AddColorConst(const String& name) {
    Integer color = 0;
    // As the colour properties give them back (a TColor is a signed 32-bit number), so a script
    // compares a property with a system colour as it stands.
    if (IdentToColor(name, color)) Script->AddConst(name, "Integer", color);
}

Variant TkqGraphicsRTTIFunctions::CallMethod(TObject* Instance, TClass ClassRef, const String& MethodName,
                                             TkqMethodHelper* Caller) {
    const String& name = MethodName;
    if (ClassRef == TFont::StaticClass() || ClassRef == TPen::StaticClass() ||
        ClassRef == TBrush::StaticClass() || ClassRef == TCanvas::StaticClass() ||
        ClassRef == TGraphic::StaticClass()) {
        if (name == "CREATE") return ObjectToVariant(ConstructedClass(Instance, ClassRef)->Create(nullptr));
    }
    if (ClassRef == TCanvas::StaticClass()) {
        auto* canvas = As<TCanvas>(Instance);
        auto arg = [Caller](Integer i) { return IntArg(Caller, i); };
        if (name == "DRAW") canvas->Draw(arg(0), arg(1), GraphicArg(Caller, 2));
        if (name == "ELLIPSE") canvas->Ellipse(arg(0), arg(1), arg(2), arg(3));
        if (name == "LINETO") canvas->LineTo(arg(0), arg(1));
        if (name == "MOVETO") canvas->MoveTo(arg(0), arg(1));
        if (name == "RECTANGLE") canvas->Rectangle(arg(0), arg(1), arg(2), arg(3));
        if (name == "ROUNDRECT") canvas->RoundRect(arg(0), arg(1), arg(2), arg(3), arg(4), arg(5));
        if (name == "STRETCHDRAW")
            canvas->StretchDraw(TRect{arg(0), arg(1), arg(2), arg(3)}, GraphicArg(Caller, 4));
        if (name == "TEXTHEIGHT") return canvas->TextHeight(VarToStr(Caller->GetParam(0)));
        if (name == "TEXTOUT") canvas->TextOut(arg(0), arg(1), VarToStr(Caller->GetParam(2)));
        if (name == "TEXTWIDTH") return canvas->TextWidth(VarToStr(Caller->GetParam(0)));
        if (name == "PIXELS.GET") return canvas->GetPixels(arg(0), arg(1));
        if (name == "PIXELS.SET") canvas->SetPixels(arg(0), arg(1), arg(2));
    } else if (ClassRef == TGraphic::StaticClass()) {
        auto* graphic = As<TGraphic>(Instance);
        if (name == "LOADFROMFILE") graphic->LoadFromFile(VarToStr(Caller->GetParam(0)));
        if (name == "SAVETOFILE") graphic->SaveToFile(VarToStr(Caller->GetParam(0)));
    } else if (ClassRef == TPicture::StaticClass()) {
        auto* picture = As<TPicture>(Instance);
        if (name == "LOADFROMFILE") picture->LoadFromFile(VarToStr(Caller->GetParam(0)));
        if (name == "SAVETOFILE") picture->SaveToFile(VarToStr(Caller->GetParam(0)));
    } else if (ClassRef == TMetafileCanvas::StaticClass()) {
        if (name == "CREATE") {
            if (ConstructedClass(Instance, ClassRef) != TMetafileCanvas::StaticClass())
                throw EInvalidCast("Invalid class typecast");
            TObject* metafile = VariantToObject(Caller->GetParam(0));
            // A script holds no device context: every ReferenceDevice means the screen's.
            return ObjectToVariant(new TMetafileCanvas(As<TMetafile>(metafile), nullptr));
        }
    }
    return 0;
}

Variant TkqGraphicsRTTIFunctions::GetProp(TObject* Instance, TClass ClassRef, const String& PropName) {
    const String& name = PropName;
    if (ClassRef == TGraphic::StaticClass()) {
        auto* graphic = As<TGraphic>(Instance);
        if (name == "HEIGHT") return graphic->GetHeight();
        if (name == "WIDTH") return graphic->GetWidth();
    } else if (ClassRef == TPicture::StaticClass()) {
        auto* picture = As<TPicture>(Instance);
        if (name == "HEIGHT") return picture->GetHeight();
        if (name == "WIDTH") return picture->GetWidth();
    } else if (ClassRef == TBitmap::StaticClass()) {
        if (name == "CANVAS") return ObjectToVariant(As<TBitmap>(Instance)->GetCanvas());
    }
    return 0;
}

void TkqGraphicsRTTIFunctions::SetProp(TObject* Instance, TClass ClassRef, const String& PropName,
                                       const Variant& Value) {
    if (ClassRef != TGraphic::StaticClass()) return;
    auto* graphic = As<TGraphic>(Instance);
    if (PropName == "HEIGHT") graphic->SetHeight(Value.AsInteger());
    if (PropName == "WIDTH") graphic->SetWidth(Value.AsInteger());
}

void RegisterGraphicsRTTI() {
    static bool listed = false;
    ListRTTIModuleClass(listed, [](TkqScript* script) -> TkqRTTIModule* { return new TkqGraphicsRTTIFunctions(script); });
}
