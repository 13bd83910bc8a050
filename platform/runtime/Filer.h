// Component streaming: the binary stream that stores a tree of components, TReader and TWriter
// that read and write it through the published properties, and the fix-up pass that resolves
// component references by name once everything they can name exists.
//
// The stream: the signature "TPF0", then one component: an optional flags prefix (a byte
// 0xF0 | flags, followed by the child position when ffChildPos is set), the class name and the
// component name as short strings, its properties (name as a short string, then a typed value)
// up to a vaNull, then its children, each a component of the same form, up to a vaNull. Every
// value starts with its kind byte (TValueType); numbers are little-endian.
#pragma once

#include <functional>
#include <vector>

#include "platform/runtime/Components.h"
#include "platform/runtime/Currency.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Sets.h"
#include "platform/runtime/TypInfo.h"

class TStream;
class TCollection;
class TStrings;
class Variant;
class TReader;
class TWriter;

// The kind byte in front of every value.
enum TValueType : Byte {
    vaNull = 0,        // the end of a list, of properties or of children
    vaList = 1,        // values up to a vaNull
    vaInt8 = 2,        // 1 byte, signed
    vaInt16 = 3,       // 2 bytes, signed
    vaInt32 = 4,       // 4 bytes, signed
    vaExtended = 5,    // 10-byte extended float
    vaString = 6,      // 1-byte length, bytes
    vaIdent = 7,       // 1-byte length, bytes: an enumeration element, a component or method name
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,     // 4-byte length, bytes
    vaSet = 11,        // element names as short strings up to an empty one
    vaLString = 12,    // 4-byte length, bytes
    vaNil = 13,        // no object (also a Null variant)
    vaCollection = 14, // items up to a vaNull: each an optional order (an integer value), then a
                       // vaList of properties
    vaSingle = 15,     // 4-byte float
    vaCurrency = 16,   // 8-byte integer, the value times 10,000
    vaDate = 17,       // 8-byte double
    vaWString = 18,    // 4-byte count of UTF-16 code units, 2 bytes each
    vaInt64 = 19,      // 8 bytes, signed
    vaUTF8String = 20  // 4-byte length, UTF-8 bytes
};

// The flags a component may carry in front of its class name.
enum TFilerFlag { ffInherited, ffChildPos, ffInline };
using TFilerFlags = TSet<TFilerFlag, ffInline>;

// The procedures DefineProperty and DefineBinaryProperty take. MakeEvent(this, &T::ReadX) and
// lambdas both fit.
using TReaderProc = std::function<void(TReader* reader)>;
using TWriterProc = std::function<void(TWriter* writer)>;
using TStreamProc = std::function<void(TStream* stream)>;

// Asked when a reader meets an error it can step over (an unknown property, a value that does not
// fit, a method the root does not publish). Setting `handled` skips the value and reading goes on.
using TReaderError = std::function<void(TReader* reader, const String& message, bool& handled)>;

// What TReader and TWriter share: the stream, the root that component names are relative to, and
// the hooks through which an object stores data beyond its published properties.
//
// Readers and writers move through the stream directly: its position is always just after the
// last value read or written.
class TFiler : public TObject {
    KOV_CLASS(TFiler, TObject)
public:
    // `bufSize` is accepted for the callers that pass one; nothing is buffered.
    explicit TFiler(TStream* stream, Integer bufSize = 4096);
    TFiler(const TFiler&) = delete;
    TFiler& operator=(const TFiler&) = delete;

    // Stores (writer) or recognises (reader) the property `name` of the object whose
    // DefineProperties is running. A writer calls writeData, when hasData, after writing the name;
    // a reader calls readData when the name it has just read is this one.
    virtual void DefineProperty(const String& name, const TReaderProc& readData, const TWriterProc& writeData,
                                bool hasData) = 0;
    // The same for raw bytes (a vaBinary value): the procedures read or write a stream holding
    // just these bytes.
    virtual void DefineBinaryProperty(const String& name, const TStreamProc& readData,
                                      const TStreamProc& writeData, bool hasData) = 0;
    // Nothing is buffered; kept for callers that flush.
    virtual void FlushBuffer() {}

    TStream* GetStream() const { return FStream; }
    TComponent* GetRoot() const { return FRoot; }
    virtual void SetRoot(TComponent* value);
    // The component references and method names are relative to: the root, or a component whose
    // children it owns itself (GetChildOwner) while those are read or written.
    TComponent* GetLookupRoot() const { return FLookupRoot; }

protected:
    TStream* FStream;
    TComponent* FRoot = nullptr;
    TComponent* FLookupRoot = nullptr;
};

class TReader : public TFiler {
    KOV_CLASS(TReader, TFiler)
public:
    explicit TReader(TStream* stream, Integer bufSize = 4096);
    ~TReader() override;

    void DefineProperty(const String& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const String& name, const TStreamProc& readData, const TStreamProc& writeData,
                              bool hasData) override;

