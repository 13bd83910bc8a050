#include "suite/editors/qzEdit_Services.h"

#include "suite/editors/qzFormats.h"

namespace {

struct TFormatServices {
    bool UsesToolchainFormats = false;
    String StandardDateTimeMask;
};

TFormatServices& Services() {
    static TFormatServices services;
    return services;
}

} // namespace

bool FormatControllerUsesToolchainFormats() { return Services().UsesToolchainFormats; }

void SetFormatControllerUsesToolchainFormats(bool value) { Services().UsesToolchainFormats = value; }

void SetStandardDateTimeEditMask(const String& mask) { Services().StandardDateTimeMask = mask; }

bool IsStandardDateTimeMaskAssigned() { return !Services().StandardDateTimeMask.empty(); }

String GetStandardDateTimeEditMask() {
    if (IsStandardDateTimeMaskAssigned()) return Services().StandardDateTimeMask;
    return GetFormatController()->GetStandardDateTimeMask();
}
