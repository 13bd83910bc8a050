// Report variables: named values that expressions read and scripts set.
#pragma once

#include "platform/runtime/Collections.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Variant.h"

class TpvrVariable : public TCollectionItem {
    KOV_CLASS(TpvrVariable, TCollectionItem)
public:
    explicit TpvrVariable(TCollection* collection);

    // Copies Name and Value from another variable.
    void Assign(TPersistent* source) override;

    const String& GetName() const { return FName; }
    void SetName(const String& value) { FName = value; }
    const Variant& GetValue() const { return FValue; }
    void SetValue(const Variant& value) { FValue = value; }

private:
    String FName;
    Variant FValue = Null();
};

class TpvrVariables : public TCollection {
    KOV_CLASS(TpvrVariables, TCollection)
public:
    TpvrVariables();
    ~TpvrVariables() override;

    TpvrVariable* Add() { return static_cast<TpvrVariable*>(TCollection::Add()); }
    TpvrVariable* Items(Integer index) const { return static_cast<TpvrVariable*>(GetItems(index)); }
    // The first variable of that name, ignoring case; -1 when none.
    Integer IndexOf(const String& name) const;
    // The value, or Null when there is no such variable.
    Variant GetVariables(const String& name) const;
    // Replaces the value, or adds a variable of that name.
    void SetVariables(const String& name, const Variant& value);
};
