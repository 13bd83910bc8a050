#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "platform/runtime/Registry.h"
#include "tests/support/TestSupport.h"

namespace {

// Points the registry file into a private directory: $XDG_CONFIG_HOME/kov571/registry.ini.
class RegistryTest : public ::testing::Test {
protected:
    testsupport::TempDir Dir;
    testsupport::ScopedEnv Home{"HOME", Dir.Path().c_str()};
    testsupport::ScopedEnv ConfigHome{"XDG_CONFIG_HOME", (Dir.Path() + "/config").c_str()};

    std::string StoreFile() const { return Dir.Path() + "/config/kov571/registry.ini"; }
};

template <class F> String RegistryErrorOf(F&& action) {
    try {
        action();
    } catch (const ERegistryException& e) {
        return e.Message;
    }
    return "(nothing raised)";
}

} // namespace

TEST_F(RegistryTest, ValuesRoundTripThroughTheFileToANewInstance) {
    struct TCase {
        const char* name;
        String valueName;
        String text;
    };
    const std::vector<TCase> texts = {
        {"plain", "Name", "Report 1"},
        {"empty", "Empty", ""},
        {"default value", "", "the key's own value"},
        {"quotes and backslashes", "Path \"quoted\"", "C:\\dir\\\"file\".txt"},
        {"line breaks and tabs", "Multi", "line 1\r\nline 2\tend\n"},
        {"separator characters", "a=b ]; [c]", "=str:\"x\""},
        {"Chinese", "频道", "信道名称"},
        {"control bytes", "ctl",
         String("a\x01\x7f"
                "b",
                4)},
    };
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\KovTest\\Values", true));
        for (const TCase& c : texts)
            reg.WriteString(c.valueName, c.text);
        reg.WriteInteger("Count", -123456);
        reg.WriteInteger("Max", 2147483647);
        reg.WriteBool("Enabled", true);
        reg.WriteBool("Hidden", false);
    }
    ASSERT_TRUE(
        testsupport::ReadFileBytes(StoreFile()).find("[HKEY_CURRENT_USER\\Software\\KovTest\\Values]") !=
        std::string::npos);

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\KovTest\\Values", false));
    for (const TCase& c : texts) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(reg.ValueExists(c.valueName));
        EXPECT_EQ(reg.ReadString(c.valueName), c.text);
    }
    EXPECT_EQ(reg.ReadInteger("Count"), -123456);
    EXPECT_EQ(reg.ReadInteger("Max"), 2147483647);
    EXPECT_TRUE(reg.ReadBool("Enabled"));
    EXPECT_FALSE(reg.ReadBool("Hidden"));
    EXPECT_EQ(reg.ReadInteger("Enabled"), 1);

    // Overwriting keeps one value (with the name as first written) and may change its type.
    reg.WriteInteger("NAME", 7);
    EXPECT_EQ(reg.ReadInteger("name"), 7);
    std::vector<String> names = reg.GetValueNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), String("Name")), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), String("NAME")), 0);
}

TEST_F(RegistryTest, TheFileLivesUnderTheUsersConfigurationDirectory) {
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\KovTest", true));
        reg.WriteString("Where", "xdg");
    }
    EXPECT_EQ(RegistryFileName(), StoreFile());
    EXPECT_TRUE(testsupport::ReadFileBytes(StoreFile()).find("xdg") != std::string::npos);

    // Without XDG_CONFIG_HOME (or with a relative one, which does not count): ~/.config.
    const char* unset[] = {nullptr, "relative/config"};
    for (const char* value : unset) {
        SCOPED_TRACE(value == nullptr ? "unset" : value);
        testsupport::ScopedEnv configHome("XDG_CONFIG_HOME", value);
        EXPECT_EQ(RegistryFileName(), Dir.Path() + "/.config/kov571/registry.ini");
        TRegistry reg;
        EXPECT_FALSE(reg.KeyExists("\\Software\\KovTest")); // another file
    }
}

