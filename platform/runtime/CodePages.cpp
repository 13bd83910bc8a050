#include "platform/runtime/CodePages.h"

#include <iconv.h>

#include <cerrno>

#include "platform/runtime/Exceptions.h"

namespace {

const char kReplacementCharacter[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// Length of the well-formed UTF-8 sequence starting at pos, or 0 when there is none.
size_t Utf8SequenceLength(const String& bytes, size_t pos) {
    auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    unsigned char lead = at(pos);
    if (lead < 0x80)
        return 1;
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;  // overlong
        else if (lead == 0xED)
            high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;  // overlong
        else if (lead == 0xF4)
            high = 0x8F;  // past U+10FFFF
    } else {
        return 0;
    }
    if (bytes.size() - pos < length)
        return 0;
    if (at(pos + 1) < low || at(pos + 1) > high)
        return 0;
    for (size_t i = 2; i < length; ++i)
        if (at(pos + i) < 0x80 || at(pos + i) > 0xBF)
            return 0;
    return length;
}

// One conversion descriptor per thread and direction: a descriptor holds state and must not
// be shared between threads.
class Converter {
public:
    Converter(const char* to, const char* const* fromNames, bool gbkIsSource) {
        for (const char* const* name = fromNames; *name != nullptr; ++name) {
            FHandle = gbkIsSource ? iconv_open(to, *name) : iconv_open(*name, to);
            if (FHandle != reinterpret_cast<iconv_t>(-1))
                return;
        }
        throw EConvertError("The code page 936 conversion is not available");
    }
    ~Converter() { iconv_close(FHandle); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts bytes [pos, end) and appends the result. On a sequence the converter refuses,
    // stops there and returns false with pos on it; returns true when everything went.
    bool Run(const String& input, size_t& pos, size_t end, String& output) {
        iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input.data()) + pos;
        size_t inLeft = end - pos;
        char chunk[4096];
        bool ok = true;
        while (inLeft > 0) {
            char* out = chunk;
            size_t outLeft = sizeof chunk;
            size_t result = iconv(FHandle, &in, &inLeft, &out, &outLeft);
            output.append(chunk, static_cast<size_t>(out - chunk));
            if (result == static_cast<size_t>(-1) && errno != E2BIG) {
                ok = false;
                break;
            }
        }
        char* out = chunk;
        size_t outLeft = sizeof chunk;
        iconv(FHandle, nullptr, nullptr, &out, &outLeft);
        output.append(chunk, static_cast<size_t>(out - chunk));
        pos = static_cast<size_t>(in - input.data());
        return ok;
    }

private:
    iconv_t FHandle;
};

const char* const kGbkNames[] = {"GBK", "CP936", nullptr};

Converter& FromGbk() {
    thread_local Converter converter("UTF-8", kGbkNames, true);
    return converter;
}

Converter& ToGbk() {
    thread_local Converter converter("UTF-8", kGbkNames, false);
    return converter;
}

}  // namespace

bool IsValidUtf8(const String& bytes) {
    for (size_t pos = 0; pos < bytes.size();) {
        size_t length = Utf8SequenceLength(bytes, pos);
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

String GbkToUtf8(const String& bytes) {
    String result;
    result.reserve(bytes.size() * 3 / 2);
    Converter& converter = FromGbk();
    size_t pos = 0;
    while (pos < bytes.size()) {
        if (converter.Run(bytes, pos, bytes.size(), result))
            break;
        // An invalid or truncated sequence: replace its first byte and resynchronise on the
        // next one, which may well be plain ASCII.
        result += kReplacementCharacter;
        ++pos;
    }
    return result;
}

String Utf8ToGbk(const String& text) {
    String result;
    result.reserve(text.size());
    Converter& converter = ToGbk();
    size_t pos = 0;
    while (pos < text.size()) {
        // Hand the converter only well-formed runs, so that a refusal always means a
        // character GBK lacks.
        size_t runEnd = pos;
        while (runEnd < text.size()) {
            size_t length = Utf8SequenceLength(text, runEnd);
            if (length == 0)
                break;
            runEnd += length;
        }
        while (pos < runEnd) {
            if (converter.Run(text, pos, runEnd, result))
                break;
            result += '?';
            size_t length = Utf8SequenceLength(text, pos);
            pos += length > 0 ? length : 1;
        }
        if (pos < text.size()) {
            result += '?';  // a malformed byte
            ++pos;
        }
    }
    return result;
}

String TextToUtf8(const String& bytes) {
    String text = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
    if (IsValidUtf8(text))
        return text;
    return GbkToUtf8(text);
}
