// Stored window definitions: the text definitions of forms and data modules compiled into the
// program as resources (cmake/Resources.cmake, kov_add_form_definitions), found by class name
// and read into a form or data module while it is made.
//
// A definition is a resource of type RT_FORMDEF named after the class of its root (the class
// name in its first line, "object fMainFrm: TfMainFrm"), holding the definition's text as it is
// in the file. The text is read through ReadComponentText, so errors name the definition and the
// line: "TfMainFrm: Error reading fMainFrm.Bogus: Property Bogus does not exist in TfMainFrm on
// line 3".
//
// The unit installs its reader as the InitInheritedComponent hook (platform/classlib/Forms.h) at
// start-up: a TCustomForm or TDataModule made with a definition reads it at AfterConstruction.
#pragma once

#include "platform/runtime/Components.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"

// The resource type of stored window definitions.
inline constexpr const char RT_FORMDEF[] = "FORMDEF";

struct TFormDefinition {
    TClass DefinedBy = nullptr;  // the class the definition belongs to; nullptr when none was found
    String Name;                 // the resource's name: that class's name
    String Text;

    explicit operator bool() const { return DefinedBy != nullptr; }
};

// The definition of the class, or of its nearest ancestor that has one (a class without a
// definition of its own shows its ancestor's, and a definition of a derived form starts with
// "inherited").
TFormDefinition FindFormDefinition(TClass cls);
// Whether the class itself (not an ancestor) has a definition.
bool HasOwnFormDefinition(TClass cls);

// Reads into `instance`, as its root, the definitions of its class and of its ancestors below
// `rootAncestor` (TForm, TDataModule), the ancestors' first, each class's own only. csLoading is
// set while they are read. False when none of them has a definition (nothing is read). This is
// the InitInheritedComponent hook.
bool ReadFormDefinitions(TComponent* instance, TClass rootAncestor);

// The definition text of a component tree, as TWriter stores it and ObjectBinaryToText shows it:
// properties at their defaults are left out, children in the order they are kept.
String WriteComponentText(TComponent* root);