TEST_F(RegistryTest, MissingKeysAndValues) {
    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists("\\Software\\KovTest\\Missing"));
    EXPECT_FALSE(reg.OpenKey("\\Software\\KovTest\\Missing", false));
    EXPECT_FALSE(reg.OpenKeyReadOnly("\\Software\\KovTest\\Missing"));
    EXPECT_FALSE(reg.KeyExists("\\Software\\KovTest\\Missing")); // trying did not create it

    // No key open: reads find nothing, writes fail.
    EXPECT_EQ(reg.ReadString("Name"), "");
    EXPECT_FALSE(reg.ValueExists("Name"));
    EXPECT_TRUE(reg.GetKeyNames().empty());
    EXPECT_EQ(RegistryErrorOf([&] { reg.ReadInteger("Units"); }), "Failed to get data for 'Units'");
    EXPECT_EQ(RegistryErrorOf([&] { reg.WriteString("Name", "x"); }), "Failed to set data for 'Name'");

    ASSERT_TRUE(reg.OpenKey("\\Software\\KovTest", true));
    reg.WriteString("Text", "12");
    reg.WriteInteger("Number", 12);
    struct TCase {
        const char* name;
        std::function<void()> read;
        String message;
    };
    const std::vector<TCase> cases = {
        {"integer of a missing value", [&] { reg.ReadInteger("Units"); }, "Failed to get data for 'Units'"},
        {"bool of a missing value", [&] { reg.ReadBool("Flag"); }, "Failed to get data for 'Flag'"},
        {"integer of a string", [&] { reg.ReadInteger("Text"); }, "Invalid data type for 'Text'"},
        {"bool of a string", [&] { reg.ReadBool("Text"); }, "Invalid data type for 'Text'"},
        {"string of an integer", [&] { reg.ReadString("Number"); }, "Invalid data type for 'Number'"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RegistryErrorOf(c.read), c.message);
    }
    EXPECT_EQ(reg.ReadString("Missing"), "");
    EXPECT_FALSE(reg.ValueExists("Missing"));
    EXPECT_FALSE(reg.DeleteValue("Missing"));

    // A key deleted while open: its values are gone and writing fails.
    TRegistry other;
    EXPECT_TRUE(other.DeleteKey("\\Software\\KovTest"));
    EXPECT_FALSE(reg.ValueExists("Text"));
    EXPECT_EQ(RegistryErrorOf([&] { reg.WriteString("Text", "x"); }), "Failed to set data for 'Text'");
    EXPECT_FALSE(other.KeyExists("\\Software\\KovTest"));
}

TEST_F(RegistryTest, KeyEnumerationAndDeletion) {
    TRegistry reg;
    for (const char* name : {"Zeta", "alpha", "Beta", "alpha\\Deeper"})
        ASSERT_TRUE(reg.OpenKey(String("\\Software\\KovTest\\") + name, true));
    ASSERT_TRUE(reg.OpenKey("\\Software\\KovTest", false));
    reg.WriteString("Second", "2");
    reg.WriteString("First", "1");
    reg.WriteInteger("Third", 3);

    EXPECT_EQ(reg.GetKeyNames(), (std::vector<String>{"alpha", "Beta", "Zeta"}));      // sorted, case ignored
    EXPECT_EQ(reg.GetValueNames(), (std::vector<String>{"Second", "First", "Third"})); // as created
    EXPECT_TRUE(reg.KeyExists("ALPHA\\deeper")); // relative to the open key, case ignored
    EXPECT_TRUE(reg.KeyExists("\\SOFTWARE\\kovtest\\Beta"));

    EXPECT_TRUE(reg.DeleteValue("first"));
    EXPECT_EQ(reg.GetValueNames(), (std::vector<String>{"Second", "Third"}));

    // A key goes with everything below it.
    EXPECT_TRUE(reg.DeleteKey("Alpha"));
    EXPECT_FALSE(reg.KeyExists("alpha\\Deeper"));
    EXPECT_FALSE(reg.DeleteKey("Alpha"));
    EXPECT_EQ(reg.GetKeyNames(), (std::vector<String>{"Beta", "Zeta"}));

    // A new instance sees the same tree.
    TRegistry again;
    ASSERT_TRUE(again.OpenKeyReadOnly("\\Software\\KovTest"));
    EXPECT_EQ(again.GetKeyNames(), (std::vector<String>{"Beta", "Zeta"}));
    EXPECT_EQ(again.GetValueNames(), (std::vector<String>{"Second", "Third"}));

    // The root cannot be deleted; keys below it can.
    EXPECT_FALSE(again.DeleteKey("\\"));
    EXPECT_TRUE(again.DeleteKey("\\Software"));
    EXPECT_FALSE(again.KeyExists("\\Software\\KovTest\\Beta"));
}

