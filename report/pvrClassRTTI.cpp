#include "report/pvrClassRTTI.h"

#include "platform/classlib/Controls.h"
#include "platform/classlib/Graphics.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Lists.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrClass_Views.h"
#include "report/pvrDMPClass.h"
#include "report/pvrEngine.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrUnicodeUtils.h"
#include "report/pvrVariables.h"
#include "script/kq_iclassesrtti.h"

namespace {

template <class T> T* As(TObject* instance) {
    return static_cast<T*>(CheckedInstance(instance, T::StaticClass()));
}

TObject* ObjArg(TkqMethodHelper* caller, Integer i) { return VariantToObject(caller->GetParam(i)); }
template <class T> T* ObjArgAs(TkqMethodHelper* caller, Integer i) {
    TObject* object = ObjArg(caller, i);
    return object == nullptr ? nullptr : As<T>(object);
}
String StrArg(TkqMethodHelper* caller, Integer i) { return VarToStr(caller->GetParam(i)); }
WideString WideArg(TkqMethodHelper* caller, Integer i) { return StringToWide(StrArg(caller, i)); }
Integer IntArg(TkqMethodHelper* caller, Integer i) { return caller->GetParam(i).AsInteger(); }

Variant CallDataSet(TpvrDataSet* dataSet, const String& name, TkqMethodHelper* caller) {
    if (name == "OPEN") dataSet->Open();
    if (name == "CLOSE") dataSet->Close();
    if (name == "FIRST") dataSet->First();
    if (name == "NEXT") dataSet->Next();
    if (name == "PRIOR") dataSet->Prior();
    if (name == "EOF") return dataSet->Eof();
    if (name == "FIELDSCOUNT") return dataSet->FieldsCount();
    if (name == "HASFIELD") return dataSet->HasField(StrArg(caller, 0));
    if (name == "ISBLOBFIELD") return dataSet->IsBlobField(StrArg(caller, 0));
    if (name == "RECORDCOUNT") return dataSet->RecordCount();
    if (name == "GETFIELDLIST") {
        if (auto* list = ObjArgAs<TStrings>(caller, 0)) dataSet->GetFieldList(list);
    }
    if (name == "DISPLAYTEXT.GET") return WideToString(dataSet->GetDisplayText(StrArg(caller, 0)));
    if (name == "DISPLAYWIDTH.GET") return dataSet->GetDisplayWidth(StrArg(caller, 0));
    if (name == "FIELDTYPE.GET") return Integer(dataSet->GetFieldType(StrArg(caller, 0)));
    if (name == "VALUE.GET") return dataSet->GetValue(StrArg(caller, 0));
    return 0;
}

Variant CallWideStrings(TWideStrings* strings, const String& name, TkqMethodHelper* caller) {
    if (name == "ADD") return strings->Add(WideArg(caller, 0));
    if (name == "ADDOBJECT") return strings->AddObject(WideArg(caller, 0), ObjArg(caller, 1));
    if (name == "CLEAR") strings->Clear();
    if (name == "DELETE") strings->Delete(IntArg(caller, 0));
    if (name == "INDEXOF") return strings->IndexOf(WideArg(caller, 0));
    if (name == "INSERT") strings->Put(IntArg(caller, 0), WideArg(caller, 1));
    if (name == "LOADFROMFILE") strings->LoadFromFile(WideArg(caller, 0));
    if (name == "LOADFROMSTREAM") strings->LoadFromStream(ObjArgAs<TStream>(caller, 0));
    if (name == "SAVETOFILE") strings->SaveToFile(WideArg(caller, 0));
    if (name == "SAVETOSTREAM") strings->SaveToStream(ObjArgAs<TStream>(caller, 0));
    if (name == "OBJECTS.GET") return ObjectToVariant(strings->GetObjects(IntArg(caller, 0)));
    if (name == "OBJECTS.SET") strings->SetObjects(IntArg(caller, 0), ObjArg(caller, 1));
    if (name == "STRINGS.GET") return WideToString(strings->GetStrings(IntArg(caller, 0)));
    if (name == "STRINGS.SET") strings->Put(IntArg(caller, 0), WideArg(caller, 1));
    return 0;
}

Integer DatePart(const Variant& value, int part) {
    Word year = 0, month = 0, day = 0;
    DecodeDate(TDateTime(value.AsDouble()), year, month, day);
    return part == 0 ? day : part == 1 ? month : year;
}

} // namespace

