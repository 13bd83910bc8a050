// The graphics binding module: colour names, font, pen and brush enumerations, and the drawing
// classes (fonts, pens, brushes, canvases, graphics, pictures, metafiles and bitmaps).
#pragma once

#include "script/kq_iinterpreter.h"

class TkqGraphicsRTTIFunctions : public TkqRTTIModule {
    KOV_CLASS(TkqGraphicsRTTIFunctions, TkqRTTIModule)
public:
    explicit TkqGraphicsRTTIFunctions(TkqScript* script);

    void AddColorConst(const String& name);
    Variant CallMethod(TObject* Instance, TClass ClassRef, const String& MethodName, TkqMethodHelper* Caller);
    Variant GetProp(TObject* Instance, TClass ClassRef, const String& PropName);
    void SetProp(TObject* Instance, TClass ClassRef, const String& PropName, const Variant& Value);
};

// Appends the graphics module to the binding-module list, once.
void RegisterGraphicsRTTI();
