#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Collections.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/TypInfo.h"
#include "report/pvrXML.h"

class TpvrComponent;

// A reference property read from a definition, set once the whole tree exists.
struct TpvrFixupItem {
    TObject* Obj = nullptr;
    PPropInfo Prop = nullptr;
    String Value;
};

// Turns a tree of report objects into XML and back through their published properties.
class TpvrXMLSerializer {
public:
    explicit TpvrXMLSerializer(TStream* stream);
    ~TpvrXMLSerializer();
    TpvrXMLSerializer(const TpvrXMLSerializer&) = delete;
    TpvrXMLSerializer& operator=(const TpvrXMLSerializer&) = delete;

    // The attribute text of the object's stored properties, each name preceded by `prefix`.
    String WriteProperties(TPersistent* obj, const String& prefix = String());
    // Applies an attribute text to the object; conversion errors go to Errors.
    void ReadProperties(const String& text, TPersistent* obj);

    // Writes `root` (and with `withChildren` everything below it) into `item`, or with no item
    // as an indented document to Stream.
    void WriteTree(TpvrComponent* root, bool withChildren, TpvrXMLItem* item = nullptr);
    // Reads `item`, or with no item the document in Stream, into `root`.
    void ReadTree(TpvrComponent* root, TpvrXMLItem* item = nullptr);

    String ObjectToText(TpvrComponent* obj);
    void WriteObjectTag(TpvrComponent* obj);
    TpvrComponent* ObjectFromText(TpvrComponent* owner, const String& text);
    void ReadItemProperties(TpvrComponent* owner, TCollectionItem* item, const String& text);

    TStringList* GetErrors() const { return FErrors.get(); }
    TpvrComponent* Owner = nullptr;
    bool SerializeDefaultValues = false;
    TStream* Stream;

private:
    void ApplyAttribute(TPersistent* obj, const String& name, const String& value);
    void SetPublished(TPersistent* obj, const String& name, const String& value);
    void ReadPropData(TPersistent* obj, const String& hex);
    void ReadItem(TpvrXMLItem* item, TpvrComponent* obj, std::vector<TpvrComponent*>& read);
    void FixupReferences();
    TComponent* FindReference(const String& name);
    String ReferenceText(TComponent* component);

    std::unique_ptr<TStringList> FErrors;
    std::vector<TpvrFixupItem> FFixups;
};