TpvrClassRTTIFunctions::TpvrClassRTTIFunctions(TkqScript* script) : TkqRTTIModule(script) {
    TkqScript* s = script;
    const TkqModuleCallback call(this, &TpvrClassRTTIFunctions::CallMethod);
    const TkqGetValueProc get(this, &TpvrClassRTTIFunctions::GetProp);
    const TkqSetValueProc set(this, &TpvrClassRTTIFunctions::SetProp);

    s->AddConst("qo01cm", "Extended", Currency(3.7795));
    const std::pair<const char*, double> units[] = {
        {"qo1cm", 37.7953}, {"qo01in", 9.6}, {"qo1in", 96}, {"qo1CharX", 9.6}, {"qo1CharY", 17}};
    for (const auto& [name, value] : units)
        s->AddConst(name, "Extended", value);
    s->AddConst("clTransparent", "Integer", Integer(clTransparent));
    s->AddConst("crHand", "Integer", 150);
    s->AddConst("crZoom", "Integer", 151);
    s->AddConst("crFormat", "Integer", 152);

    s->AddEnum("TpvrStretchMode", "smDontStretch, smActualHeight, smMaxHeight");
    s->AddEnum("TpvrShiftMode", "smDontShift, smAlways, smWhenOverlapped");
    s->AddEnum("TpvrDuplexMode", "dmNone, dmVertical, dmHorizontal, dmSimplex");
    // Every alignment a view has, so that a script's baClient is the view's.
    s->AddEnum("TpvrAlign", "baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient");
    s->AddEnum("TpvrFrameStyle", "fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble");
    s->AddEnumSet("TpvrFrameTypes", "ftLeft, ftRight, ftTop, ftBottom");
    s->AddEnum("TpvrHAlign", "haLeft, haRight, haCenter, haBlock");
    s->AddEnum("TpvrVAlign", "vaTop, vaBottom, vaCenter");
    s->AddEnumSet("TpvrRestrictions", "rfDontModify, rfDontSize, rfDontMove, rfDontDelete");
    // Every shape a shape view draws, so that the diagonals keep their values.
    s->AddEnum("TpvrShapeKind",
               "skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, "
               "skDiagonal2");
    // The preview options' bits: pbTree is the outline button's.
    s->AddEnumSet("TpvrPreviewButtons",
                  "pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbTree, pbPageSetup, "
                  "pbTools, pbEdit, pbNavigator, pbExportQuick");
    s->AddEnum("TpvrZoomMode", "zmDefault, zmWholePage, zmPageWidth, zmManyPages");
    s->AddEnum("TpvrPrintPages", "ppAll, ppOdd, ppEven");
    s->AddEnumSet("TpvrDMPFontStyles", "fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, fsxSubScript, "
                                       "fsxCondensed, fsxWide, fsx12cpi, fsx15cpi");
    s->AddEnum("TpvrRangeBegin", "rbFirst, rbCurrent");
    s->AddEnum("TpvrRangeEnd", "reLast, reCurrent, reCount");
    s->AddEnum("TpvrFieldType", "fftNumeric, fftString, fftBoolean");
    s->AddEnum("TpvrFormatKind", "fkText, fkNumeric, fkDateTime, fkBoolean");

    TkqClassVariable* c = s->AddClass(TWideStrings::StaticClass(), "TPersistent");
    c->AddMethod("function Add(const S: string): Integer", call);
    c->AddMethod("function AddObject(const S: string; AObject: TObject): Integer", call);
    c->AddMethod("procedure Clear", call);
    c->AddMethod("procedure Delete(Index: Integer)", call);
    c->AddMethod("function IndexOf(const S: string): Integer", call);
    c->AddMethod("procedure Insert(Index: Integer; const S: string)", call);
    c->AddMethod("procedure LoadFromFile(const FileName: string)", call);
    c->AddMethod("procedure LoadFromStream(Stream: TStream)", call);
    c->AddMethod("procedure SaveToFile(const FileName: string)", call);
    c->AddMethod("procedure SaveToStream(Stream: TStream)", call);
    c->AddProperty("Count", "Integer", get);
    c->AddIndexProperty("Objects", "Integer", "TObject", call, false);
    c->AddDefaultProperty("Strings", "Integer", "string", call, false);
    c->AddProperty("Text", "string", get, set);

    c = s->AddClass(TpvrDataSet::StaticClass(), "TComponent");
    c->AddMethod("procedure Open", call);
    c->AddMethod("procedure Close", call);
    c->AddMethod("procedure First", call);
    c->AddMethod("procedure Next", call);
    c->AddMethod("procedure Prior", call);
    c->AddMethod("function Eof: Boolean", call);
    c->AddMethod("function FieldsCount: Integer", call);
    c->AddMethod("function HasField(const fName: String): Boolean", call);
    c->AddMethod("function IsBlobField(const fName: String): Boolean", call);
    c->AddMethod("function RecordCount: Integer", call);
    c->AddMethod("procedure GetFieldList(List: TStrings)", call);
    c->AddProperty("RecNo", "Integer", get);
    c->AddIndexProperty("DisplayText", "String", "String", call, true);
    c->AddIndexProperty("DisplayWidth", "String", "Integer", call, true);
    c->AddIndexProperty("FieldType", "String", "TpvrFieldType", call, true);
    c->AddIndexProperty("Value", "String", "Variant", call, true);
    s->AddClass(TpvrUserDataSet::StaticClass(), "TpvrDataSet");
    s->AddClass(TpvrCustomDBDataSet::StaticClass(), "TpvrDataSet");

    c = s->AddClass(TpvrComponent::StaticClass(), "TComponent");
    c->AddMethod("procedure Clear", call);
    c->AddMethod("function FindObject(s: String): TpvrComponent", call);
    c->AddMethod("procedure LoadFromStream(Stream: TStream)", call);
    c->AddMethod("procedure SaveToStream(Stream: TStream; SaveChildren: Boolean = True)", call);
    c->AddMethod("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Extended)", call);
    c->AddProperty("Objects", "TList", get);
    c->AddProperty("AllObjects", "TList", get);
    c->AddProperty("Parent", "TpvrComponent", get, set);
    c->AddProperty("Page", "TpvrPage", get);
    c->AddProperty("AbsLeft", "Extended", get);
    c->AddProperty("AbsTop", "Extended", get);

    s->AddClass(TpvrReportComponent::StaticClass(), "TpvrComponent");
    s->AddClass(TpvrDialogComponent::StaticClass(), "TpvrReportComponent");
    c = s->AddClass(TpvrDialogControl::StaticClass(), "TpvrReportComponent");
    c->AddMethod("procedure SetFocus", call);
    s->AddClass(TpvrFrame::StaticClass(), "TPersistent");
    c = s->AddClass(TpvrView::StaticClass(), "TpvrReportComponent");
    c->AddProperty("TagStr", "String", get, set);
    s->AddClass(TpvrShapeView::StaticClass(), "TpvrView");
    c = s->AddClass(TpvrStretcheable::StaticClass(), "TpvrView");
    c->AddMethod("function CalcHeight: Extended", call);
    s->AddClass(TpvrHighlight::StaticClass(), "TPersistent");
    s->AddClass(TpvrFormat::StaticClass(), "TPersistent");
    c = s->AddClass(TpvrCustomMemoView::StaticClass(), "TpvrStretcheable");
    c->AddMethod("function CalcWidth: Extended", call);
    c->AddProperty("Text", "String", get, set);
    c->AddProperty("Lines", "TWideStrings", get, set);
    c->AddProperty("Value", "Variant", get);
    for (TClass cls :
         {TpvrMemoView::StaticClass(), TpvrSysMemoView::StaticClass(), TpvrDMPMemoView::StaticClass()})
        s->AddClass(cls, "TpvrCustomMemoView");
    s->AddClass(TpvrCustomLineView::StaticClass(), "TpvrStretcheable");
    s->AddClass(TpvrLineView::StaticClass(), "TpvrCustomLineView");
    s->AddClass(TpvrDMPLineView::StaticClass(), "TpvrCustomLineView");
    s->AddClass(TpvrDMPCommand::StaticClass(), "TpvrView");
    c = s->AddClass(TpvrPictureView::StaticClass(), "TpvrView");
    c->AddMethod("procedure LoadFromFile(filename: String)", call);
    s->AddClass(TpvrSubreport::StaticClass(), "TpvrView");

    c = s->AddClass(TpvrBand::StaticClass(), "TpvrReportComponent");
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

    s->AddClass(TpvrPage::StaticClass(), "TpvrComponent");
    s->AddClass(TpvrReportPage::StaticClass(), "TpvrPage");
    c = s->AddClass(TpvrDialogPage::StaticClass(), "TpvrPage");
    c->AddMethod("function ShowModal: Integer", call);
    c->AddProperty("ModalResult", "Integer", get, set);
    s->AddClass(TpvrDMPPage::StaticClass(), "TpvrReportPage");

    for (TClass cls : {TpvrEngineOptions::StaticClass(), TpvrPrintOptions::StaticClass(),
                       TpvrPreviewOptions::StaticClass(), TpvrReportOptions::StaticClass()})
        s->AddClass(cls, "TPersistent");
    s->AddClass(TpvrVariable::StaticClass(), "TCollectionItem");
    c = s->AddClass(TpvrVariables::StaticClass(), "TCollection");
    c->AddDefaultProperty("Variables", "String", "Variant", call, false);

    c = s->AddClass(TpvrReport::StaticClass(), "TpvrComponent");
    c->AddMethod("function Calc(const Expr: String): Variant", call);
    c->AddMethod("function GetDataset(const Alias: String): TpvrDataset", call);
    c->AddMethod("function LoadFromFile(const FileName: String): Boolean", call);
    c->AddMethod("procedure SaveToFile(const FileName: String)", call);
    c->AddMethod("procedure ShowReport", call);
    c->AddProperty("Terminated", "Boolean", get, set);
    c->AddProperty("Variables", "TpvrVariables", get);

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
    s->AddClass(TpvrOutline::StaticClass(), "TpvrCustomOutline");

    s->AddMethod("function DayOf(Date: TDateTime): Integer", call, "ctDate");
    s->AddMethod("function MonthOf(Date: TDateTime): Integer", call, "ctDate");
    s->AddMethod("function YearOf(Date: TDateTime): Integer", call, "ctDate");
    s->AddMethod("function IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant", call, "ctOther");
    for (const char* aggregate : {"SUM", "AVG", "MIN", "MAX"})
        s->AddMethod(String("function ") + aggregate +
                         "(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
                     call, "ctAggregate");
    s->AddMethod("function COUNT(Band: Variant = 0; Flags: Integer = 0): Variant", call, "ctAggregate");
}

