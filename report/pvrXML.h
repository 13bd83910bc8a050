#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Variant.h"
#include "script/kq_xml.h"

// The report engine's XML layer: an element tree whose data sit in attributes, a document
// that loads and saves it, and a page cache that swaps marked elements out to a temporary
// file and back.

// EscapeXMLText and UnescapeXMLText are the script engine's (script/kq_xml.h), shared here.
String VariantToXMLText(const Variant& value);

class TpvrXMLItem {
public:
    TpvrXMLItem() = default;
    ~TpvrXMLItem();
    TpvrXMLItem(const TpvrXMLItem&) = delete;
    TpvrXMLItem& operator=(const TpvrXMLItem&) = delete;

    Integer ChildCount() const { return FChildren ? static_cast<Integer>(FChildren->size()) : 0; }
    // Raises EListError for an index out of range.
    TpvrXMLItem* Child(Integer index) const;
    TpvrXMLItem* AddChild();
    void AppendChild(TpvrXMLItem* item);
    void InsertChild(Integer index, TpvrXMLItem* item);
    Integer IndexOfChild(const String& name) const;
    TpvrXMLItem* ChildByName(const String& name);
    Integer IndexOfItem(const TpvrXMLItem* item) const;
    void ClearChildren();

    String Attr(const String& name) const;
    void SetAttr(const String& name, const String& value);

    Int64 GetFileOffset() const;
    void SetFileOffset(Int64 value);

    bool IsLoaded = true;
    String Name;
    TpvrXMLItem* Parent = nullptr;
    String AttrText;
    bool IsUnloadable = false;

private:
    void Detach();

    Byte FOffsetHi = 0;
    std::unique_ptr<std::vector<TpvrXMLItem*>> FChildren;
    Integer FOffsetLo = 0;
};

class TpvrXMLReader {
public:
    explicit TpvrXMLReader(TStream* stream);
    ~TpvrXMLReader();
    TpvrXMLReader(const TpvrXMLReader&) = delete;
    TpvrXMLReader& operator=(const TpvrXMLReader&) = delete;

    void SetPosition(Int64 position);
    void ReadHeader();
    // Returns True when the element read was an end marker (an end tag or the end of data).
    bool ReadRootItem(TpvrXMLItem* item, bool loadAll);

private:
    bool NextByte(char& c);
    // Reads one tag; False at the end of the data outside a tag.
    void ReadTag(String& name, String& attrText);
    bool ReadItem(TpvrXMLItem* item, bool loadAll, Integer depth);

    TStream* FStream;
    Int64 FSize;
    Int64 FPosition;
    char FBuffer[4096];
    Integer FBufferCount = 0;
    Integer FBufferIndex = 0;
    String FLastName;
};

class TpvrXMLWriter {
public:
    explicit TpvrXMLWriter(TStream* stream);
    ~TpvrXMLWriter() = default;
    TpvrXMLWriter(const TpvrXMLWriter&) = delete;
    TpvrXMLWriter& operator=(const TpvrXMLWriter&) = delete;

    void WriteHeader();
    void WriteRootItem(TpvrXMLItem* item);

    bool IndentOutput = false;
    TStream* CacheStream = nullptr;

private:
    void WriteLine(const String& line);
    void WriteItem(TpvrXMLItem* item, Integer level);
    void Flush();

    TStream* FStream;
    String FBuffer;
};

class TpvrXMLDocument {
public:
    TpvrXMLDocument();
    ~TpvrXMLDocument();
    TpvrXMLDocument(const TpvrXMLDocument&) = delete;
    TpvrXMLDocument& operator=(const TpvrXMLDocument&) = delete;

    void Clear();
    // Takes ownership of the stream when allowUnload is True.
    void LoadFromStream(TStream* stream, bool allowUnload);
    void SaveToStream(TStream* stream);

    void EnsureTempFile();
    void DropTempFile();
    void SwapOutItem(TpvrXMLItem* item);
    void SwapInItem(TpvrXMLItem* item);

    TpvrXMLItem* Root() const { return FRoot.get(); }
    TStream* CacheStream() const { return FCacheStream; }
    bool HasTempFile() const { return FHasTempFile; }
    const String& TempFileName() const { return FTempFileName; }

    bool IndentOutput = false;
    String TempDir;

private:
    std::unique_ptr<TpvrXMLItem> FRoot;
    String FTempFileName;
    TStream* FCacheStream = nullptr;
    bool FHasTempFile = false;
};
