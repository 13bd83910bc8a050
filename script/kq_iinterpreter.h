// The script component and its symbols: the symbol table of a script, its registration
// operations, the statement list it runs, and the symbol classes through which a running script
// reads and writes variables and calls script procedures and host code.
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/TypInfo.h"
#include "platform/runtime/Variant.h"

class TkqScript;
class TkqStatement;
class TkqParamItem;
class TkqProcVariable;
class TkqMethodHelper;
class TkqCustomEvent;
class TkqCustomExpression;
class TkqExpression;
class TkqSetExpression;
class TkqDesignator;

// The static kind of a value, as the type rules see it.
enum TkqValueKind {
    vkInteger,
    vkBoolean,
    vkFloat,
    vkChar,
    vkString,
    vkClass,
    vkArray,
    vkVariant,
    vkEnum,       // enumerations, sets and other named types
    vkConstructor // the result of constructor members
};

// ---- Object references in Variants -------------------------------------------------------------
// Objects travel through the engine as integer Variants holding the object's handle.

Variant ObjectToVariant(TObject* object);
// nullptr for 0, for an integer that is no live object's handle and for Null or Empty; a value
// that does not convert to an integer raises the Variant conversion error.
TObject* VariantToObject(const Variant& value);

// ---- Host call-backs ---------------------------------------------------------------------------
// Member names arrive upper-cased; indexed properties get ".GET" or ".SET" appended.

using TkqGetValueProc = TClosure<Variant(TObject* Instance, TClass ClassRef, const String& PropName)>;
using TkqSetValueProc =
    TClosure<void(TObject* Instance, TClass ClassRef, const String& PropName, const Variant& Value)>;
// All arguments in one Variant array (in and out: var arguments are written back from it).
using TkqArrayCallback =
    TClosure<Variant(TObject* Instance, TClass ClassRef, const String& MethodName, Variant& Args)>;
// Arguments read through TkqMethodHelper::GetParam, var arguments written with SetParam.
using TkqModuleCallback =
    TClosure<Variant(TObject* Instance, TClass ClassRef, const String& MethodName, TkqMethodHelper* Caller)>;

// ---- The owned list at the root of symbols and statements --------------------------------------

class TkqItemList : public TObject {
    KOV_CLASS(TkqItemList, TObject)
public:
    TkqItemList() = default;
    TkqItemList(const TkqItemList&) = delete;
    TkqItemList& operator=(const TkqItemList&) = delete;
    ~TkqItemList() override;

    // Frees and removes the entries, first to last.
    virtual void Clear();
    void Add(TObject* item);
    // Removes the entry without freeing it; nothing when it is not there.
    void Remove(TObject* item);
    Integer Count() const { return Integer(FItems.size()); }
    // Raises EListError "List index out of bounds (%d)" outside 0 .. Count - 1.
    TObject* Items(Integer index) const;
    // Exchanges the entries of the two lists.
    void ExchangeItems(TkqItemList& other) {
        FItems.swap(other.FItems);
        ++FChanges;
        ++other.FChanges;
    }
    // Counts the changes of the entries, for views kept of them.
    std::size_t Changes() const { return FChanges; }

private:
    std::vector<TObject*> FItems;
    std::size_t FChanges = 0;
};

// ---- Symbols -----------------------------------------------------------------------------------

// Every name a script can use. Its entries are its parameters.
class TkqCustomVariable : public TkqItemList {
    KOV_CLASS(TkqCustomVariable, TkqItemList)
public:
    TkqCustomVariable(const String& name, const String& typeName, TkqValueKind valueKind);

    virtual void SetValue(const Variant& value);
    virtual Variant GetValue();
    // SetValue with a value the caller no longer needs: a symbol that stores it as it is takes
    // it over instead of copying it.
    virtual void TakeValue(Variant&& value) { SetValue(value); }

    // The kind as messages name it ("Integer", "Class TFoo", ...).
    String KindText() const;
    // The parameter at `index`; raises EListError outside the entries.
    TkqCustomVariable* Param(Integer index) const;
    // Entries that are not optional parameters.
    Integer RequiredParamCount() const;