TpvrClassRTTIFunctions::~TpvrClassRTTIFunctions() = default;

TList* TpvrClassRTTIFunctions::ObjectList(TObject* owner, bool all) {
    auto* component = As<TpvrComponent>(owner);
    std::unique_ptr<TList>& list = FLists[{owner, all}];
    if (!list) list = std::make_unique<TList>();
    list->Clear();
    for (TpvrComponent* object : all ? component->AllObjects() : component->GetObjects())
        list->Add(object);
    return list.get();
}

Variant TpvrClassRTTIFunctions::CallMethod(TObject* Instance, TClass ClassRef, const String& MethodName,
                                           TkqMethodHelper* Caller) {
    const String& name = MethodName;
    if (ClassRef == nullptr) {
        if (name == "DAYOF") return DatePart(Caller->GetParam(0), 0);
        if (name == "MONTHOF") return DatePart(Caller->GetParam(0), 1);
        if (name == "YEAROF") return DatePart(Caller->GetParam(0), 2);
        if (name == "IIF") return Caller->GetParam(0).AsBoolean() ? Caller->GetParam(1) : Caller->GetParam(2);
    } else if (ClassRef == TWideStrings::StaticClass()) {
        return CallWideStrings(As<TWideStrings>(Instance), name, Caller);
    } else if (ClassRef == TpvrDataSet::StaticClass()) {
        return CallDataSet(As<TpvrDataSet>(Instance), name, Caller);
    } else if (ClassRef == TpvrComponent::StaticClass()) {
        auto* component = As<TpvrComponent>(Instance);
        if (name == "CLEAR") component->Clear();
        if (name == "FINDOBJECT") return ObjectToVariant(component->FindObject(StrArg(Caller, 0)));
        if (name == "LOADFROMSTREAM") component->LoadFromStream(ObjArgAs<TStream>(Caller, 0));
        if (name == "SAVETOSTREAM")
            component->SaveToStream(ObjArgAs<TStream>(Caller, 0), Caller->GetParam(1).AsBoolean(), false);
        if (name == "SETBOUNDS")
            component->SetBounds(Caller->GetParam(0).AsDouble(), Caller->GetParam(1).AsDouble(),
                                 Caller->GetParam(2).AsDouble(), Caller->GetParam(3).AsDouble());
    } else if (ClassRef == TpvrDialogControl::StaticClass()) {
        if (name == "SETFOCUS")
            if (auto* control = dynamic_cast<TWinControl*>(As<TpvrDialogControl>(Instance)->GetControl()))
                control->SetFocus();
    } else if (ClassRef == TpvrStretcheable::StaticClass()) {
        if (name == "CALCHEIGHT") return double(As<TpvrStretcheable>(Instance)->CalcHeight());
    } else if (ClassRef == TpvrCustomMemoView::StaticClass()) {
        if (name == "CALCWIDTH") return double(As<TpvrCustomMemoView>(Instance)->CalcWidth());
    } else if (ClassRef == TpvrPictureView::StaticClass()) {
        if (name == "LOADFROMFILE")
            As<TpvrPictureView>(Instance)->GetPicture()->LoadFromFile(StrArg(Caller, 0));
    } else if (ClassRef == TpvrDialogPage::StaticClass()) {
        if (name == "SHOWMODAL") return As<TpvrDialogPage>(Instance)->ShowModal();
    } else if (ClassRef == TpvrVariables::StaticClass()) {
        auto* variables = As<TpvrVariables>(Instance);
        if (name == "VARIABLES.GET") return variables->GetVariables(StrArg(Caller, 0));
        if (name == "VARIABLES.SET") variables->SetVariables(StrArg(Caller, 0), Caller->GetParam(1));
    } else if (ClassRef == TpvrReport::StaticClass()) {
        auto* report = As<TpvrReport>(Instance);
        if (name == "CALC") return report->Calc(StrArg(Caller, 0));
        if (name == "GETDATASET") return ObjectToVariant(report->GetDataset(StrArg(Caller, 0)));
        if (name == "LOADFROMFILE") return report->LoadFromFile(StrArg(Caller, 0), false);
        if (name == "SAVETOFILE") report->SaveToFile(StrArg(Caller, 0));
        if (name == "SHOWREPORT") report->ShowReport(true);
    } else if (ClassRef == TpvrCustomEngine::StaticClass()) {
        auto* engine = As<TpvrCustomEngine>(Instance);
        auto* full = dynamic_cast<TpvrEngine*>(engine);
        if (name == "ADDANCHOR" && full) full->AddAnchor(StrArg(Caller, 0));
        if (name == "NEWPAGE") engine->NewPage();
        if (name == "NEWCOLUMN") engine->NewColumn();
        if (name == "SHOWBAND") engine->ShowBand(dynamic_cast<TpvrBand*>(ObjArg(Caller, 0)));
        if (name == "STOPREPORT") engine->StopReport();
        if (name == "FREESPACE") return double(engine->FreeSpace());
        if (name == "GETANCHORPAGE") return full ? full->GetAnchorPage(StrArg(Caller, 0)) : 1;
    } else if (ClassRef == TpvrCustomOutline::StaticClass()) {
        auto* outline = As<TpvrCustomOutline>(Instance);
        if (name == "ADDITEM") {
            // At the engine's current place, in whole pixels.
            TpvrCustomEngine* engine = outline->GetEngine();
            outline->AddItem(StrArg(Caller, 0), engine ? Integer(Round(engine->CurY)) : 0);
        }
        if (name == "LEVELROOT") outline->LevelRoot();
        if (name == "LEVELUP") outline->LevelUp();
    }
    return 0;
}

