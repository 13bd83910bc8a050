#include <gtest/gtest.h>

#include "platform/runtime/Libraries.h"

namespace {

// The table is process-wide and keeps its entries: every test registers names of its own.
int LibTestTwice(int value) { return value * 2; }
int LibTestSquare(int value) { return value * value; }
int LibTestNegate(int value) { return -value; }

using TIntFunction = int (*)(int);

int CallBound(HMODULE module, const char* name, int argument) {
    FARPROC address = GetProcAddress(module, name);
    if (address == nullptr) return -1;
    return reinterpret_cast<TIntFunction>(address)(argument);
}

} // namespace

TEST(Libraries, LoadsByNameWithoutRegardToCaseOrDllSuffix) {
    RegisterLibrary("LibTestMath.dll", {{"Twice", (void*)&LibTestTwice}, {"Square", (void*)&LibTestSquare}});
    RegisterLibrary("LibTestHelp.OCX", {{"Negate", (void*)&LibTestNegate}});

    struct TCase {
        const char* asked;
        const char* function;
        int expected;
    };
    const TCase cases[] = {
        {"LibTestMath.dll", "Twice", 14},
        {"libtestmath", "Square", 49},
        {"LIBTESTMATH.DLL", "Twice", 14},
        {"LibTestHelp.ocx", "Negate", -7},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.asked);
        HMODULE module = LoadLibraryA(c.asked);
        ASSERT_NE(module, nullptr);
        EXPECT_EQ(CallBound(module, c.function, 7), c.expected);
        EXPECT_EQ(GetModuleHandleA(c.asked), module);
        EXPECT_EQ(FreeLibrary(module), TRUE);
    }
    // One library, one handle; distinct libraries, distinct handles.
    HMODULE first = LoadLibraryA("LibTestMath");
    HMODULE second = LoadLibraryA("libtestmath.DLL");
    HMODULE other = LoadLibraryA("LibTestHelp.OCX");
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);
    FreeLibrary(first);
    FreeLibrary(second);
    FreeLibrary(other);
}

TEST(Libraries, UnknownLibrariesAndNamesFailWithTheirErrors) {
    RegisterLibrary("LibTestKnown", {{"Twice", (void*)&LibTestTwice}});
    struct TCase {
        const char* name;
        const char* library;
    };
    // Only ".dll" is optional, and a name is compared whole.
    const TCase unknownLibraries[] = {
        {"never registered", "LibTestNowhere.dll"},
        {"other extension", "LibTestKnown.ocx"},
        {"with a directory", "C:\\Windows\\LibTestKnown.dll"},
        {"empty", ""},
        {"null", nullptr},
    };
    for (const TCase& c : unknownLibraries) {
        SCOPED_TRACE(c.name);
        SetRuntimeLastError(0);
        EXPECT_EQ(LoadLibraryA(c.library), nullptr);
        EXPECT_EQ(GetRuntimeLastError(), ERROR_MOD_NOT_FOUND);
        EXPECT_EQ(ERROR_MOD_NOT_FOUND, 126u);
    }

    HMODULE module = LoadLibraryA("LibTestKnown");
    ASSERT_NE(module, nullptr);
    const char* unknownNames[] = {"Thrice", "twice", "Twice ", ""};
    for (const char* name : unknownNames) {
        SCOPED_TRACE(name);
        SetRuntimeLastError(0);
        EXPECT_EQ(GetProcAddress(module, name), nullptr);
        EXPECT_EQ(GetRuntimeLastError(), ERROR_PROC_NOT_FOUND);
    }
    EXPECT_EQ(ERROR_PROC_NOT_FOUND, 127u);
    // An ordinal is a small number in the pointer's place; it must not be read as a name.
    SetRuntimeLastError(0);
    EXPECT_EQ(GetProcAddress(module, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(3))), nullptr);
    EXPECT_EQ(GetRuntimeLastError(), ERROR_PROC_NOT_FOUND);
    FreeLibrary(module);
}

TEST(Libraries, FreeLibraryCountsReferences) {
    RegisterLibrary("LibTestCounted", {{"Twice", (void*)&LibTestTwice}});
    EXPECT_EQ(GetModuleHandleA("LibTestCounted"), nullptr); // registered, not loaded

    HMODULE a = LoadLibraryA("LibTestCounted");
    HMODULE b = LoadLibraryA("LibTestCounted.dll");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a, b);
    // Looking the handle up counts nothing.
    EXPECT_EQ(GetModuleHandleA("libtestcounted"), a);

    EXPECT_EQ(FreeLibrary(a), TRUE); // one reference left
    EXPECT_EQ(CallBound(a, "Twice", 4), 8);
    EXPECT_EQ(GetModuleHandleA("LibTestCounted"), a);

    EXPECT_EQ(FreeLibrary(a), TRUE); // unloaded: the handle no longer works
    SetRuntimeLastError(0);
    EXPECT_EQ(GetProcAddress(a, "Twice"), nullptr);
    EXPECT_EQ(GetRuntimeLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(GetModuleHandleA("LibTestCounted"), nullptr);
    SetRuntimeLastError(0);
    EXPECT_EQ(FreeLibrary(a), FALSE);
    EXPECT_EQ(GetRuntimeLastError(), ERROR_MOD_NOT_FOUND);

    // Loading again gives the same handle back.
    EXPECT_EQ(LoadLibraryA("LibTestCounted"), a);
    EXPECT_EQ(FreeLibrary(a), TRUE);

    // Handles nobody handed out are refused.
    EXPECT_EQ(FreeLibrary(nullptr), FALSE);
    EXPECT_EQ(GetProcAddress(nullptr, "Twice"), nullptr);
    EXPECT_EQ(GetRuntimeLastError(), ERROR_MOD_NOT_FOUND);
}

TEST(Libraries, RegisteringAgainReplacesTheFunctionsOfALoadedLibrary) {
    RegisterLibrary("LibTestReplaced", {{"Op", (void*)&LibTestTwice}});
    HMODULE module = LoadLibraryA("LibTestReplaced");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(CallBound(module, "Op", 5), 10);
    RegisterLibrary("libtestreplaced.dll", {{"Op", (void*)&LibTestNegate}});
    EXPECT_EQ(GetModuleHandleA("LibTestReplaced"), module); // still loaded, same handle
    EXPECT_EQ(CallBound(module, "Op", 5), -5);
    FreeLibrary(module);
}

TEST(Libraries, TheProgramsOwnModule) {
    HMODULE self = GetModuleHandleA(nullptr);
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(GetModuleHandleA(nullptr), self);
    SetRuntimeLastError(0);
    EXPECT_EQ(GetProcAddress(self, "Twice"), nullptr);
    EXPECT_EQ(GetRuntimeLastError(), ERROR_PROC_NOT_FOUND);
}