    TObject* Registrant = nullptr;
    bool IsMacro = false;
    bool IsReadOnly = false;
    String Name;
    bool WantsResult = true;
    TkqCustomVariable* LinkedSymbol = nullptr;
    String DeclPos;
    String DeclUnit;
    TkqValueKind ValueKind;
    String TypeName;
    String UpperName;
    Variant Value;
};

class TkqVariable : public TkqCustomVariable {
    KOV_CLASS(TkqVariable, TkqCustomVariable)
public:
    using TkqCustomVariable::TkqCustomVariable;
    void TakeValue(Variant&& value) override {
        if (!IsReadOnly) Value = std::move(value);
    }
};

class TkqTypeVariable : public TkqCustomVariable {
    KOV_CLASS(TkqTypeVariable, TkqCustomVariable)
public:
    using TkqCustomVariable::TkqCustomVariable;
};

class TkqStringVariable : public TkqVariable {
    KOV_CLASS(TkqStringVariable, TkqVariable)
public:
    using TkqVariable::TkqVariable;
    // Stores any value as its text, also when read-only.
    void SetValue(const Variant& value) override;
    Variant GetValue() override;
    void TakeValue(Variant&& value) override;

    String StrValue;
};

class TkqParamItem : public TkqCustomVariable {
    KOV_CLASS(TkqParamItem, TkqCustomVariable)
public:
    TkqParamItem(const String& name, bool isVarParam, bool isOptional, const String& typeName,
                 TkqValueKind valueKind);
    void TakeValue(Variant&& value) override {
        if (!IsReadOnly) Value = std::move(value);
    }

    Variant DefValue;
    bool IsOptional; // has a default value
    bool IsVarParam;
};

// A script procedure or function. Its parameters are its entries and are also entered by name
// in LocalScript, which holds its locals, its Result variable and its body.
class TkqProcVariable : public TkqCustomVariable {
    KOV_CLASS(TkqProcVariable, TkqCustomVariable)
public:
    TkqProcVariable(const String& name, const String& typeName, TkqValueKind valueKind, bool isFunction,
                    TkqScript* parentScript);
    ~TkqProcVariable() override;

    // Runs the body with the parameters already assigned; the Result variable's value for a
    // function, Null for a procedure. A call that would leave the thread's stack without its
    // reserve raises "Stack overflow" instead of running.
    Variant GetValue() override;

    // The values of the parameters, locals and Result in LocalScript's table, and their
    // restoration: a call that enters the procedure again keeps the caller's activation intact.
    std::vector<Variant> SaveLocals() const;
    void RestoreLocals(const std::vector<Variant>& saved);

    bool IsRunning = false;
    bool IsFunction;
    TkqScript* LocalScript; // owned
};

// Base of the symbols that stand for something reached through a designator: before each use
// the designator sets the preceding item's symbol and value and the script it was compiled in.
class TkqCustomHelper : public TkqCustomVariable {
    KOV_CLASS(TkqCustomHelper, TkqCustomVariable)
public:
    using TkqCustomVariable::TkqCustomVariable;

    TkqCustomVariable* ParentRef = nullptr;
    Variant ParentValue = Null();
    TkqScript* CallScript = nullptr;
};

// A property of a host class: published (through the type information) or served by call-backs.
class TkqPropertyHelper : public TkqCustomHelper {
    KOV_CLASS(TkqPropertyHelper, TkqCustomHelper)
public:
    using TkqCustomHelper::TkqCustomHelper;

    void SetValue(const Variant& value) override;
    Variant GetValue() override;

    TClass ClassRef = nullptr;
    bool IsPublished = false;
    TkqGetValueProc Getter;
    TkqSetValueProc Setter;
};

// A host function, method or indexed property, described by its signature text.
class TkqMethodHelper : public TkqCustomHelper {
    KOV_CLASS(TkqMethodHelper, TkqCustomHelper)
public:
    TkqMethodHelper(const String& signature, TkqScript* script);

