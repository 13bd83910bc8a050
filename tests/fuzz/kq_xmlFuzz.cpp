// libFuzzer harness for the script engine's XML reader: any input either loads or fails with
// "Invalid file format"; every attribute of what loads reads or fails with the integer
// conversion error; what stayed saves as text that loads back as the same tree, or the save
// refuses with the format error. Built by tests/fuzz/build.sh, not by the project.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Streams.h"
#include "script/kq_xml.h"

namespace {

[[noreturn]] void Fault(const char* what) {
    std::fprintf(stderr, "kq_xml fuzz: %s\n", what);
    std::abort();
}

// Names and structure exactly; texts without the blanks at their ends, which a save drops.
String Dump(const TkqXMLItem* item) {
    String text = item->Text;
    while (!text.empty() && text.front() == ' ')
        text.erase(0, 1);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    String out = item->Name + "[" + text + "]";
    if (item->Count() > 0) {
        out += "{";
        for (Integer i = 0; i < item->Count(); ++i)
            out += (i > 0 ? "," : "") + Dump(item->Items(i));
        out += "}";
    }
    return out;
}

void ReadAttributes(TkqXMLItem* item) {
    const String& text = item->Text;
    for (std::size_t at = text.find('='); at != String::npos; at = text.find('=', at + 1)) {
        const std::size_t start = text.rfind(' ', at);
        const std::size_t from = start == String::npos ? 0 : start + 1;
        try {
            item->Prop(text.substr(from, at - from));
        } catch (const EConvertError&) {
        }
    }
    for (Integer i = 0; i < item->Count(); ++i)
        ReadAttributes(item->Items(i));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const String input(reinterpret_cast<const char*>(data), size);
    TkqXMLDocument doc;
    try {
        TStringStream stream(input);
        doc.LoadFromStream(&stream);
    } catch (const Exception& e) {
        if (e.Message != "Invalid file format") Fault("a load failed with another error");
    }
    ReadAttributes(doc.Root);
    // What stayed after a failure, or the whole document, saves as text that loads back as the
    // same tree, or the save refuses with the format error.
    TStringStream out;
    try {
        doc.SaveToStream(&out);
    } catch (const Exception& e) {
        if (e.Message != "Invalid file format") Fault("a save failed with another error");
        return 0;
    }
    TkqXMLDocument again;
    try {
        TStringStream in(out.GetDataString());
        again.LoadFromStream(&in);
    } catch (const Exception&) {
        Fault("a saved document does not load");
    }
    if (Dump(again.Root) != Dump(doc.Root)) Fault("a saved document loads as another tree");
    return 0;
}
