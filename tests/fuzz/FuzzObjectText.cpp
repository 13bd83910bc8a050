// The component stream's binary-to-text conversion: a stream converts to a text that reads back
// as the same stream, or the conversion raises the stream's read error.
#include <cstddef>
#include <cstdint>

#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    String text;
    try {
        TStringStream input(String(reinterpret_cast<const char*>(data), size));
        TStringStream output;
        ObjectBinaryToText(&input, &output);
        text = output.GetDataString();
    } catch (const EReadError&) {
        return 0;
    }
    // What was written reads back, and converts to the same text again.
    TStringStream source(text);
    TMemoryStream binary;
    ObjectTextToBinary(&source, &binary);
    binary.SetPosition(0);
    TStringStream again;
    ObjectBinaryToText(&binary, &again);
    if (again.GetDataString() != text) __builtin_trap();
    return 0;
}