    void SetValue(const Variant& value) override;
    Variant GetValue() override;

    // Index equal to the parameter count gives the value being assigned to an indexed property.
    Variant GetParam(Integer index);
    // GetParam without a copy (a parameter holds its value in Value).
    const Variant& ParamValue(Integer index) const {
        return index == Count() ? SetterValue : Param(index)->Value;
    }
    void SetParam(Integer index, const Variant& value);

    String Category;
    TClass ClassRef = nullptr;
    String Description;
    bool IsIndexProperty = false;
    TkqArrayCallback ArrayCallback;
    TkqModuleCallback ModuleCallback;
    Variant SetterValue = Null();
    String Signature;
    Variant ArgArray;
    // Calls of this helper running at the moment; a designator that enters it again keeps the
    // running call's parameters.
    Integer RunDepth = 0;
    // The call-back only reads its arguments and runs no script code: a plain variable passed
    // to it is lent to the parameter for the call instead of copied.
    bool LendArguments = false;
    // Puts a variable's value into a parameter for the coming call; GiveBackLoans (run when
    // the call ends, also by an exception) returns it and leaves the parameter empty.
    void Lend(TkqCustomVariable* variable, Integer index);
    void GiveBackLoans() noexcept;

private:
    String CallName(const char* suffix) const;
    std::vector<std::pair<TkqCustomVariable*, Integer>> FLoans;
};

// Makes the adapter that forwards a host event to a script procedure.
using TkqCustomEventClass = TkqCustomEvent* (*)(TObject* instance, TkqProcVariable* handler);

// An event property of a host class: assigning a procedure name binds the host event to it.
class TkqEventHelper : public TkqCustomHelper {
    KOV_CLASS(TkqEventHelper, TkqCustomHelper)
public:
    TkqEventHelper(const String& name, TkqCustomEventClass adapterClass);

    void SetValue(const Variant& value) override;
    Variant GetValue() override;

    TClass ClassRef = nullptr;
    TkqCustomEventClass AdapterClass;
};

// Indexes the array held in the Value of ParentRef.
class TkqArrayHelper : public TkqCustomHelper {
    KOV_CLASS(TkqArrayHelper, TkqCustomHelper)
public:
    // paramCount -1 makes three index parameters, the second and third optional.
    TkqArrayHelper(const String& name, const String& typeName, TkqValueKind valueKind, Integer paramCount);

    void SetValue(const Variant& value) override;
    Variant GetValue() override;
};

// "__StringHelper": the character at a 1-based index of ParentValue's string.
class TkqStringHelper : public TkqCustomHelper {
    KOV_CLASS(TkqStringHelper, TkqCustomHelper)
public:
    TkqStringHelper();

    // An index outside the string raises ERangeError.
    void SetValue(const Variant& value) override;
    Variant GetValue() override;
};

// What reading a class symbol yields before a constructor member has run: a placeholder that
// identifies the class. The constructor member's call-back receives it as its instance and
// returns the constructed object. Placeholders belong to the class description.
class TkqClassVariable;

class TkqUnconstructed : public TObject {
    KOV_CLASS(TkqUnconstructed, TObject)
public:
    explicit TkqUnconstructed(TClass instanceClass) : InstanceClass(instanceClass) {}
    TClass InstanceClass;
    // The description holding it; it frees the placeholder once a constructor member returns.
    TkqClassVariable* Owner = nullptr;
};

// A host class description with one helper symbol per member.
class TkqClassVariable : public TkqCustomVariable {
    KOV_CLASS(TkqClassVariable, TkqCustomVariable)
public:
    TkqClassVariable(TClass classRef, const String& ancestorName);
    ~TkqClassVariable() override;

    // A type-cast argument yields the value unchanged; otherwise a placeholder for a new
    // instance (see TkqUnconstructed).
    Variant GetValue() override;

