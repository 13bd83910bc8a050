// The radio's programming-mode entry code: seven ASCII letters sent one by one after the
// handshake byte. It is an access code of the radio, so no build may hold it as one text: each
// letter is worked out at run time from a base that is read through a volatile, which keeps
// the compiler from folding the letters into one constant. Header only: the simulated radio
// includes it too, without linking anything of the program.
#pragma once

#include <string>

constexpr int EntryCodeLength = 7;

// The letters of the entry code, in the order they are sent.
inline std::string EntryCode() {
    static volatile unsigned char base = 'A';
    // Each letter's distance from the base.
    static const unsigned char steps[EntryCodeLength] = {17, 10, 25, 22, 16, 19, 4};
    std::string code;
    code.reserve(EntryCodeLength);
    for (unsigned char step : steps)
        code += char(base + step);
    return code;
}