    // ---- Whole trees ----
    // Reads a whole stream: the signature, then the root with everything below it. With `root`
    // nullptr the root is made from its registered class (FindClass); otherwise the stream is read
    // into `root`, and stored children whose names `root` already owns are read into those.
    // While reading, every component has csLoading and csReading set; afterwards component
    // references are resolved, Loaded is called on every component read (the root first, then
    // the others in stream order) and csLoading is cleared. The root takes the stored name ("Name_2"
    // and so on when its owner already has a component of that name), becomes a global component
    // (FindGlobalComponent), and waiting references of earlier reads are tried again
    // (GlobalFixupReferences). On an error the components made by this read are freed and the
    // others leave the loading state.
    TComponent* ReadRootComponent(TComponent* root);
    // Reads one component of the stream: into `component` when given, otherwise into a new one
    // of the stored class owned by GetOwner() (its parent set through SetParentComponent). Called
    // on its own (not from within a read), it also resolves references and calls Loaded.
    TComponent* ReadComponent(TComponent* component);
    // Raises EReadError "Invalid stream format" when the stream does not start with "TPF0".
    void ReadSignature();
    // The flags prefix of a component, when there is one.
    void ReadPrefix(TFilerFlags& flags, Integer& childPos);
    // The properties, then the children of `instance` (what TComponent::ReadState does).
    void ReadData(TComponent* instance);
    // One stored property: its name (a dotted path through published class properties) and its
    // value, set through the type information or handed to DefineProperties (a string list's
    // "Strings" is read here). Errors that OnError may step over raise EReadError "Error reading
    // <component>.<path>: <reason>", e.g. "... Property <name> does not exist in <class>", "...
    // Method <name> not found in <root class>", "... Invalid property value" (also for an integer
    // outside the property's range). An identifier given to an integer property is looked up
    // in the identifiers of its type (RegisterIntegerIdents: "clBtnFace" for a TColor).
    void ReadProperty(TPersistent* instance);
    // A collection value (after its vaCollection): replaces the items with the stored ones, in
    // stream order (an order index before an item is read and not used).
    void ReadCollection(TCollection* collection);
    // Resolves the component references read so far against the lookup root; what cannot be
    // resolved yet waits in the global list (GlobalFixupReferences). Done by ReadRootComponent.
    void FixupReferences();

    // ---- Values ----
    // Raises EReadError "Invalid stream format" for a byte that is no value kind.
    TValueType ReadValue();
    // The kind of the next value, without moving past it.
    TValueType NextValue();
    // Reads a kind byte and raises EReadError "Invalid stream format" unless it is `value`.
    void CheckValue(TValueType value);
    bool EndOfList();
    void ReadListBegin();
    void ReadListEnd();
    // Steps over the next value, whatever it is.
    void SkipValue();
    // Any integer kind; an Int64 value outside the Integer range raises EReadError "Invalid
    // property value".
    Integer ReadInteger();
    Int64 ReadInt64();
    bool ReadBoolean();
    // A one-byte string (or an integer).
    char ReadChar();
    WideChar ReadWideChar();
    // Any float kind or integer.
    Extended ReadFloat();
    Single ReadSingle();
    Currency ReadCurrency();
    TDateTime ReadDate();
    // Any string kind; a wide string is converted to UTF-8, the others are taken byte for byte.
    String ReadString();
    WideString ReadWideString();
    // An identifier; vaFalse, vaTrue, vaNil and vaNull read as "False", "True", "nil" and "Null".
    String ReadIdent();
    // A short string without a kind byte (names).
    String ReadStr();
    // A vaSet value as a mask of the set type's elements. An unknown element raises EReadError
    // "Invalid property element: <name>" once the whole value is read.
    Int64 ReadSet(PTypeInfo setType);
    // Bytes of a vaBinary value.
    String ReadBinary();
    // Integers as Integer (Int64 when larger), floats as Double, Single, Currency or Date,
    // strings and identifiers as String (a wide string as OleStr), Booleans, vaNil and vaNull as
    // Null, a list as an array of variants.
    Variant ReadVariant();

    // ---- Where new components go ----
    TComponent* GetOwner() const { return FOwner; }
    void SetOwner(TComponent* value) { FOwner = value; }
    TComponent* GetParent() const { return FParent; }
    void SetParent(TComponent* value) { FParent = value; }

    TReaderError OnError;

protected:
    // Hands the message to OnError; raises EReadError with it unless that handled it.
    virtual bool Error(const String& message);

private:
    struct TLoadedEntry {
        TComponent* Component;
        TLivenessToken Alive;
    };
    // A component reference read but not yet set: resolved by FixupReferences.
    struct TPendingFixup {
        TObject* Instance;
        TLivenessToken InstanceAlive;
        PPropInfo Prop;
        String Name;
        TComponent* LookupRoot;
        TLivenessToken LookupRootAlive;
        String Context;  // where it was read, for messages
    };

    Byte ReadByte();
    Byte PeekByte();
    void ReadBytes(void* buffer, Integer count);
    Int64 ReadIntegerValue(TValueType kind);
    String ReadStringValue(TValueType kind);
    void ReadPropValue(TPersistent* instance, PPropInfo prop);
    void ReadClassValue(TPersistent* instance, PPropInfo prop);
    void ReadStringsList(TStrings* strings);
    void HandlePropertyError(const String& message);
    String ErrorPath() const;
    void AddLoaded(TComponent* component);
    void FinishRead();
    void AbandonRead();
    friend class TReaderNesting;

