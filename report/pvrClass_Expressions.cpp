// Expressions of the report: names the report answers itself, the cache of compiled expression
// functions, the report functions of the script, and the script's set-up before a run.
#include <algorithm>
#include <utility>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrRes.h"
#include "script/kq_iinterpreter.h"

namespace {

// Runs an action when the scope ends, also on an exception.
template <class F> class TFinally {
public:
    explicit TFinally(F action) : FAction(std::move(action)) {}
    ~TFinally() { FAction(); }
    TFinally(const TFinally&) = delete;
    TFinally& operator=(const TFinally&) = delete;

private:
    F FAction;
};

} // namespace

// ---- Expression cache --------------------------------------------------------------------------

TpvrExpressionCache::TpvrExpressionCache(TkqScript* ownerScript)
    : OwnerScript(ownerScript), FExpressions(std::make_unique<TStringList>()) {
    FExpressions->SetCaseSensitive(true);
    FExpressions->SetSorted(true);
    FScript = new TkqScript(nullptr);
    FScript->HighCharIdentifiers = true;
}

TpvrExpressionCache::~TpvrExpressionCache() {
    delete FScript;
    FScript = nullptr;
}

void TpvrExpressionCache::Clear() {
    FScript->ParentScript = nullptr;
    FExpressions->Clear();
    FScript->Clear();
    FCompiled = 0;
}

void TpvrExpressionCache::Calc(const String& expression, String& errorText, Variant& value, TkqScript* script) {
    errorText.clear();
    // The parent is the caller's for this call only: a call nested in another's function leaves
    // the outer call its own parent, and no parent outlives the scripts it belongs to.
    TkqScript* const outerParent = FScript->ParentScript;
    FScript->ParentScript = script;
    TFinally restoreParent([this, outerParent] { FScript->ParentScript = outerParent; });
    TkqCustomVariable* function = nullptr;
    Integer index = -1;
    if (FExpressions->Find(expression, index)) {
        function = static_cast<TkqCustomVariable*>(FExpressions->GetObjects(index));
    } else {
        // Numbered by compilations rather than entries: a text that failed may have left its
        // function half built, and its number is not given out again.
        const String name = "qo3f" + IntToStr(FCompiled++);
        String text;
        if (SameText(ScriptLanguage, "PascalScript"))
            text = "function " + name + ": Variant; begin Result := " + expression + " end; begin end.";
        else if (SameText(ScriptLanguage, "C++Script"))
            text = "Variant " + name + "() { return " + expression + "; } {}";
        else if (SameText(ScriptLanguage, "BasicScript"))
            text = "function " + name + "\r\nreturn " + expression + "\r\nend function";
        else if (SameText(ScriptLanguage, "JScript"))
            text = "function " + name + "() { return " + expression + "; }";
        if (!text.empty()) FScript->GetLines()->SetText(text);
        FScript->SetSyntaxType(ScriptLanguage);
        if (!FScript->Compile()) {
            errorText = GetResources()->Get("clExprError") + " '" + expression + "': " + FScript->LastErrorText;
            value = Null();
            return;
        }
        function = FScript->FindLocal(name);
        if (function == nullptr) {
            errorText = GetResources()->Get("clExprError") + " '" + expression + "'";
            value = Null();
            return;
        }
        FExpressions->AddObject(expression, function);
    }
    // The cache's script acts as the running program while its function runs.
    const bool wasProgram = OwnerScript != nullptr && OwnerScript->ScopeAnchor;
    if (OwnerScript) OwnerScript->ScopeAnchor = false;
    TFinally restore([this, wasProgram] {
        if (OwnerScript) OwnerScript->ScopeAnchor = wasProgram;
    });
    value = function->GetValue();
}

// ---- Engine ------------------------------------------------------------------------------------

TpvrCustomEngine::TpvrCustomEngine(TpvrReport* report) : Report(report), FNotifyList(std::make_unique<TList>()) {}

TpvrCustomEngine::~TpvrCustomEngine() = default;

bool TpvrCustomEngine::GetDoublePass() const { return Report->GetEngineOptions()->DoublePass; }

void TpvrCustomEngine::StopReport() {
    if (Report) Report->SetTerminated(true);
}

// ---- The report's expressions ------------------------------------------------------------------

void TpvrReport::SetTerminated(bool value) {
    Terminated = value;
    if (value && FScript) FScript->Terminate();
}

