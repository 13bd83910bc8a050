#include <gtest/gtest.h>

#include <algorithm>

#include "platform/runtime/Resources.h"

// test_runtime is built with the files of tests/fixtures/resources compiled in
// (TestResources.cmake there): KOV_TEST_BYTES, KOV_TEST_EMPTY and 4001 of type RT_RCDATA, and
// Kov_Test_Grammar of type GRAMMAR.

namespace {

// The bytes of allbytes.bin: every value up, every value down, then a tail of the characters
// a generated source must escape.
String FixtureBytes() {
    String bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    for (int i = 255; i >= 0; --i)
        bytes += static_cast<char>(i);
    bytes += String("\r\n\0\x1a;\"\\", 7);
    return bytes;
}

const String kGrammar = "program = \"begin\" statements \"end\" ;\n# 注释：中文\n";

// The bytes from the stream's position to its end.
String StreamBytes(TStream& stream) {
    String bytes(static_cast<size_t>(stream.GetSize() - stream.GetPosition()), '\0');
    stream.ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    return bytes;
}

String NotFoundMessage(const TResourceId& name, const TResourceId& type) {
    try {
        TResourceStream stream(HInstance, name, type);
    } catch (const EResNotFound& e) {
        return e.Message;
    }
    return String();
}

} // namespace

