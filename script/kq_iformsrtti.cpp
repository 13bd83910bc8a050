#include "script/kq_iformsrtti.h"

#include "platform/classlib/Controls.h"
#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Strings.h"
#include "script/kq_iclassesrtti.h"
#include "script/kq_ievents.h"

namespace {

template <class T> T* As(TObject* instance) {
    return static_cast<T*>(CheckedInstance(instance, T::StaticClass()));
}

Integer IntArg(TkqMethodHelper* caller, Integer i) { return caller->GetParam(i).AsInteger(); }

struct TNamedValue {
    const char* Name;
    Integer Value;
};

void AddIntegerConsts(TkqScript* script, std::initializer_list<TNamedValue> values) {
    for (const TNamedValue& v : values)
        script->AddConst(v.Name, "Integer", v.Value);
}

} // namespace

TkqFormsRTTIFunctions::TkqFormsRTTIFunctions(TkqScript* script) : TkqRTTIModule(script) {
    TkqScript* s = script;
    AddIntegerConsts(s, {{"mrNone", 0},
                         {"mrOk", 1},
                         {"mrCancel", 2},
                         {"mrAbort", 3},
                         {"mrRetry", 4},
                         {"mrIgnore", 5},
                         {"mrYes", 6},
                         {"mrNo", 7},
                         {"mrAll", 8},
                         {"mrNoToAll", 9},
                         {"mrYesToAll", 10}});

    const TNamedValue cursors[] = {
        {"crDefault", 0},   {"crNone", -1},       {"crArrow", -2},    {"crCross", -3},    {"crIBeam", -4},
        {"crSize", -22},    {"crSizeNESW", -6},   {"crSizeNS", -7},   {"crSizeNWSE", -8}, {"crSizeWE", -9},
        {"crUpArrow", -10}, {"crHourGlass", -11}, {"crDrag", -12},    {"crNoDrop", -13},  {"crHSplit", -14},
        {"crVSplit", -15},  {"crMultiDrag", -16}, {"crSQLWait", -17}, {"crNo", -18},      {"crAppStart", -19},
        {"crHelp", -20},    {"crHandPoint", -21}, {"crSizeAll", -22}};
    for (const TNamedValue& c : cursors)
        s->AddConst(c.Name, "Integer", SmallInt(c.Value));

    AddIntegerConsts(s, {{"bsNone", 0},
                         {"bsSingle", 1},
                         {"bsSizeable", 2},
                         {"bsDialog", 3},
                         {"bsToolWindow", 4},
                         {"bsSizeToolWin", 5}});

    AddIntegerConsts(s, {{"VK_RBUTTON", 2}, {"VK_CANCEL", 3},  {"VK_MBUTTON", 4},  {"VK_BACK", 8},
                         {"VK_TAB", 9},     {"VK_RETURN", 13}, {"VK_SHIFT", 16},   {"VK_CONTROL", 17},
                         {"VK_MENU", 18},   {"VK_PAUSE", 19},  {"VK_CAPITAL", 20}, {"VK_ESCAPE", 27},
                         {"VK_SPACE", 32},  {"VK_PRIOR", 33},  {"VK_NEXT", 34},    {"VK_END", 35},
                         {"VK_HOME", 36},   {"VK_LEFT", 37},   {"VK_UP", 38},      {"VK_RIGHT", 39},
                         {"VK_DOWN", 40},   {"VK_INSERT", 45}, {"VK_DELETE", 46},  {"VK_HELP", 47},
                         {"VK_LWIN", 91},   {"VK_RWIN", 92},   {"VK_APPS", 93}});
    for (Integer i = 0; i <= 9; ++i)
        s->AddConst("VK_NUMPAD" + IntToStr(i), "Integer", 96 + i);
    AddIntegerConsts(s, {{"VK_MULTIPLY", 106},
                         {"VK_ADD", 107},
                         {"VK_SEPARATOR", 108},
                         {"VK_SUBTRACT", 109},
                         {"VK_DECIMAL", 110},
                         {"VK_DIVIDE", 111}});
    for (Integer i = 1; i <= 12; ++i)
        s->AddConst("VK_F" + IntToStr(i), "Integer", 111 + i);
    AddIntegerConsts(s, {{"VK_NUMLOCK", 144}, {"VK_SCROLL", 145}});

    for (const char* type : {"TFormBorderStyle", "TBorderStyle", "TAlignment", "TLeftRight"})
        s->AddType(type, vkInteger);
    AddIntegerConsts(s, {{"taLeftJustify", 0}, {"taRightJustify", 1}, {"taCenter", 2}});

    s->AddEnumSet("TShiftState", "ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble");
    s->AddEnum("TAlign", "alNone, alTop, alBottom, alLeft, alRight, alClient");
    s->AddEnum("TMouseButton", "mbLeft, mbRight, mbMiddle");
    s->AddEnumSet("TAnchors", "akLeft, akTop, akRight, akBottom");
    s->AddEnum("TBevelCut", "bvNone, bvLowered, bvRaised, bvSpace");
    s->AddEnum("TTextLayout", "tlTop, tlCenter, tlBottom");
    s->AddEnum("TEditCharCase", "ecNormal, ecUpperCase, ecLowerCase");
    s->AddEnum("TScrollStyle", "ssNone, ssHorizontal, ssVertical, ssBoth");
    s->AddEnum("TComboBoxStyle",
               "csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable");
    s->AddEnum("TCheckBoxState", "cbUnchecked, cbChecked, cbGrayed");
    s->AddEnum("TListBoxStyle", "lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable");
    s->AddEnum("TWindowState", "wsNormal, wsMinimized, wsMaximized");
    s->AddEnum("TFormStyle", "fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop");
    s->AddEnumSet("TBorderIcons", "biSystemMenu, biMinimize, biMaximize, biHelp");
    s->AddEnum("TPosition", "poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, "
                            "poDesktopCenter");
    s->AddEnum("TCloseAction", "caNone, caHide, caFree, caMinimize");

    const TkqModuleCallback call(this, &TkqFormsRTTIFunctions::CallMethod);
    const TkqGetValueProc get(this, &TkqFormsRTTIFunctions::GetProp);
    const TkqSetValueProc set(this, &TkqFormsRTTIFunctions::SetProp);
    const TkqCustomEventClass notify = &MakeEventAdapter<TkqNotifyEvent>;

    TkqClassVariable* c = s->AddClass(TControl::StaticClass(), "TComponent");
    c->AddMethod("procedure Hide", call);
    c->AddMethod("procedure Show", call);
    c->AddMethod("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Integer)", call);
    c->AddProperty("Parent", "TWinControl", get, set);
    c->AddEvent("OnCanResize", &MakeEventAdapter<TkqCanResizeEvent>);
    c->AddEvent("OnClick", notify);
    c->AddEvent("OnDblClick", notify);
    c->AddEvent("OnMouseDown", &MakeEventAdapter<TkqMouseEvent>);
    c->AddEvent("OnMouseMove", &MakeEventAdapter<TkqMouseMoveEvent>);
    c->AddEvent("OnMouseUp", &MakeEventAdapter<TkqMouseEvent>);
    c->AddEvent("OnResize", notify);

    c = s->AddClass(TWinControl::StaticClass(), "TControl");
    c->AddMethod("procedure SetFocus", call);
    c->AddEvent("OnEnter", notify);
    c->AddEvent("OnExit", notify);
    c->AddEvent("OnKeyDown", &MakeEventAdapter<TkqKeyEvent>);
    c->AddEvent("OnKeyPress", &MakeEventAdapter<TkqKeyPressEvent>);
    c->AddEvent("OnKeyUp", &MakeEventAdapter<TkqKeyEvent>);

    s->AddClass(TCustomControl::StaticClass(), "TWinControl");
    s->AddClass(TGraphicControl::StaticClass(), "TControl");
    s->AddClass(TGroupBox::StaticClass(), "TWinControl");
    s->AddClass(TLabel::StaticClass(), "TControl");
    s->AddClass(TEdit::StaticClass(), "TWinControl");
    s->AddClass(TMemo::StaticClass(), "TWinControl");

    c = s->AddClass(TCustomComboBox::StaticClass(), "TWinControl");
    c->AddProperty("DroppedDown", "Boolean", get, set);
    c->AddProperty("ItemIndex", "Integer", get, set);
    c->AddEvent("OnChange", notify);
    c->AddEvent("OnDropDown", notify);
    c->AddEvent("OnCloseUp", notify);

    s->AddClass(TComboBox::StaticClass(), "TCustomComboBox");
    s->AddClass(TButton::StaticClass(), "TWinControl");
    s->AddClass(TCheckBox::StaticClass(), "TWinControl");
    s->AddClass(TRadioButton::StaticClass(), "TWinControl");

    c = s->AddClass(TCustomListBox::StaticClass(), "TWinControl");
    c->AddProperty("ItemIndex", "Integer", get, set);
    c->AddProperty("SelCount", "Integer", get);
    c->AddIndexProperty("Selected", "Integer", "Boolean", call, false);

    s->AddClass(TListBox::StaticClass(), "TCustomListBox");
    s->AddClass(TControlScrollBar::StaticClass(), "TPersistent");
    s->AddClass(TScrollingWinControl::StaticClass(), "TWinControl");
    s->AddClass(TScrollBox::StaticClass(), "TScrollingWinControl");

    c = s->AddClass(TCustomForm::StaticClass(), "TScrollingWinControl");
    c->AddMethod("procedure Close", call);
    c->AddMethod("procedure Hide", call);
    c->AddMethod("procedure Show", call);
    c->AddMethod("function ShowModal: Integer", call);
    c->AddProperty("Canvas", "TCanvas", get);
    c->AddProperty("ModalResult", "Integer", get, set);
    for (const char* event :
         {"OnActivate", "OnCreate", "OnDestroy", "OnDeactivate", "OnHide", "OnPaint", "OnShow"})
        c->AddEvent(event, notify);
    c->AddEvent("OnClose", &MakeEventAdapter<TkqCloseEvent>);
    c->AddEvent("OnCloseQuery", &MakeEventAdapter<TkqCloseQueryEvent>);

    s->AddClass(TForm::StaticClass(), "TCustomForm");
    s->AddClass(TDataModule::StaticClass(), "TComponent");

    c = s->AddClass(TApplication::StaticClass(), "TComponent");
    c->AddMethod("procedure Minimize", call);
    c->AddMethod("procedure ProcessMessages", call);
    c->AddMethod("procedure Restore", call);
    c->AddProperty("ExeName", "String", get);

    s->AddObject("Application", Application.Get());
}

