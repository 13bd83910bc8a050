// Format settings set for a test with the format controller rebuilt from them; afterwards the
// settings are put back and the controller is rebuilt from them again, so no later test meets
// masks or a first weekday made for other settings.
#pragma once

#include "platform/runtime/FormatSettings.h"
#include "suite/editors/qzFormats.h"

namespace testsupport {

class ScopedControllerSettings {
public:
    explicit ScopedControllerSettings(const TFormatSettings& settings) : FOld(FormatSettings) {
        FormatSettings = settings;
        GetFormatController()->ApplyFormatSettings();
    }
    ~ScopedControllerSettings() {
        FormatSettings = FOld;
        GetFormatController()->ApplyFormatSettings();
    }
    ScopedControllerSettings(const ScopedControllerSettings&) = delete;
    ScopedControllerSettings& operator=(const ScopedControllerSettings&) = delete;

private:
    TFormatSettings FOld;
};

} // namespace testsupport
