#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/Controls.h"
#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Graphics.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Strings.h"
#include "tests/support/FormFixture.h"

TEST(GraphicsCharsets, NamesAndNumbers) {
    struct Case {
        Integer Value;
        const char* Name;
    };
    for (const Case& c : std::vector<Case>{{0, "ANSI_CHARSET"},
                                           {1, "DEFAULT_CHARSET"},
                                           {134, "GB2312_CHARSET"},
                                           {136, "CHINESEBIG5_CHARSET"},
                                           {255, "OEM_CHARSET"}}) {
        String ident;
        ASSERT_TRUE(CharsetToIdent(c.Value, ident)) << c.Name;
        EXPECT_EQ(ident, c.Name);
        Integer value = -1;
        ASSERT_TRUE(IdentToCharset(LowerCase(c.Name), value)) << c.Name;
        EXPECT_EQ(value, c.Value);
    }
    String ident;
    EXPECT_FALSE(CharsetToIdent(3, ident));
    Integer value = 0;
    EXPECT_FALSE(IdentToCharset("LATIN_CHARSET", value));

    std::vector<String> names;
    GetCharsetValues([&](const String& name) { names.push_back(name); });
    ASSERT_EQ(names.size(), 19u);
    EXPECT_EQ(names.front(), "ANSI_CHARSET");
    EXPECT_EQ(names.back(), "OEM_CHARSET");

    std::vector<String> cursors;
    GetCursorValues([&](const String& name) { cursors.push_back(name); });
    ASSERT_FALSE(cursors.empty());
    EXPECT_EQ(cursors.front(), "crDefault");
    EXPECT_EQ(cursors.back(), "crSizeAll");
}

using GraphicsCharsetsDefinition = testsupport::TFormFixture;

TEST_F(GraphicsCharsetsDefinition, FontCharsetIsReadAndWrittenByName) {
    std::unique_ptr<TForm> form(TForm::CreateNew(nullptr));
    ReadComponentText("object F: TForm\n  Font.Charset = GB2312_CHARSET\nend\n", form.get());
    EXPECT_EQ(form->GetFont()->GetCharset(), GB2312_CHARSET);
    const String text = WriteComponentText(form.get());
    EXPECT_NE(text.find("Font.Charset = GB2312_CHARSET"), String::npos);
    form->GetFont()->SetCharset(3); // no name: stored as its number
    EXPECT_NE(WriteComponentText(form.get()).find("Font.Charset = 3"), String::npos);
}