TEST(ResourcesCompiled, FoundByNameWithBytesIntact) {
    struct Case {
        const char* What;
        TResourceId Name;
        TResourceId Type;
        String Expected;
    };
    const std::vector<Case> cases = {
        {"as registered", "KOV_TEST_BYTES", RT_RCDATA, FixtureBytes()},
        {"name in another case", "kov_test_Bytes", RT_RCDATA, FixtureBytes()},
        {"type as text", "KOV_TEST_BYTES", "rt_rcdata", FixtureBytes()},
        {"type as #number", "KOV_TEST_BYTES", "#10", FixtureBytes()},
        {"type as number", "KOV_TEST_BYTES", 10, FixtureBytes()},
        {"named type", "KOV_TEST_GRAMMAR", "grammar", kGrammar},
        {"numbered name", 4001, RT_RCDATA, "NUM"},
        {"numbered name as text", String("#4001"), RT_RCDATA, "NUM"},
        {"empty file", "Kov_Test_Empty", RT_RCDATA, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TResourceStream stream(HInstance, c.Name, c.Type);
        EXPECT_EQ(stream.GetSize(), static_cast<Int64>(c.Expected.size()));
        EXPECT_EQ(StreamBytes(stream), c.Expected);

        HRSRC resource = FindResource(0, c.Name, c.Type);
        ASSERT_NE(resource, nullptr);
        ASSERT_EQ(SizeofResource(0, resource), c.Expected.size());
        const void* data = LockResource(LoadResource(0, resource));
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(String(static_cast<const char*>(data), c.Expected.size()), c.Expected);
        EXPECT_EQ(data, stream.GetMemory());
    }
}

TEST(ResourcesCompiled, MissingResourcesAndReadOnlyStream) {
    struct Case {
        const char* What;
        TResourceId Name;
        TResourceId Type;
        String Message;
    };
    const std::vector<Case> cases = {
        {"unknown name", "NO_SUCH_THING", RT_RCDATA, "Resource NO_SUCH_THING not found"},
        {"right name, wrong type", "KOV_TEST_BYTES", RT_BITMAP, "Resource KOV_TEST_BYTES not found"},
        {"unknown number", 4002, RT_RCDATA, "Resource 4002 not found"},
        {"type spelled apart", "KOV_TEST_GRAMMAR", "GRAMMAR2", "Resource KOV_TEST_GRAMMAR not found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(NotFoundMessage(c.Name, c.Type), c.Message);
        EXPECT_EQ(FindResource(HInstance, c.Name, c.Type), nullptr);
    }
    EXPECT_EQ(LoadResource(0, nullptr), nullptr);
    EXPECT_EQ(SizeofResource(0, nullptr), 0u);

    TResourceStream stream(HInstance, "KOV_TEST_BYTES", RT_RCDATA);
    stream.SetPosition(5);
    try {
        stream.Write("x", 1);
        ADD_FAILURE() << "a resource stream took a write";
    } catch (const EStreamError& e) {
        EXPECT_EQ(e.Message, "Can't write to a read-only resource stream");
    }
    EXPECT_EQ(StreamBytes(stream), FixtureBytes().substr(5));
}

TEST(ResourcesRegistry, RegisterFindAndEnumerate) {
    static const char first[] = "first";
    static const char second[] = "second";
    static const char other[] = "other";
    EXPECT_TRUE(RegisterResource("Kov_Registry_Test", "KOVREGTYPE", first, 5));
    // The same name and type in any spelling keeps the first registration.
    EXPECT_FALSE(RegisterResource("KOV_REGISTRY_TEST", "kovregtype", second, 6));
    EXPECT_TRUE(RegisterResource("KOV_REGISTRY_OTHER", "KovRegType", other, 5));
    EXPECT_TRUE(RegisterResource("Kov_Registry_Test", RT_RCDATA, second, 6));

    TResourceStream stream(HInstance, "kov_registry_test", "KOVREGTYPE");
    EXPECT_EQ(StreamBytes(stream), "first");

    std::vector<TResourceInfo> ofType = EnumResources("kovregtype");
    ASSERT_EQ(ofType.size(), 2u);
    EXPECT_EQ(ofType[0].Name, "KOV_REGISTRY_OTHER");
    EXPECT_EQ(ofType[1].Name, "Kov_Registry_Test");
    EXPECT_EQ(ofType[1].Type, "KOVREGTYPE");
    EXPECT_EQ(ofType[1].Data, first);
    EXPECT_EQ(ofType[1].Size, 5u);

    // The whole table holds the compiled-in resources too, numbered types in "#n" form.
    std::vector<TResourceInfo> all = EnumResources();
    auto has = [&](const String& name, const String& type) {
        return std::any_of(all.begin(), all.end(),
                           [&](const TResourceInfo& r) { return r.Name == name && r.Type == type; });
    };
    EXPECT_TRUE(has("KOV_TEST_BYTES", "#10"));
    EXPECT_TRUE(has("#4001", "#10"));
    EXPECT_TRUE(has("Kov_Test_Grammar", "GRAMMAR"));
    EXPECT_TRUE(has("Kov_Registry_Test", "#10"));
}

TEST(ResourcesRegistry, ResourceIds) {
    struct Case {
        const char* What;
        TResourceId Id;
        bool IsNumber;
        Word Number;
        String Text;
        String Display;
    };
    const std::vector<Case> cases = {
        {"text", "Pic", false, 0, "Pic", "Pic"},
        {"made number", MAKEINTRESOURCE(32759), true, 32759, "#32759", "32759"},
        {"number", 2, true, 2, "#2", "2"},
        {"#text with zeros", String("#007"), true, 7, "#7", "7"},
        {"#text too large", String("#65536"), false, 0, "#65536", "#65536"},
        {"#text not a number", String("#12a"), false, 0, "#12a", "#12a"},
        {"standard type text", "Rt_Bitmap", true, 2, "#2", "2"},
        {"standard type", RT_GROUP_ICON, true, 14, "#14", "14"},
        {"bare digits stay text", "100", false, 0, "100", "100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(c.Id.IsNumber(), c.IsNumber);
        EXPECT_EQ(c.Id.Number(), c.Number);
        EXPECT_EQ(c.Id.Text(), c.Text);
        EXPECT_EQ(c.Id.DisplayText(), c.Display);
    }
    EXPECT_EQ(TResourceId("pic").Key(), TResourceId("PIC").Key());
    EXPECT_NE(TResourceId("100").Key(), TResourceId(100).Key());
}
