// The clipboard functions over the system clipboard that Qt gives: what the program copies
// another program can paste, and the other way round.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <cstring>
#include <string>

#include "platform/backend/Backend.h"
#include "platform/backend/BackendClipboard.h"
#include "platform/winapi/Clipboard.h"

namespace {

class BackendClipboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        BackendInstall(true);
        BackendInstallClipboard();
    }
    void TearDown() override { BackendUninstallClipboard(); }

    static std::string ReadText(UINT format) {
        std::string text;
        if (!OpenClipboard(nullptr)) return "<not opened>";
        if (HANDLE block = GetClipboardData(format)) {
            const char* p = static_cast<const char*>(GlobalLock(block));
            text.assign(p, std::strlen(p));
            GlobalUnlock(block);
        }
        CloseClipboard();
        return text;
    }
};

TEST_F(BackendClipboardTest, TextTravelsBothWays) {
    // Copied by the program: another program sees it.
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    const std::string copied = "信道 16 462.01250";
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, copied.size() + 1);
    std::memcpy(GlobalLock(block), copied.c_str(), copied.size() + 1);
    GlobalUnlock(block);
    ASSERT_NE(SetClipboardData(CF_TEXT, block), nullptr);
    ASSERT_TRUE(CloseClipboard());
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), copied);

    // Copied by another program: the program reads it, in both text formats.
    QGuiApplication::clipboard()->setText(QStringLiteral("Tone D023N"));
    EXPECT_EQ(ReadText(CF_TEXT), "Tone D023N");
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    CloseClipboard();
}

TEST_F(BackendClipboardTest, ImagesAndNamedFormatsRoundTrip) {
    TClipboardStore* store = SetClipboardStore(nullptr);  // the Qt store, taken back just below
    SetClipboardStore(store);
    ASSERT_NE(store, nullptr);

    TClipboardContents contents;
    contents.HasImage = true;
    contents.ImageWidth = 2;
    contents.ImageHeight = 2;
    contents.ImagePixels = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456};
    contents.Blocks.emplace_back("KOV Channels", std::string("\x01\x00\xFF", 3));
    store->Write(contents);

    const QImage shown = QGuiApplication::clipboard()->image();
    ASSERT_EQ(shown.size(), QSize(2, 2));
    EXPECT_EQ(shown.pixel(1, 1) & 0xFFFFFFu, 0x123456u);

    const TClipboardContents back = store->Read();
    ASSERT_TRUE(back.HasImage);
    EXPECT_EQ(back.ImagePixels, contents.ImagePixels);
    ASSERT_EQ(back.Blocks.size(), 1u);
    EXPECT_EQ(back.Blocks[0], contents.Blocks[0]);
}

TEST_F(BackendClipboardTest, AnotherProgramsChangeMovesTheSequence) {
    TClipboardStore* store = SetClipboardStore(nullptr);
    SetClipboardStore(store);
    const auto before = store->Sequence();
    QGuiApplication::clipboard()->setText(QStringLiteral("changed elsewhere"));
    EXPECT_NE(store->Sequence(), before);
}

}  // namespace