Variant TpvrClassRTTIFunctions::GetProp(TObject* Instance, TClass ClassRef, const String& PropName) {
    const String& name = PropName;
    if (ClassRef == TWideStrings::StaticClass()) {
        auto* strings = As<TWideStrings>(Instance);
        if (name == "COUNT") return strings->GetCount();
        if (name == "TEXT") return WideToString(strings->GetText());
    } else if (ClassRef == TpvrDataSet::StaticClass()) {
        if (name == "RECNO") return As<TpvrDataSet>(Instance)->RecNo;
    } else if (ClassRef == TpvrComponent::StaticClass()) {
        auto* component = As<TpvrComponent>(Instance);
        if (name == "OBJECTS") return ObjectToVariant(ObjectList(component, false));
        if (name == "ALLOBJECTS") return ObjectToVariant(ObjectList(component, true));
        if (name == "PARENT") return ObjectToVariant(component->GetParent());
        if (name == "PAGE") return ObjectToVariant(component->Page());
        if (name == "ABSLEFT") return double(component->AbsLeft());
        if (name == "ABSTOP") return double(component->AbsTop());
    } else if (ClassRef == TpvrView::StaticClass()) {
        if (name == "TAGSTR") return As<TpvrView>(Instance)->TagStr;
    } else if (ClassRef == TpvrCustomMemoView::StaticClass()) {
        auto* memo = As<TpvrCustomMemoView>(Instance);
        if (name == "TEXT") return WideToString(memo->GetMemo()->GetText());
        if (name == "LINES") return ObjectToVariant(memo->GetMemo());
        if (name == "VALUE") return memo->Value;
    } else if (ClassRef == TpvrBand::StaticClass()) {
        if (name == "OVERFLOW") return As<TpvrBand>(Instance)->Overflow;
    } else if (ClassRef == TpvrDialogPage::StaticClass()) {
        if (name == "MODALRESULT") return As<TpvrDialogPage>(Instance)->GetModalResult();
    } else if (ClassRef == TpvrReport::StaticClass()) {
        auto* report = As<TpvrReport>(Instance);
        if (name == "TERMINATED") return report->Terminated;
        if (name == "VARIABLES") return ObjectToVariant(report->GetVariables());
    }
    return 0;
}

