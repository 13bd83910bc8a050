#include "report/pvrClassRTTI.h"

#include <cmath>

#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrEngine.h"
#include "report/pvrPreviewPages.h"
#include "script/kq_iclassesrtti.h"

namespace {

template <class T> T* As(TObject* instance) {
    return static_cast<T*>(CheckedInstance(instance, T::StaticClass()));
}

String TextArg(TkqMethodHelper* caller, Integer i) { return VarToStr(caller->GetParam(i)); }

} // namespace

TpvrRTTIFunctions::TpvrRTTIFunctions(TkqScript* script) : TkqRTTIModule(script) {
    TkqScript* s = script;
    const TkqModuleCallback call(this, &TpvrRTTIFunctions::CallMethod);
    const TkqGetValueProc get(this, &TpvrRTTIFunctions::GetProp);

    // The objects a script hands to the engine: components and bands.
    s->AddClass(TpvrComponent::StaticClass(), "TComponent");
    s->AddClass(TpvrReportComponent::StaticClass(), "TpvrComponent");
    TkqClassVariable* c = s->AddClass(TpvrBand::StaticClass(), "TpvrReportComponent");
    c->AddProperty("Overflow", "Boolean", get);
    for (TClass cls : {TpvrDataBand::StaticClass(), TpvrHeader::StaticClass(), TpvrFooter::StaticClass()})
        s->AddClass(cls, "TpvrBand");
    for (TClass cls :
         {TpvrMasterData::StaticClass(), TpvrDetailData::StaticClass(), TpvrSubdetailData::StaticClass(),
          TpvrDataBand4::StaticClass(), TpvrDataBand5::StaticClass(), TpvrDataBand6::StaticClass()})
        s->AddClass(cls, "TpvrDataBand");
    for (TClass cls :
         {TpvrPageHeader::StaticClass(), TpvrPageFooter::StaticClass(), TpvrColumnHeader::StaticClass(),
          TpvrColumnFooter::StaticClass(), TpvrGroupHeader::StaticClass(), TpvrGroupFooter::StaticClass(),
          TpvrReportTitle::StaticClass(), TpvrReportSummary::StaticClass(), TpvrChild::StaticClass(),
          TpvrOverlay::StaticClass()})
        s->AddClass(cls, "TpvrBand");

    c = s->AddClass(TpvrCustomEngine::StaticClass(), "TPersistent");
    c->AddMethod("procedure AddAnchor(const Text: String)", call);
    c->AddMethod("procedure NewPage", call);
    c->AddMethod("procedure NewColumn", call);
    c->AddMethod("procedure ShowBand(Band: TpvrBand)", call);
    c->AddMethod("procedure StopReport", call);
    c->AddMethod("function FreeSpace: Extended", call);
    c->AddMethod("function GetAnchorPage(const Text: String): Integer", call);
    s->AddClass(TpvrEngine::StaticClass(), "TpvrCustomEngine");

    c = s->AddClass(TpvrCustomOutline::StaticClass(), "TPersistent");
    c->AddMethod("procedure AddItem(const Text: String)", call);
    c->AddMethod("procedure LevelRoot", call);
    c->AddMethod("procedure LevelUp", call);
    c->AddProperty("Engine", "TpvrCustomEngine", get);
    s->AddClass(TpvrOutline::StaticClass(), "TpvrCustomOutline");
}

Variant TpvrRTTIFunctions::CallMethod(TObject* Instance, TClass ClassRef, const String& MethodName,
                                      TkqMethodHelper* Caller) {
    const String& name = MethodName;
    if (ClassRef == TpvrCustomEngine::StaticClass()) {
        auto* engine = As<TpvrCustomEngine>(Instance);
        auto* full = dynamic_cast<TpvrEngine*>(engine);
        if (name == "ADDANCHOR" && full) full->AddAnchor(TextArg(Caller, 0));
        if (name == "NEWPAGE") engine->NewPage();
        if (name == "NEWCOLUMN") engine->NewColumn();
        if (name == "SHOWBAND")
            engine->ShowBand(dynamic_cast<TpvrBand*>(VariantToObject(Caller->GetParam(0))));
        if (name == "STOPREPORT") engine->StopReport();
        if (name == "FREESPACE") return Variant(double(engine->FreeSpace()));
        if (name == "GETANCHORPAGE") return full ? full->GetAnchorPage(TextArg(Caller, 0)) : 1;
    } else if (ClassRef == TpvrCustomOutline::StaticClass()) {
        auto* outline = As<TpvrCustomOutline>(Instance);
        if (name == "ADDITEM") {
            // At the engine's current place, in whole pixels.
            TpvrCustomEngine* engine = outline->GetEngine();
            outline->AddItem(TextArg(Caller, 0), engine ? Integer(Round(engine->CurY)) : 0);
        }
        if (name == "LEVELROOT") outline->LevelRoot();
        if (name == "LEVELUP") outline->LevelUp();
    }
    return 0;
}

Variant TpvrRTTIFunctions::GetProp(TObject* Instance, TClass ClassRef, const String& PropName) {
    if (ClassRef == TpvrBand::StaticClass() && PropName == "OVERFLOW")
        return As<TpvrBand>(Instance)->Overflow;
    if (ClassRef == TpvrCustomOutline::StaticClass() && PropName == "ENGINE")
        return ObjectToVariant(As<TpvrCustomOutline>(Instance)->GetEngine());
    return 0;
}

void RegisterReportRTTI() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    GetRTTIModuleClasses().push_back(
        [](TkqScript* script) -> TkqRTTIModule* { return new TpvrRTTIFunctions(script); });
}