Variant TkqFormsRTTIFunctions::CallMethod(TObject* Instance, TClass ClassRef, const String& MethodName,
                                          TkqMethodHelper* Caller) {
    const String& name = MethodName;
    if (ClassRef == TControl::StaticClass()) {
        auto* control = As<TControl>(Instance);
        if (name == "HIDE") control->Hide();
        if (name == "SHOW") control->Show();
        if (name == "SETBOUNDS")
            control->SetBounds(IntArg(Caller, 0), IntArg(Caller, 1), IntArg(Caller, 2), IntArg(Caller, 3));
    } else if (ClassRef == TWinControl::StaticClass()) {
        if (name == "SETFOCUS") As<TWinControl>(Instance)->SetFocus();
    } else if (ClassRef == TCustomListBox::StaticClass()) {
        auto* list = As<TCustomListBox>(Instance);
        if (name == "SELECTED.GET") return list->GetSelected(IntArg(Caller, 0));
        if (name == "SELECTED.SET") list->SetSelected(IntArg(Caller, 0), Caller->GetParam(1).AsBoolean());
    } else if (ClassRef == TCustomForm::StaticClass()) {
        auto* form = As<TCustomForm>(Instance);
        if (name == "CLOSE") form->Close();
        if (name == "HIDE") form->Hide();
        if (name == "SHOW") form->Show();
        if (name == "SHOWMODAL") return form->ShowModal();
    } else if (ClassRef == TApplication::StaticClass()) {
        auto* application = As<TApplication>(Instance);
        if (name == "MINIMIZE") application->Minimize();
        if (name == "PROCESSMESSAGES") application->ProcessMessages();
        if (name == "RESTORE") application->Restore();
    }
    return 0;
}