    TkqMethodHelper* AddMethod(const String& signature, const TkqModuleCallback& callBack);
    // "constructor Create(...)" becomes "function Create(...): Constructor".
    TkqMethodHelper* AddConstructor(const String& signature, const TkqModuleCallback& callBack);
    TkqPropertyHelper* AddProperty(const String& name, const String& typeName, const TkqGetValueProc& getter,
                                   const TkqSetValueProc& setter = nullptr);
    // `paramTypes` is comma text of type names.
    TkqMethodHelper* AddIndexProperty(const String& name, const String& paramTypes, const String& typeName,
                                      const TkqModuleCallback& callBack, bool isReadOnly);
    TkqMethodHelper* AddDefaultProperty(const String& name, const String& paramTypes, const String& typeName,
                                        const TkqModuleCallback& callBack, bool isReadOnly);
    TkqEventHelper* AddEvent(const String& name, TkqCustomEventClass adapterClass);
    // Frees a placeholder this description handed out; its handle dies with it.
    void ReleaseUnconstructed(TkqUnconstructed* placeholder);
    Integer UnconstructedCount() const { return Integer(FUnconstructed.size()); }

    // Case-insensitive, in registration order.
    TkqCustomVariable* FindOwnMember(const String& name) const;
    // FindOwnMember, then the registered ancestors' descriptions.
    TkqCustomVariable* FindMember(const String& name) const;

    String AncestorName;
    TClass ClassRef;
    TkqCustomVariable* DefaultProperty = nullptr;
    std::unique_ptr<TkqItemList> Members;
    TkqScript* OwnerScript = nullptr;

private:
    void AddPublishedProperties();
    std::vector<std::unique_ptr<TkqUnconstructed>> FUnconstructed;
};

// ---- Statements --------------------------------------------------------------------------------

// A statement list: its entries are the contained statements, run in order.
class TkqStatement : public TkqItemList {
    KOV_CLASS(TkqStatement, TkqItemList)
public:
    TkqStatement(TkqScript* script, const String& stmtPos, const String& stmtUnit);

    // Runs the entries in order; stops before one when termination is pending and after one
    // that left a break, continue or exit pending.
    virtual void Execute();
    TkqStatement* Statement(Integer index) const;
    void NotifyRunLine();

    TkqScript* OwnerScript;
    String StmtPos;
    String StmtUnit;

private:
    // The entries as statements (nullptr for another entry), made again after a change.
    std::vector<TkqStatement*> FRun;
    std::size_t FRunChanges = std::size_t(-1);
};

// Assignment: the value of SourceSymbol is written to TargetSymbol.
class TkqAssignmentStmt : public TkqStatement {
    KOV_CLASS(TkqAssignmentStmt, TkqStatement)
public:
    TkqAssignmentStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit);
    ~TkqAssignmentStmt() override;

    // TargetSymbol: the variable of a single-variable target, else Target; SourceSymbol: the
    // lone operand of Source when there is one, else Source.
    virtual void ResolveShortcuts();
    void Execute() override;

    std::unique_ptr<TkqDesignator> Target;
    std::unique_ptr<TkqExpression> Source;
    TkqCustomVariable* TargetSymbol = nullptr;
    TkqCustomVariable* SourceSymbol = nullptr;

protected:
    // The value to assign: the source's value here, combined with the target's in the compound
    // assignments.
    virtual Variant Compute(TkqCustomVariable* target, TkqCustomVariable* source);
};

// +=, -=, *= and /=: the target is read first, then the source; Variant arithmetic.
class TkqAssignPlusStmt : public TkqAssignmentStmt {
    KOV_CLASS(TkqAssignPlusStmt, TkqAssignmentStmt)
public:
    using TkqAssignmentStmt::TkqAssignmentStmt;

    void ResolveShortcuts() override;
    void Execute() override;

protected:
    Variant Compute(TkqCustomVariable* target, TkqCustomVariable* source) override;

private:
    // The target is a plain variable and the source a constant or a plain variable, read
    // without side effects: two texts are joined in the target's own buffer (which grows
    // geometrically), two Integers added directly.
    bool FInPlace = false;
    TkqStringVariable* FStringTarget = nullptr;
};