TEST_F(RegistryTest, PathsRelativeAbsoluteAndInvalid) {
    TRegistry reg;
    EXPECT_EQ(reg.GetRootKey(), HKEY_CURRENT_USER);
    // Relative with no key open starts at the root.
    ASSERT_TRUE(reg.OpenKey("Software\\KovTest", true));
    EXPECT_EQ(reg.GetCurrentPath(), "Software\\KovTest");
    ASSERT_TRUE(reg.OpenKey("Sub\\Leaf\\", true)); // one trailing backslash is allowed
    EXPECT_EQ(reg.GetCurrentPath(), "Software\\KovTest\\Sub\\Leaf");
    ASSERT_TRUE(reg.OpenKey("\\Software", false));
    EXPECT_EQ(reg.GetCurrentPath(), "Software");

    const char* invalid[] = {"A\\\\B", "\\\\\\", "Bad\x01Name", "A\\\nB"};
    for (const char* path : invalid) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(reg.OpenKey(path, true));
        EXPECT_EQ(reg.GetCurrentPath(), "Software"); // a failed open keeps the open key
        EXPECT_FALSE(reg.KeyExists(path));
    }
    ASSERT_TRUE(reg.OpenKey("", false)); // the open key itself
    EXPECT_EQ(reg.GetCurrentPath(), "Software");

    reg.CloseKey();
    EXPECT_EQ(reg.GetCurrentPath(), "");
    EXPECT_TRUE(reg.KeyExists("Software\\KovTest\\Sub\\Leaf"));
}