void TpvrReport::SplitFieldReference(const String& text, TpvrDataSet*& dataSet, String& field) {
    dataSet = nullptr;
    field.clear();
    const std::size_t pos = text.find(".\"");
    if (pos == String::npos) return;
    dataSet = GetDataset(text.substr(0, pos));
    field = text.substr(pos + 2);
    if (!field.empty()) field.pop_back();
}

Variant TpvrReport::SystemVariable(Integer index) {
    // Page numbers come from the prepared pages; until an engine runs there are none.
    if (!Engine) return Null();
    switch (index) {
    case 0:
        return VarFromDateTime(Engine->StartDate);
    case 1:
        return VarFromDateTime(Engine->StartTime);
    case 2:
        return Variant(Engine->CurrentPageIndex() - Engine->FirstPageIndex() + 1);
    case 3:
        return Variant(Engine->CurrentPageIndex() + 1);
    case 4:
        return Variant(Engine->TotalPages - Engine->FirstPageIndex());
    case 5:
        return Variant(Engine->TotalPages);
    case 6:
        return Variant(Engine->CurLine);
    case 7:
        return Variant(Engine->CurLineThrough);
    default:
        return Null();
    }
}

bool TpvrReport::ResolveName(const String& name, Variant& value) {
    value = Null();
    if (QO2Events()->OnGetValue.Assigned() && QO2Events()->OnGetValue(name, value)) return true;

    TpvrDataSet* dataSet = nullptr;
    String field;
    SplitFieldReference(name, dataSet, field);
    if (dataSet) {
        value = dataSet->GetValue(field);
        if (FEngineOptions->ConvertNulls && VarIsNull(value)) {
            switch (dataSet->GetFieldType(field)) {
            case fftNumeric:
                value = Variant(Integer(0));
                break;
            case fftString:
                value = Variant(String());
                break;
            case fftBoolean:
                value = Variant(false);
                break;
            }
        }
        return true;
    }

    const Integer system = FSystemVariables->IndexOf(name);
    if (system >= 0) {
        value = SystemVariable(system);
        return true;
    }

    if (OnGetValue.Assigned()) {
        Variant host = Unassigned();
        OnGetValue(name, host);
        if (!VarIsEmpty(host)) {
            value = host;
            return true;
        }
    }

    const Integer variable = FVariables->IndexOf(name);
    if (variable >= 0) {
        const Variant stored = FVariables->Items(variable)->GetValue();
        if (!VarIsStr(stored)) {
            value = stored;
            return true;
        }
        const String text = VarToStr(stored);
        if (text.find("\r\n") != String::npos) {
            value = stored;
            return true;
        }
        // A variable whose expression reaches itself again would never end.
        const String key = UpperCase(name);
        if (std::find(FVariablesInUse.begin(), FVariablesInUse.end(), key) != FVariablesInUse.end()) {
            String message = GetResources()->Get("clExprError") + " '" + name + "'";
            if (!CurObject.empty()) message = CurObject + ": " + message;
            FErrors->Add(message);
            throw Exception(message);
        }
        FVariablesInUse.push_back(key);
        TFinally leave([this] { FVariablesInUse.pop_back(); });
        value = Calc(text);
        return true;
    }

    if (TkqCustomVariable* symbol = GetScript()->FindLocal(name)) {
        value = symbol->GetValue();
        return true;
    }
    return false;
}

Variant TpvrReport::Calc(const String& expression, TkqScript* script) {
    AddScriptBindings();
    Variant value = Null();
    if (ResolveName(expression, value)) return value;
    String error;
    FExpressionCache->Calc(expression, error, value, script ? script : FScript);
    if (!error.empty()) {
        if (!CurObject.empty()) error = CurObject + ": " + error;
        FErrors->Add(error);
        throw Exception(error);
    }
    return value;
}

// ---- Report functions --------------------------------------------------------------------------

namespace {

const char* const kReportFunctions[] = {
    "function Get(Name: String): Variant",
    "procedure Set(Name: String; Value: Variant)",
    "macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant",
    "macrofunction SUM(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
    "macrofunction AVG(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
    "macrofunction MIN(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
    "macrofunction MAX(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
    "macrofunction COUNT(Band: Variant = 0; Flags: Integer = 0): Variant",
};

bool IsAggregateName(const String& name) {
    return name == "SUM" || name == "MIN" || name == "MAX" || name == "AVG" || name == "COUNT";
}

Variant Arg(const Variant& args, Integer index) {
    if (!VarIsArray(args) || index > VarArrayHighBound(args, 1)) return Null();
    return VarArrayGet(args, {index});
}

// Whether `script` is `root` or one of the scripts below it.
bool WithinScript(TkqScript* script, TkqScript* root) {
    for (TkqScript* s = script; s != nullptr; s = s->ParentScript)
        if (s == root) return true;
    return false;
}

} // namespace

