// What the editors' picture sheets share: a form on the recording fake theme (so the native look
// can be drawn) with a point decimal separator, and the five looks a sheet shows in its columns.
#pragma once

#include <optional>

#include "platform/classlib/Forms.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"
#include "suite/foundation/qzLookAndFeels.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace edittest {

class EditorPicturesFixture : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        ThemeManagerInitialize();
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
        Form->SetBounds(0, 0, 700, 500);
    }
    void TearDown() override {
        testsupport::TFormFixture::TearDown();
        ThemeManagerFinalize();
        Fake.reset();
        UxThemeInitialize();
    }
    testsupport::ScopedFormatSettings FSettings{testsupport::DotSettings()};
    std::optional<TThemeFake> Fake;
};

struct SheetLook {
    TqzLookAndFeelKind Kind;
    bool Native;
};
// Flat, standard, ultra-flat, Office11, then native (through the fake theme).
inline constexpr SheetLook kSheetLooks[] = {
    {lfFlat, false}, {lfStandard, false}, {lfUltraFlat, false}, {lfOffice11, false}, {lfStandard, true}};

} // namespace edittest
