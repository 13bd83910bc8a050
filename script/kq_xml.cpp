#include "script/kq_xml.h"

#include <algorithm>
#include <utility>

#include "platform/runtime/Format.h"
#include "platform/runtime/Strings.h"

namespace {

[[noreturn]] void InvalidFormat() { throw Exception("Invalid file format"); }

[[noreturn]] void ListIndexError(Integer index) {
    throw EListError(Format("List index out of bounds (%d)", {index}));
}

bool EndsWith(const String& text, char c) { return !text.empty() && text.back() == c; }

} // namespace

// ---- Escaping ------------------------------------------------------------------------------------

String EscapeXMLText(const String& text) {
    String result;
    result.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\r':
            result += "&#13;";
            break;
        case '\n':
            result += "&#10;";
            break;
        case '"':
            result += "&#34;";
            break;
        case '<':
            result += "&#60;";
            break;
        case '>':
            result += "&#62;";
            break;
        // Escaped as well, so that a text holding "&#60;" or "&quot;" comes back as written.
        case '&':
            result += "&#38;";
            break;
        default:
            result += c;
            break;
        }
    }
    return result;
}

String UnescapeXMLText(const String& text) {
    // One pass from left to right: each reference is decoded once and the text after it is
    // taken as it stands, so the cost is linear in the length whatever the text holds.
    String result;
    result.reserve(text.size());
    const std::size_t size = text.size();
    // The first ';' at or after a position: looked up again only once the scan has passed it,
    // so texts with many "&#" and few ';' are not searched over and over.
    std::size_t semicolon = 0;
    bool semicolonKnown = false;
    std::size_t i = 0;
    while (i < size) {
        const std::size_t amp = text.find('&', i);
        if (amp == String::npos || amp + 1 >= size) break;
        result.append(text, i, amp - i);
        i = amp;
        if (text[i + 1] == '#' && size - i - 1 >= 3) {
            if (!semicolonKnown || (semicolon != String::npos && semicolon < i + 2)) {
                semicolon = text.find(';', i + 2);
                semicolonKnown = true;
            }
            // No ';' after it: the text stays as written.
            if (semicolon != String::npos) {
                const Integer code = StrToInt(text.substr(i + 2, semicolon - i - 2));
                result += char(code & 0xFF);
                i = semicolon + 1;
                continue;
            }
        } else if (text.compare(i + 1, 5, "quot;") == 0) {
            result += '"';
            i += 6;
            continue;
        }
        result += '&';
        ++i;
    }
    result.append(text, i, String::npos);
    return result;
}

bool XMLTagReadsBack(const String& tag, const String& name, bool empty) {
    if (tag.find_first_of("<>") != String::npos || tag.starts_with("!--")) return false;
    // As the readers take a tag apart: one trailing blank dropped, the name up to the first
    // blank, a slash at the end of the name or of the attribute text for an empty element.
    const std::size_t length = !tag.empty() && tag.back() == ' ' ? tag.size() - 1 : tag.size();
    const std::size_t space = tag.find(' ');
    const std::size_t nameEnd = space < length ? space : length;
    std::size_t readNameLength = nameEnd;
    if (readNameLength == 0 || tag[0] == '/') return false;
    bool readEmpty = false;
    if (tag[nameEnd - 1] == '/') {
        --readNameLength;
        readEmpty = true;
    } else if (nameEnd < length && tag[length - 1] == '/') {
        readEmpty = true;
    }
    return readEmpty == empty && tag.compare(0, readNameLength, name) == 0 && readNameLength == name.size();
}

// ---- TkqXMLItem ----------------------------------------------------------------------------------

TkqXMLItem::~TkqXMLItem() {
    Clear();
    Detach();
}

void TkqXMLItem::Detach() {
    if (Parent == nullptr || !Parent->FItems) return;
    auto& siblings = *Parent->FItems;
    siblings.erase(std::find(siblings.begin(), siblings.end(), this));
    Parent = nullptr;
}

TkqXMLItem* TkqXMLItem::Add() {
    auto* item = new TkqXMLItem();
    AddItem(item);
    return item;
}

void TkqXMLItem::AddItem(TkqXMLItem* item) {
    // Only an element with children can be a proper ancestor of this one; skipping the walk
    // for the others keeps building a deep tree linear.
    if (item == this) throw EInvalidOperation("An element cannot contain itself");
    if (item->Count() > 0)
        for (TkqXMLItem* ancestor = Parent; ancestor != nullptr; ancestor = ancestor->Parent)
            if (ancestor == item) throw EInvalidOperation("An element cannot contain itself");
    item->Detach();
    if (!FItems) FItems = std::make_unique<std::vector<TkqXMLItem*>>();
    FItems->push_back(item);
    item->Parent = this;
}

