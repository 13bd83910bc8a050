#include "report/pvrVariables.h"

#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

TpvrVariable::TpvrVariable(TCollection* collection) : TCollectionItem(collection) {}

void TpvrVariable::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TpvrVariable*>(source)) {
        FName = other->FName;
        FValue = other->FValue;
        return;
    }
    inherited::Assign(source);
}

TpvrVariables::TpvrVariables() : TCollection(TCollectionItemClass::Of<TpvrVariable>()) {}

TpvrVariables::~TpvrVariables() = default;

Integer TpvrVariables::IndexOf(const String& name) const {
    for (Integer i = 0; i < GetCount(); ++i)
        if (AnsiSameText(Items(i)->GetName(), name)) return i;
    return -1;
}

Variant TpvrVariables::GetVariables(const String& name) const {
    const Integer index = IndexOf(name);
    return index < 0 ? Null() : Items(index)->GetValue();
}

void TpvrVariables::SetVariables(const String& name, const Variant& value) {
    const Integer index = IndexOf(name);
    TpvrVariable* item = index < 0 ? Add() : Items(index);
    if (index < 0) item->SetName(name);
    item->SetValue(value);
}

KOV_PUBLISHED(TpvrVariable) {
    Property("Name", &TpvrVariable::GetName, &TpvrVariable::SetName);
    Property("Value", &TpvrVariable::GetValue, &TpvrVariable::SetValue);
}