Variant TpvrReport::CallReportFunction(const String& name, Variant& args, TkqScript* callScript) {
    // A macro's argument texts are evaluated with the script that runs the call; inside an
    // expression function that is the script the expression was asked with.
    TkqScript* script = callScript;
    if (!script || WithinScript(script, FExpressionCache->GetScript()))
        script = FExpressionCache->GetScript()->ParentScript;
    if (!script) script = FScript;

    if (name == "GET") {
        const String variable = VarToStr(Arg(args, 0));
        Variant value = Null();
        if (ResolveName(variable, value)) return value;
        const std::size_t paren = variable.find('(');
        if (paren != String::npos && IsAggregateName(UpperCase(Trim(variable.substr(0, paren)))))
            return Calc(variable);
        if (QO2Events()->OnUnknownName.Assigned() && QO2Events()->OnUnknownName(variable, value)) return value;
        FErrors->Add(GetResources()->Get("clUnknownVar") + " " + variable);
        return Null();
    }
    if (name == "SET") {
        FVariables->SetVariables(VarToStr(Arg(args, 0)), Arg(args, 1));
        return Null();
    }
    if (name == "IIF") {
        const Variant condition = Calc(VarToStr(Arg(args, 0)), script);
        const bool chosen = !VarIsNull(condition) && !VarIsEmpty(condition) && condition == Variant(true);
        return Calc(VarToStr(Arg(args, chosen ? 1 : 2)), script);
    }
    // The aggregates: the band and flags arguments are evaluated, the expression is not.
    const bool count = name == "COUNT";
    auto evaluate = [&](Integer index) {
        const String text = Trim(VarToStr(Arg(args, index)));
        return text.empty() ? Variant(Integer(0)) : Calc(text, script);
    };
    const Variant band = evaluate(count ? 0 : 1);
    const Variant flags = evaluate(count ? 1 : 2);
    const String expression = count ? String() : VarToStr(Arg(args, 0));
    Variant result = Null();
    if (Engine) {
        auto* bandObject = dynamic_cast<TpvrComponent*>(VariantToObject(band));
        Engine->GetAggregateValue(name, expression, result, bandObject, flags.AsInteger());
    }
    return result;
}

Variant TpvrReport::ReportFunction(TObject*, TClass, const String& methodName, Variant& args) {
    TkqScript* callScript = nullptr;
    if (auto* helper = dynamic_cast<TkqMethodHelper*>(FScript->FindLocal(methodName)))
        callScript = helper->CallScript;
    return CallReportFunction(methodName, args, callScript);
}

// ---- Script set-up -----------------------------------------------------------------------------

bool TpvrReport::SetupScript() {
    AddScriptBindings();
    FExpressionCache->Clear();
    FExpressionCache->ScriptLanguage = ScriptLanguage;
    if (Engine) Engine->GetNotifyList()->Clear();

    FScript->ClearItems(this);
    FScript->CurrentRegistrant = this;
    TFinally reset([this] { FScript->CurrentRegistrant = nullptr; });
    FScript->ScopeAnchor = true;

    const std::vector<TpvrComponent*> objects = AllObjects();
    for (TpvrComponent* object : objects) {
        object->IsDesigning = false;
        object->BeforePrepare();
        if (auto* picture = dynamic_cast<TpvrPictureView*>(object)) picture->PictureChanged = false;
        FScript->AddObject(object->GetName(), object);
    }
    FScript->AddObject("Report", this);
    if (Engine) FScript->AddObject("Engine", Engine);
    if (TObject* outline = ReportOutline(this)) FScript->AddObject("Outline", outline);
    FScript->AddVariable("Value", "Variant", Null());
    for (const char* signature : kReportFunctions)
        FScript->AddMethodArrayArgs(signature, MakeEvent(this, &TpvrReport::ReportFunction));
    ValueVariable = FScript->FindLocal("Value");

    FScript->SetLines(FScriptText.get());
    FScript->SetSyntaxType(ScriptLanguage);
    const bool compiled = FScript->Compile();
    if (!compiled)
        FErrors->Add(Format(GetResources()->Get("clScrError"), {FScript->LastErrorPos, FScript->LastErrorText}));
    if (QO2Events()->OnAfterScriptSetup.Assigned()) QO2Events()->OnAfterScriptSetup(this);
    return compiled;
}