class TkqAssignMinusStmt : public TkqAssignmentStmt {
    KOV_CLASS(TkqAssignMinusStmt, TkqAssignmentStmt)
public:
    using TkqAssignmentStmt::TkqAssignmentStmt;

protected:
    Variant Compute(TkqCustomVariable* target, TkqCustomVariable* source) override;
};

class TkqAssignMulStmt : public TkqAssignmentStmt {
    KOV_CLASS(TkqAssignMulStmt, TkqAssignmentStmt)
public:
    using TkqAssignmentStmt::TkqAssignmentStmt;

protected:
    Variant Compute(TkqCustomVariable* target, TkqCustomVariable* source) override;
};

class TkqAssignDivStmt : public TkqAssignmentStmt {
    KOV_CLASS(TkqAssignDivStmt, TkqAssignmentStmt)
public:
    using TkqAssignmentStmt::TkqAssignmentStmt;

protected:
    Variant Compute(TkqCustomVariable* target, TkqCustomVariable* source) override;
};

// A procedure call whose value is dropped; with Modifier "+" or "-" the target is increased or
// decreased by 1.
class TkqCallStmt : public TkqStatement {
    KOV_CLASS(TkqCallStmt, TkqStatement)
public:
    TkqCallStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit);
    ~TkqCallStmt() override;
    void Execute() override;

    std::unique_ptr<TkqDesignator> Target;
    String Modifier;
};

// The own list is the then part.
class TkqIfStmt : public TkqStatement {
    KOV_CLASS(TkqIfStmt, TkqStatement)
public:
    TkqIfStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit);
    ~TkqIfStmt() override;
    void Execute() override;

    std::unique_ptr<TkqCustomExpression> Condition;
    std::unique_ptr<TkqStatement> ElseBranch;
};

// One branch of a case; the own list is its body.
class TkqCaseSelector : public TkqStatement {
    KOV_CLASS(TkqCaseSelector, TkqStatement)
public:
    TkqCaseSelector(TkqScript* script, const String& stmtPos, const String& stmtUnit);
    ~TkqCaseSelector() override;

    std::unique_ptr<TkqSetExpression> Values;
};

// The own entries are TkqCaseSelector branches; the selector is read before the run-line
// notification. A break in the branch that runs ends the case statement.
class TkqCaseStmt : public TkqStatement {
    KOV_CLASS(TkqCaseStmt, TkqStatement)
public:
    TkqCaseStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit);
    ~TkqCaseStmt() override;
    void Execute() override;

    std::unique_ptr<TkqCustomExpression> Selector;
    std::unique_ptr<TkqStatement> ElseBranch;
};

// repeat-until (do-while with InvertCondition); the own list is the body.
class TkqRepeatStmt : public TkqStatement {
    KOV_CLASS(TkqRepeatStmt, TkqStatement)
public:
    TkqRepeatStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit);
    ~TkqRepeatStmt() override;
    void Execute() override;

    std::unique_ptr<TkqCustomExpression> Condition;
    bool InvertCondition = false;
};

class TkqWhileStmt : public TkqStatement {
    KOV_CLASS(TkqWhileStmt, TkqStatement)
public:
    TkqWhileStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit);
    ~TkqWhileStmt() override;
    void Execute() override;

    std::unique_ptr<TkqCustomExpression> Condition;
};

// Counting loop (to/downto): the bounds are read once and the number of turns fixed before
// the first turn.
class TkqForStmt : public TkqStatement {
    KOV_CLASS(TkqForStmt, TkqStatement)
public:
    TkqForStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit);
    ~TkqForStmt() override;
    void Execute() override;

    std::unique_ptr<TkqCustomExpression> StartValue;
    bool Downward = false;
    std::unique_ptr<TkqCustomExpression> EndValue;
    TkqCustomVariable* LoopVariable = nullptr;
};

