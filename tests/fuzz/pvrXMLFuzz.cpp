// libFuzzer harness for the report engine's XML reader: any input either loads or fails with
// the reader's format error; what loads saves as text that loads back as the same tree, or the
// save refuses with the same error. Built by tests/fuzz/build.sh, not by the project.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Streams.h"
#include "report/pvrXML.h"

namespace {

// The structure and names exactly; attribute texts without the unload mark and blanks, which
// a load takes out or a save puts in.
String Dump(const TpvrXMLItem* item) {
    String attrs;
    const String& text = item->AttrText;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 6, "ld=\"0\"") == 0 || text.compare(i, 6, "LD=\"0\"") == 0 ||
            text.compare(i, 6, "lD=\"0\"") == 0 || text.compare(i, 6, "Ld=\"0\"") == 0) {
            i += 5;
            continue;
        }
        if (text[i] != ' ') attrs += text[i];
    }
    String out = item->Name + "[" + attrs + "]";
    if (item->ChildCount() > 0) {
        out += "{";
        for (Integer i = 0; i < item->ChildCount(); ++i)
            out += (i > 0 ? "," : "") + Dump(item->Child(i));
        out += "}";
    }
    return out;
}

bool IsFormatError(const Exception& e) { return e.Message == "Invalid file format"; }

[[noreturn]] void Fault(const char* what) {
    std::fprintf(stderr, "pvrXML fuzz: %s\n", what);
    std::abort();
}

// Reads every attribute the element names, the way the serializer asks for them.
void ReadAttributes(const TpvrXMLItem* item) {
    const String& text = item->AttrText;
    for (std::size_t at = text.find('='); at != String::npos; at = text.find('=', at + 1)) {
        const std::size_t start = text.rfind(' ', at);
        const String name =
            text.substr(start == String::npos ? 0 : start + 1, at - (start == String::npos ? 0 : start + 1));
        try {
            item->Attr(name);
        } catch (const Exception& e) {
            if (!IsFormatError(e)) Fault("an attribute gave another error than the format error");
        }
    }
    for (Integer i = 0; i < item->ChildCount(); ++i)
        ReadAttributes(item->Child(i));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const String input(reinterpret_cast<const char*>(data), size);
    String loadedAll;
    for (bool allowUnload : {false, true}) {
        TpvrXMLDocument doc;
        auto stream = std::make_unique<TStringStream>(input);
        try {
            doc.LoadFromStream(stream.get(), allowUnload);
            if (allowUnload) stream.release();
        } catch (const Exception& e) {
            if (allowUnload) stream.release();
            if (!IsFormatError(e)) Fault("a load failed with another error than the format error");
            return 0;
        }
        if (!allowUnload) {
            loadedAll = Dump(doc.Root());
            ReadAttributes(doc.Root());
        }
        String saved;
        try {
            TStringStream out;
            doc.SaveToStream(&out);
            saved = out.GetDataString();
        } catch (const Exception& e) {
            if (!IsFormatError(e)) Fault("a save failed with another error than the format error");
            continue;
        }
        TpvrXMLDocument again;
        try {
            TStringStream in(saved);
            again.LoadFromStream(&in, false);
        } catch (const Exception&) {
            Fault("a saved document does not load");
        }
        if (Dump(again.Root()) != loadedAll) Fault("a saved document loads as another tree");
    }
    return 0;
}