TEST_F(RegistryTest, ReadOnlyKeysRefuseChanges) {
    {
        TRegistry writer;
        ASSERT_TRUE(writer.OpenKey("\\Software\\KovTest", true));
        writer.WriteString("Kept", "yes");
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\KovTest"));
    EXPECT_EQ(reg.ReadString("Kept"), "yes");
    EXPECT_EQ(RegistryErrorOf([&] { reg.WriteString("Kept", "no"); }), "Failed to set data for 'Kept'");
    EXPECT_EQ(RegistryErrorOf([&] { reg.WriteInteger("N", 1); }), "Failed to set data for 'N'");
    EXPECT_FALSE(reg.DeleteValue("Kept"));
    EXPECT_FALSE(reg.OpenKey("NewChild", true));
    EXPECT_FALSE(reg.KeyExists("NewChild"));
    EXPECT_EQ(reg.ReadString("Kept"), "yes");

    // Opening for writing again lifts it.
    ASSERT_TRUE(reg.OpenKey("\\Software\\KovTest", false));
    reg.WriteString("Kept", "no");
    EXPECT_EQ(reg.ReadString("Kept"), "no");
}

TEST_F(RegistryTest, RootsAreSeparateTrees) {
    TRegistry user;
    ASSERT_TRUE(user.OpenKey("\\Software\\Orvant\\Connections", true));
    user.WriteString("Main", "user");

    TRegistry machine;
    machine.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(machine.GetRootKey(), HKEY_LOCAL_MACHINE);
    // The report engine's lookup: open without creating, read, nothing when missing.
    EXPECT_FALSE(machine.OpenKey("\\Software\\Orvant\\Connections", false));
    ASSERT_TRUE(machine.OpenKey("\\Software\\Orvant\\Connections", true));
    EXPECT_EQ(machine.ReadString("Main"), "");
    machine.WriteString("Main", "machine");
    EXPECT_EQ(machine.ReadString("Main"), "machine");
    EXPECT_EQ(user.ReadString("Main"), "user");

    // Changing the root closes the open key.
    machine.SetRootKey(HKEY_CURRENT_USER);
    EXPECT_EQ(machine.GetCurrentPath(), "");
    EXPECT_FALSE(machine.ValueExists("Main"));
    ASSERT_TRUE(machine.OpenKey("\\Software\\Orvant\\Connections", false));
    EXPECT_EQ(machine.ReadString("Main"), "user");
}

TEST_F(RegistryTest, AFileThatCannotBeWrittenFailsLoudly) {
    // The configuration directory's kov571 is a plain file: nothing can be created below it.
    ASSERT_EQ(mkdir((Dir.Path() + "/config").c_str(), 0700), 0);
    testsupport::WriteFileBytes(Dir.Path() + "/config/kov571", "not a directory");
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("\\Software\\KovTest", true));
    EXPECT_EQ(reg.GetCurrentPath(), "");
    ASSERT_TRUE(reg.OpenKey("\\", false)); // a root always exists
    EXPECT_EQ(RegistryErrorOf([&] { reg.WriteString("Name", "x"); }), "Failed to set data for 'Name'");
    EXPECT_FALSE(reg.ValueExists("Name"));
    TRegIniFile ini("\\Software\\Orvant");
    EXPECT_EQ(RegistryErrorOf([&] { ini.WriteInteger("Form.TpvrDesignerForm", "Units", 1); }),
              "Failed to set data for 'Units'");
    EXPECT_EQ(ini.ReadInteger("Form.TpvrDesignerForm", "Units", 0), 0);
}