void TpvrClassRTTIFunctions::SetProp(TObject* Instance, TClass ClassRef, const String& PropName,
                                     const Variant& Value) {
    const String& name = PropName;
    if (ClassRef == TWideStrings::StaticClass()) {
        if (name == "TEXT") As<TWideStrings>(Instance)->SetText(StringToWide(VarToStr(Value)));
    } else if (ClassRef == TpvrComponent::StaticClass()) {
        if (name == "PARENT") {
            TObject* parent = VariantToObject(Value);
            As<TpvrComponent>(Instance)->SetParent(parent ? As<TpvrComponent>(parent) : nullptr);
        }
    } else if (ClassRef == TpvrView::StaticClass()) {
        if (name == "TAGSTR") As<TpvrView>(Instance)->TagStr = VarToStr(Value);
    } else if (ClassRef == TpvrCustomMemoView::StaticClass()) {
        auto* memo = As<TpvrCustomMemoView>(Instance);
        if (name == "TEXT") memo->GetMemo()->SetText(StringToWide(VarToStr(Value)));
        if (name == "LINES") memo->GetMemo()->Assign(As<TPersistent>(VariantToObject(Value)));
    } else if (ClassRef == TpvrDialogPage::StaticClass()) {
        if (name == "MODALRESULT") As<TpvrDialogPage>(Instance)->SetModalResult(Value.AsInteger());
    } else if (ClassRef == TpvrReport::StaticClass()) {
        if (name == "TERMINATED") As<TpvrReport>(Instance)->SetTerminated(Value.AsBoolean());
    }
}

void RegisterReportRTTI() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    AddRTTIModuleClass([](TkqScript* script) -> TkqRTTIModule* { return new TpvrClassRTTIFunctions(script); });
}
