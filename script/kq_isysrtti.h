// The system binding module: the built-in type names, constants, the string and array
// helpers, and the conversion, formatting, date, string, math and other functions.
#pragma once

#include "script/kq_iinterpreter.h"

class TkqSysRTTIFunctions : public TkqRTTIModule {
    KOV_CLASS(TkqSysRTTIFunctions, TkqRTTIModule)
public:
    explicit TkqSysRTTIFunctions(TkqScript* script);

    String CatString = "ctString";
    String CatDate = "ctDate";
    String CatConv = "ctConv";
    String CatFormat = "ctFormat";
    String CatMath = "ctMath";
    String CatOther = "ctOther";
};

// Appends the system module to the binding-module list, once; the first module AddRTTI creates.
void RegisterSysRTTI();