TEST_F(RegistryTest, DamagedLinesAreSkipped) {
    ASSERT_EQ(mkdir((Dir.Path() + "/config").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((Dir.Path() + "/config/kov571").c_str(), 0700), 0);
    testsupport::WriteFileBytes(StoreFile(), "; comment\r\n"
                                             "\"Orphan\"=str:\"before any key\"\r\n"
                                             "[HKEY_CURRENT_USER\\Software\\KovTest\\Hand]\r\n"
                                             "\"Good\"=str:\"yes\"\r\n"
                                             "\"Good\"=str:\"second of the same name\"\r\n"
                                             "\"Number\"=int:42\r\n"
                                             "\"TooBig\"=int:99999999999\r\n"
                                             "\"Open\"=str:\"no end\r\n"
                                             "garbage line\r\n"
                                             "\"Kind\"=blob:00\r\n"
                                             "[broken\r\n");
    TRegistry reg;
    // The key above a listed key exists too.
    EXPECT_TRUE(reg.KeyExists("\\Software\\KovTest"));
    ASSERT_TRUE(reg.OpenKey("\\Software\\KovTest\\Hand", false));
    EXPECT_EQ(reg.GetValueNames(), (std::vector<String>{"Good", "Number"}));
    EXPECT_EQ(reg.ReadString("Good"), "yes");
    EXPECT_EQ(reg.ReadInteger("Number"), 42);
    // A change rewrites the file in its own form, and it still reads the same.
    reg.WriteString("Added", "z");
    TRegistry again;
    ASSERT_TRUE(again.OpenKey("\\Software\\KovTest\\Hand", false));
    EXPECT_EQ(again.GetValueNames(), (std::vector<String>{"Good", "Number", "Added"}));
    EXPECT_EQ(again.ReadInteger("Number"), 42);
}

TEST_F(RegistryTest, WritesFromSeveralThreadsAreAllKept) {
    constexpr int PerThread = 25;
    auto writer = [](const String& prefix) {
        TRegistry reg;
        if (!reg.OpenKey("\\Software\\KovTest\\Threads", true)) return;
        for (int i = 0; i < PerThread; ++i)
            reg.WriteInteger(prefix + std::to_string(i), i);
    };
    std::thread a(writer, "a"), b(writer, "b");
    a.join();
    b.join();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\KovTest\\Threads", false));
    EXPECT_EQ(reg.GetValueNames().size(), 2u * PerThread);
    EXPECT_EQ(reg.ReadInteger("a24"), 24);
    EXPECT_EQ(reg.ReadInteger("b0"), 0);
}

TEST_F(RegistryTest, RegIniFileKeepsSectionsAsKeysBelowItsFileKey) {
    {
        TRegIniFile ini("\\Software\\Orvant");
        EXPECT_EQ(ini.GetFileName(), "\\Software\\Orvant");
        EXPECT_EQ(ini.GetCurrentPath(), "Software\\Orvant"); // created at once
        // The page-settings window's read before anything was stored.
        EXPECT_EQ(ini.ReadInteger("Form.TpvrDesignerForm", "Units", 0), 0);
        EXPECT_TRUE(ini.ReadSections().empty()); // reading created nothing
        ini.WriteInteger("Form.TpvrDesignerForm", "Units", 2);
        ini.WriteString("Form.TpvrDesignerForm", "Title", "Page setup");
        ini.WriteBool("Preview", "Maximized", true);
        ini.WriteString("", "Top", "at the file key");
    }
    TRegIniFile ini("\\Software\\Orvant");
    EXPECT_EQ(ini.ReadInteger("Form.TpvrDesignerForm", "Units", 0), 2);
    EXPECT_EQ(ini.ReadString("form.tpvrdesignerform", "TITLE", "none"), "Page setup");
    EXPECT_TRUE(ini.ReadBool("Preview", "Maximized", false));
    EXPECT_EQ(ini.ReadString("", "Top", ""), "at the file key");
    EXPECT_EQ(ini.ReadSections(), (std::vector<String>{"Form.TpvrDesignerForm", "Preview"}));
    EXPECT_EQ(ini.ReadSection("Form.TpvrDesignerForm"), (std::vector<String>{"Units", "Title"}));
    EXPECT_EQ(ini.ReadSectionValues("Form.TpvrDesignerForm"),
              (std::vector<String>{"Units=2", "Title=Page setup"}));
    EXPECT_TRUE(ini.ReadSection("Missing").empty());

    // Entries are stored as strings: the registry sees text.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Orvant\\Preview", false));
    EXPECT_EQ(reg.ReadString("Maximized"), "1");
    // Integers written through the registry read through the settings object too.
    reg.WriteInteger("Left", -15);
    reg.WriteString("Junk", "abc");

    struct TCase {
        const char* name;
        Integer expected;
    };
    const std::vector<TCase> integers = {{"Left", -15}, {"Maximized", 1}, {"Junk", 99}, {"Missing", 99}};
    for (const TCase& c : integers) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ini.ReadInteger("Preview", c.name, 99), c.expected);
    }
    EXPECT_EQ(ini.ReadString("Preview", "Left", ""), "-15");
    EXPECT_EQ(ini.ReadString("Nowhere", "Left", "default"), "default");
    EXPECT_TRUE(ini.ReadBool("Preview", "Missing", true));
    EXPECT_FALSE(ini.ReadBool("Preview", "Missing", false));

    ini.DeleteKey("Preview", "Junk");
    ini.DeleteKey("Preview", "Missing"); // nothing to do
    EXPECT_EQ(ini.ReadSection("Preview"), (std::vector<String>{"Maximized", "Left"}));
    ini.EraseSection("Form.TpvrDesignerForm");
    ini.EraseSection("Missing");
    EXPECT_EQ(ini.ReadSections(), (std::vector<String>{"Preview"}));
    EXPECT_EQ(ini.ReadInteger("Form.TpvrDesignerForm", "Units", 0), 0);
}