    TComponent* FOwner = nullptr;
    TComponent* FParent = nullptr;
    std::vector<TLoadedEntry> FLoaded;
    std::vector<TPendingFixup> FFixups;
    Integer FDepth = 0;    // ReadComponent calls under way
    Integer FNesting = 0;  // lists, collections and components inside each other
    String FPropName;      // the name DefineProperty is asked about; cleared once recognised
    String FPropPath;      // the full stored name being read, for messages
    String FObjectPath;    // the component (and collection item) being read, for messages
};

class TWriter : public TFiler {
    KOV_CLASS(TWriter, TFiler)
public:
    explicit TWriter(TStream* stream, Integer bufSize = 4096);

    void DefineProperty(const String& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const String& name, const TStreamProc& readData, const TStreamProc& writeData,
                              bool hasData) override;

    // ---- Whole trees ----
    // The signature, then `root` with everything below it; names and methods relative to root.
    void WriteRootComponent(TComponent* root);
    // One component: flags prefix (ffInline for a component in the csInline state), class name,
    // name, then its WriteState (csWriting set meanwhile).
    void WriteComponent(TComponent* component);
    void WriteSignature();
    void WritePrefix(TFilerFlags flags, Integer childPos);
    // The properties, then the children the component hands over through GetChildren (what
    // TComponent::WriteState does).
    void WriteData(TComponent* instance);
    // Every published property the stored rule keeps and whose value is not its default, then
    // what DefineProperties adds. Nested objects are written as dotted names ("Font.Name"),
    // collections as collection values, string lists as their "Strings" list, component
    // references by name ("Other.Comp" for a component of another root; not written when the
    // component cannot be named), events by the name under which the lookup root publishes the
    // method (not written for a handler that is no published method of the lookup root),
    // variants by their kind (not written when Empty); an integer whose type has identifiers
    // (RegisterIntegerIdents) by its name when it has one.
    void WriteProperties(TPersistent* instance);
    // A collection value: vaCollection, each item's properties as a list, vaNull.
    void WriteCollection(TCollection* value);

    // ---- Values ----
    void WriteValue(TValueType value);
    void WriteListBegin();
    void WriteListEnd();
    // In the smallest integer kind that holds the value.
    void WriteInteger(Int64 value);
    void WriteBoolean(bool value);
    void WriteChar(char value);
    void WriteWideChar(WideChar value);
    void WriteFloat(Extended value);
    void WriteSingle(Single value);
    void WriteCurrency(Currency value);
    void WriteDate(TDateTime value);
    // Text that is all ASCII as vaString (up to 255 bytes) or vaLString, other valid UTF-8 as
    // vaUTF8String, other bytes as they are in vaString or vaLString.
    void WriteString(const String& value);
    // As WriteString of its UTF-8 form; text with unpaired surrogates as vaWString.
    void WriteWideString(const WideString& value);
    // "False", "True" and "nil" (any case) as vaFalse, vaTrue and vaNil; others as vaIdent.
    void WriteIdent(const String& ident);
    // A short string without a kind byte; more than 255 bytes raise EWriteError.
    void WriteStr(const String& value);
    void WriteSet(PTypeInfo setType, Int64 value);
    void WriteBinary(const String& bytes);
    // By its kind (see ReadVariant); Empty as vaNil too. Kinds without a stored form (objects,
    // errors, decimals, time stamps) raise EWriteError "Unsupported variant type: <type>".
    void WriteVariant(const Variant& value);

private:
    void WritePropName(const String& name);
    void WriteProperty(TPersistent* instance, PPropInfo prop);
    void WriteObjectProperty(TPersistent* instance, PPropInfo prop, TObject* object);
    void WriteStringsList(TStrings* strings);
    void WriteDefinedProperties(TPersistent* instance);
    String ReferenceName(TComponent* component) const;
    void WriteBytes(const void* buffer, Integer count);
    void WriteLength(Int64 length);

    String FPropPath;                    // prefix of nested property names ("Font.")
    std::vector<String> FWrittenNames;   // the names written for the current object
    std::vector<const TObject*> FWritingObjects;  // nested objects on the way down (cycle guard)
};

// ---- Component references across roots ------------------------------------------------------

// Roots that references of the form "Module.Component" can name: every root a TReader has read,
// and any component added here. Freed components drop out by themselves.
void RegisterGlobalComponent(TComponent* component);
void UnRegisterGlobalComponent(TComponent* component);
// Case-insensitive; the most recently registered of equal names; nullptr for none.
TComponent* FindGlobalComponent(const String& name);
// Resolves the references that earlier reads could not resolve, now that more roots may exist.
// A resolved property is set; the rest keep waiting. References held by freed objects are
// dropped. Runs after every ReadRootComponent.
void GlobalFixupReferences();
// The names of references still waiting for `root` (a root that has some has csFixups set).
std::vector<String> GetFixupReferenceNames(TComponent* root);