void TkqXMLItem::InsertItem(Integer index, TkqXMLItem* item) {
    const Integer others = Count() - (item->Parent == this ? 1 : 0);
    if (index < 0 || index > others) ListIndexError(index);
    AddItem(item);
    FItems->pop_back();
    FItems->insert(FItems->begin() + index, item);
}

void TkqXMLItem::Clear() {
    if (!FItems) return;
    // Taken apart level by level instead of recursively, so a deep tree cannot exhaust the stack.
    std::vector<TkqXMLItem*> pending = std::move(*FItems);
    FItems.reset();
    while (!pending.empty()) {
        TkqXMLItem* item = pending.back();
        pending.pop_back();
        if (item->FItems) {
            pending.insert(pending.end(), item->FItems->begin(), item->FItems->end());
            item->FItems.reset();
        }
        item->Parent = nullptr;
        delete item;
    }
}

TkqXMLItem* TkqXMLItem::Items(Integer index) const {
    if (index < 0 || index >= Count()) ListIndexError(index);
    return (*FItems)[std::size_t(index)];
}

Integer TkqXMLItem::Find(const String& name) const {
    for (Integer i = 0; i < Count(); ++i)
        if (AnsiSameText((*FItems)[std::size_t(i)]->Name, name)) return i;
    return -1;
}

TkqXMLItem* TkqXMLItem::FindItem(const String& name) {
    const Integer index = Find(name);
    if (index >= 0) return Items(index);
    TkqXMLItem* item = Add();
    item->Name = name;
    return item;
}

String TkqXMLItem::Prop(const String& name) const {
    // ASCII upper-casing keeps every byte in its place, so the value is cut from the original.
    const String text = " " + Text;
    const std::size_t start = UpperCase(text).find(" " + UpperCase(name) + "=\"");
    if (start == String::npos) return "";
    const std::size_t valueStart = start + name.size() + 3;
    const std::size_t valueEnd = text.find('"', valueStart);
    return UnescapeXMLText(
        text.substr(valueStart, valueEnd == String::npos ? String::npos : valueEnd - valueStart));
}

TkqXMLItem* TkqXMLItem::Root() {
    TkqXMLItem* item = this;
    while (item->Parent != nullptr)
        item = item->Parent;
    return item;
}

void TkqXMLItem::Assign(TkqXMLItem* source) {
    if (source == nullptr) {
        Clear();
        return;
    }
    // Copied aside first: the source may be this element or lie inside it.
    TkqXMLItem copy;
    copy.Name = source->Name;
    copy.Text = source->Text;
    copy.Data = source->Data;
    std::vector<std::pair<const TkqXMLItem*, TkqXMLItem*>> pending = {{source, &copy}};
    while (!pending.empty()) {
        auto [from, to] = pending.back();
        pending.pop_back();
        for (Integer i = 0; i < from->Count(); ++i) {
            const TkqXMLItem* child = from->Items(i);
            TkqXMLItem* twin = to->Add();
            twin->Name = child->Name;
            twin->Text = child->Text;
            twin->Data = child->Data;
            pending.emplace_back(child, twin);
        }
    }
    Clear();
    Name = copy.Name;
    Text = copy.Text;
    Data = copy.Data;
    if (copy.FItems) {
        FItems = std::move(copy.FItems);
        for (TkqXMLItem* child : *FItems)
            child->Parent = this;
    }
}

// ---- TkqXMLReader --------------------------------------------------------------------------------

TkqXMLReader::TkqXMLReader(TStream* stream)
    : FStream(stream), FSize(stream->GetSize()), FPosition(stream->GetPosition()) {}

TkqXMLReader::~TkqXMLReader() {
    try {
        FStream->SetPosition(FPosition);
    } catch (...) {
        // The position cannot be given back; the stream stays where reading left it.
    }
}

bool TkqXMLReader::ReadChar(char& c) {
    if (FPosition >= FSize) return false;
    if (FBufferIndex >= FBufferCount) {
        FBufferCount = FStream->Read(FBuffer, Integer(std::min<Int64>(sizeof(FBuffer), FSize - FPosition)));
        FBufferIndex = 0;
        if (FBufferCount <= 0) {
            // The stream gave less than its size promised: that is its end.
            FBufferCount = 0;
            FSize = FPosition;
            return false;
        }
    }
    c = FBuffer[FBufferIndex++];
    ++FPosition;
    return true;
}

void TkqXMLReader::ReadTag(String& name, String& text) {
    enum { outside, inTag, inComment } state = outside;
    String tag;
    int dashes = 0;
    bool complete = false;
    char c = 0;
    while (!complete && ReadChar(c)) {
        switch (state) {
        case outside:
            if (c == '<') {
                state = inTag;
                tag.clear();
            }
            break;
        case inTag:
            if (c == '>') {
                complete = true;
            } else if (c == '<') {
                InvalidFormat();
            } else {
                tag += c;
                if (tag.size() == 3 && tag == "!--") {
                    tag.clear();
                    dashes = 0;
                    state = inComment;
                }
            }
            break;
        case inComment:
            if (c == '-') {
                dashes = dashes == 2 ? 0 : dashes + 1;
            } else if (c == '>' && dashes == 2) {
                state = outside;
                dashes = 0;
            } else {
                dashes = 0;
            }
            break;
        }
    }
    if (!complete) {
        if (state == inTag) InvalidFormat();
        tag.clear();
    }
    if (EndsWith(tag, ' ')) tag.pop_back();
    const std::size_t space = tag.find(' ');
    name = tag.substr(0, space);
    text = space == String::npos ? String() : tag.substr(space + 1);
}