// for with step: any numeric Variant; a missing step is 1, a negative one counts down.
class TkqVbForStmt : public TkqStatement {
    KOV_CLASS(TkqVbForStmt, TkqStatement)
public:
    TkqVbForStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit);
    ~TkqVbForStmt() override;
    void Execute() override;

    std::unique_ptr<TkqCustomExpression> StartValue;
    std::unique_ptr<TkqCustomExpression> EndValue;
    std::unique_ptr<TkqCustomExpression> StepValue;
    TkqCustomVariable* LoopVariable = nullptr;
};

// Three-part for; a continue still runs the step part.
class TkqCppForStmt : public TkqStatement {
    KOV_CLASS(TkqCppForStmt, TkqStatement)
public:
    TkqCppForStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit);
    ~TkqCppForStmt() override;
    void Execute() override;

    std::unique_ptr<TkqStatement> InitPart;
    std::unique_ptr<TkqCustomExpression> Condition;
    std::unique_ptr<TkqStatement> StepPart;
};

// try/except (IsExcept) and try/finally; the own list is the protected part.
class TkqTryStmt : public TkqStatement {
    KOV_CLASS(TkqTryStmt, TkqStatement)
public:
    TkqTryStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit);
    ~TkqTryStmt() override;
    void Execute() override;

    bool IsExcept = false;
    std::unique_ptr<TkqStatement> HandlerPart;
};

class TkqBreakStmt : public TkqStatement {
    KOV_CLASS(TkqBreakStmt, TkqStatement)
public:
    using TkqStatement::TkqStatement;
    void Execute() override;
};

class TkqContinueStmt : public TkqStatement {
    KOV_CLASS(TkqContinueStmt, TkqStatement)
public:
    using TkqStatement::TkqStatement;
    void Execute() override;
};

class TkqExitStmt : public TkqStatement {
    KOV_CLASS(TkqExitStmt, TkqStatement)
public:
    using TkqStatement::TkqStatement;
    void Execute() override;
};

// Runs its own list, then assigns the value of Target to WithVariable, through which the
// names the with statement opens are reached.
class TkqWithStmt : public TkqStatement {
    KOV_CLASS(TkqWithStmt, TkqStatement)
public:
    TkqWithStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit);
    ~TkqWithStmt() override;
    void Execute() override;

    std::unique_ptr<TkqDesignator> Target;
    TkqCustomVariable* WithVariable = nullptr;
};

// ---- Binding modules ---------------------------------------------------------------------------

// Base of the modules that register host types, functions and classes into a script.
class TkqRTTIModule : public TObject {
    KOV_CLASS(TkqRTTIModule, TObject)
public:
    explicit TkqRTTIModule(TkqScript* script) : Script(script) {}

    TkqScript* Script;
};

using TkqRTTIModuleClass = TkqRTTIModule* (*)(TkqScript* script);
// The binding-module classes, in the order AddRTTI creates them. The engine's own binding
// units list theirs at the first use: the language's types and functions, the class library,
// graphics, forms, and the dialogs last.
std::vector<TkqRTTIModuleClass>& GetRTTIModuleClasses();
// Lists a host's binding module in front of the engine's dialogs module, behind the host
// modules listed before it.
void AddRTTIModuleClass(TkqRTTIModuleClass moduleClass);
// Appends a binding unit's module unless `listed` (the unit's own mark) is set already; the
// engine's start lists the engine's units first, in their order.
void ListRTTIModuleClass(bool& listed, TkqRTTIModuleClass moduleClass);

// The registrant of what the binding modules register; no object equals it.
TObject* BindingRegistrant();

// ---- The script component ----------------------------------------------------------------------

using TkqGetUnitEvent = TClosure<void(TObject* Sender, const String& UnitName, String& UnitText)>;
using TkqRunLineEvent = TClosure<void(TObject* Sender, const String& UnitName, const String& SourcePos)>;