Variant TkqFormsRTTIFunctions::GetProp(TObject* Instance, TClass ClassRef, const String& PropName) {
    const String& name = PropName;
    if (ClassRef == TControl::StaticClass()) {
        if (name == "PARENT") return ObjectToVariant(As<TControl>(Instance)->GetParent());
    } else if (ClassRef == TCustomComboBox::StaticClass()) {
        auto* combo = As<TCustomComboBox>(Instance);
        if (name == "DROPPEDDOWN") return combo->GetDroppedDown();
        if (name == "ITEMINDEX") return combo->GetItemIndex();
    } else if (ClassRef == TCustomListBox::StaticClass()) {
        auto* list = As<TCustomListBox>(Instance);
        if (name == "ITEMINDEX") return list->GetItemIndex();
        if (name == "SELCOUNT") return list->GetSelCount();
    } else if (ClassRef == TCustomForm::StaticClass()) {
        auto* form = As<TCustomForm>(Instance);
        if (name == "CANVAS") return ObjectToVariant(form->GetCanvas());
        if (name == "MODALRESULT") return form->GetModalResult();
    } else if (ClassRef == TApplication::StaticClass()) {
        if (name == "EXENAME") return As<TApplication>(Instance)->GetExeName();
    }
    return 0;
}

void TkqFormsRTTIFunctions::SetProp(TObject* Instance, TClass ClassRef, const String& PropName,
                                    const Variant& Value) {
    const String& name = PropName;
    if (ClassRef == TControl::StaticClass()) {
        if (name == "PARENT") {
            auto* control = As<TControl>(Instance);
            TObject* parent = VariantToObject(Value);
            control->SetParent(parent == nullptr ? nullptr : As<TWinControl>(parent));
        }
    } else if (ClassRef == TCustomComboBox::StaticClass()) {
        auto* combo = As<TCustomComboBox>(Instance);
        if (name == "DROPPEDDOWN") combo->SetDroppedDown(Value.AsBoolean());
        if (name == "ITEMINDEX") combo->SetItemIndex(Value.AsInteger());
    } else if (ClassRef == TCustomListBox::StaticClass()) {
        if (name == "ITEMINDEX") As<TCustomListBox>(Instance)->SetItemIndex(Value.AsInteger());
    } else if (ClassRef == TCustomForm::StaticClass()) {
        if (name == "MODALRESULT") As<TCustomForm>(Instance)->SetModalResult(Value.AsInteger());
    }
}

void RegisterFormsRTTI() {
    static bool listed = false;
    ListRTTIModuleClass(listed, [](TkqScript* script) -> TkqRTTIModule* { return new TkqFormsRTTIFunctions(script); });
}