void TkqXMLReader::ReadHeader() {
    String name, text;
    ReadTag(name, text);
    if (!name.starts_with("?xml")) InvalidFormat();
}

TkqXMLReader::TReadResult TkqXMLReader::ReadItemTag(TkqXMLItem* item) {
    ReadTag(item->Name, item->Text);
    if (item->Name.empty() || item->Name[0] == '/') return rrNotElement;
    if (EndsWith(item->Name, '/')) {
        item->Name.pop_back();
        return rrEmpty;
    }
    if (EndsWith(item->Text, '/')) {
        item->Text.pop_back();
        return rrEmpty;
    }
    return rrOpen;
}

void TkqXMLReader::ReadRootItem(TkqXMLItem* item) {
    if (ReadItemTag(item) != rrOpen) return;
    // Open elements, innermost last: no recursion, however deep the document nests.
    std::vector<TkqXMLItem*> open = {item};
    while (!open.empty()) {
        TkqXMLItem* parent = open.back();
        TkqXMLItem* child = parent->Add();
        TReadResult result;
        try {
            result = ReadItemTag(child);
        } catch (...) {
            // The tag was not read whole: the element it was meant for does not stay behind.
            delete child;
            throw;
        }
        if (result == rrOpen) {
            open.push_back(child);
        } else if (result == rrNotElement) {
            const String endName = child->Name;
            delete child;
            open.pop_back();
            // An empty name is the end of the stream: the element closes silently.
            if (!endName.empty() && !AnsiSameText(endName, "/" + parent->Name)) InvalidFormat();
        }
    }
}

// ---- TkqXMLWriter --------------------------------------------------------------------------------

void TkqXMLWriter::WriteLine(const String& line, Integer level) {
    if (FAutoIndent) FBuffer.append(std::size_t(level) * 2, ' ');
    FBuffer += line;
    if (FAutoIndent) FBuffer += "\r\n";
    if (FBuffer.size() > 4096) Flush();
}

void TkqXMLWriter::Flush() {
    if (FBuffer.empty()) return;
    FStream->WriteBuffer(FBuffer.data(), Integer(FBuffer.size()));
    FBuffer.clear();
}

void TkqXMLWriter::WriteHeader() { WriteLine("<?xml version=\"1.0\"?>", 0); }

void TkqXMLWriter::WriteRootItem(TkqXMLItem* item) {
    auto startTag = [this](TkqXMLItem* element, Integer level) {
        String tag = element->Name;
        if (!element->Text.empty()) tag += (element->Text[0] == ' ' ? "" : " ") + element->Text;
        if (element->Count() == 0) tag += '/';
        // What would load as another tree (or not at all) is not written.
        if (!XMLTagReadsBack(tag, element->Name, element->Count() == 0)) InvalidFormat();
        WriteLine("<" + tag + ">", level);
    };
    struct TFrame {
        TkqXMLItem* Element;
        Integer Next;
        Integer Level;
    };
    startTag(item, 0);
    std::vector<TFrame> open;
    if (item->Count() > 0) open.push_back({item, 0, 0});
    while (!open.empty()) {
        TFrame& frame = open.back();
        if (frame.Next < frame.Element->Count()) {
            TkqXMLItem* child = frame.Element->Items(frame.Next++);
            const Integer level = frame.Level + 1;
            startTag(child, level);
            if (child->Count() > 0) open.push_back({child, 0, level});
        } else {
            WriteLine("</" + frame.Element->Name + ">", frame.Level);
            open.pop_back();
        }
    }
    Flush();
}

// ---- TkqXMLDocument ------------------------------------------------------------------------------

TkqXMLDocument::TkqXMLDocument() : Root(new TkqXMLItem()) {}

TkqXMLDocument::~TkqXMLDocument() { delete Root; }

void TkqXMLDocument::LoadFromStream(TStream* stream) {
    TkqXMLReader reader(stream);
    Root->Clear();
    reader.ReadHeader();
    reader.ReadRootItem(Root);
}

void TkqXMLDocument::SaveToStream(TStream* stream) {
    TkqXMLWriter writer(stream, AutoIndent);
    writer.WriteHeader();
    writer.WriteRootItem(Root);
}

void TkqXMLDocument::LoadFromFile(const String& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TkqXMLDocument::SaveToFile(const String& fileName) {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(&stream);
}