class TkqScript : public TComponent {
    KOV_CLASS(TkqScript, TComponent)
public:
    explicit TkqScript(TComponent* owner);
    ~TkqScript() override;

    // ---- The table ----
    // Inserted in front of entries of the same name, so the latest hides the others.
    void Add(const String& name, TObject* object);
    Integer Count() const;
    TObject* Items(Integer index) const;
    // Removes the entry without freeing the object.
    void Remove(TObject* object);
    TkqCustomVariable* FindLocal(const String& name) const;
    // FindLocal here, then in the parent scripts.
    TkqCustomVariable* Find(const String& name) const;
    TkqClassVariable* FindClass(const String& name) const;
    // Frees everything but the binding modules and their symbols; empties the program.
    void Clear();
    // RemoveItems, then empties the program; the error fields stay.
    void ClearItems(TObject* owner);
    void RemoveItems(TObject* owner);

    // ---- Registration ----
    void AddType(const String& name, TkqValueKind kind);
    // nullptr when the class name is known already.
    TkqClassVariable* AddClass(TClass classRef, const String& ancestorName);
    void AddConst(const String& name, const String& typeName, const Variant& value);
    void AddVariable(const String& name, const String& typeName, const Variant& value);
    void AddObject(const String& name, TObject* object);
    void AddEnum(const String& typeName, const String& names);
    void AddEnumSet(const String& typeName, const String& names);
    TkqMethodHelper* AddMethod(const String& signature, const TkqModuleCallback& callBack,
                               const String& category = "", const String& description = "");
    TkqMethodHelper* AddMethodArrayArgs(const String& signature, const TkqArrayCallback& callBack,
                                        const String& category = "", const String& description = "");
    void AddRTTI();
    void RemoveRTTI();

    // ---- Running ----
    // Translates Lines in the grammar named by SyntaxType and builds the program into this
    // script, adding to what is there. False with LastErrorText, LastErrorPos and LastErrorUnit
    // set on an error; only an unknown language raises.
    bool Compile();
    void Execute();
    // Stops this script and every procedure in its table after the running statement.
    void Terminate();
    // A procedure of this script's own table called with the elements of `params` (a Variant
    // array, or anything else for no arguments); Null for another name.
    Variant CallFunction(const String& name, const Variant& params);
    // The same, then the parameters' values are written back into `params`.
    Variant CallFunctionVar(const String& name, Variant& params);
    void RunLine(const String& unitName, const String& sourcePos);
    void AddStatementLine(const String& unitName, const String& sourcePos);

    // ---- Published ----
    TStringList* GetLines() const { return FLines.get(); }
    void SetLines(TStrings* value);
    const String& GetSyntaxType() const { return FSyntaxType; }
    void SetSyntaxType(const String& value) { FSyntaxType = value; }
    TkqGetUnitEvent OnGetUnit;
    TkqGetUnitEvent OnGetILUnit;
    TkqRunLineEvent OnRunLine;

    // ---- State ----
    TObject* CurrentRegistrant = nullptr;
    bool BreakPending = false;
    bool ContinuePending = false;
    bool ExitPending = false;
    String LastErrorText;
    String LastErrorPos;
    String LastErrorUnit;
    bool HighCharIdentifiers = false;
    std::unique_ptr<TStringList> Symbols;
    bool Running = false;
    bool ScopeAnchor = false;
    TkqScript* ParentScript = nullptr;
    TkqScript* RunningScope = nullptr;
    bool BindingsAdded = false;
    std::unique_ptr<TkqStatement> RootStatement;
    bool TerminatePending = false;
    std::unique_ptr<TStringList> StatementLines;

private:
    void StopTree();
    // Frees and removes the entry at `index`.
    void FreeEntry(Integer index);
    bool NameKnown(const String& name) const { return Find(name) != nullptr; }
    void AddEnumValues(const String& typeName, const String& names, bool asSet);
    Variant CallProc(const String& name, const Variant& params, Variant* writeBack);

    std::unique_ptr<TStringList> FLines;
    String FSyntaxType;
};
