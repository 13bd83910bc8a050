#include "platform/runtime/FormatSettings.h"

#include <map>
#include <mutex>

TFormatSettings FormatSettings;

TFormatSettings DefaultFormatSettings() { return TFormatSettings{}; }

TFormatSettings FormatSettingsFromLocale(const char* localeName) {
    // Filled in from nl_langinfo_l by the locale reader.
    (void)localeName;
    return DefaultFormatSettings();
}

void InitFormatSettingsFromLocale() { FormatSettings = FormatSettingsFromLocale(""); }

namespace {
std::mutex gHandlersLock;
std::map<int, TFormatSettingsChangeHandler>& Handlers() {
    static std::map<int, TFormatSettingsChangeHandler> handlers;
    return handlers;
}
int gNextCookie = 1;
}  // namespace

int AddFormatSettingsChangeHandler(TFormatSettingsChangeHandler handler) {
    std::lock_guard<std::mutex> guard(gHandlersLock);
    int cookie = gNextCookie++;
    Handlers()[cookie] = std::move(handler);
    return cookie;
}

void RemoveFormatSettingsChangeHandler(int cookie) {
    std::lock_guard<std::mutex> guard(gHandlersLock);
    Handlers().erase(cookie);
}

void NotifyFormatSettingsChanged() {
    std::map<int, TFormatSettingsChangeHandler> copy;
    {
        std::lock_guard<std::mutex> guard(gHandlersLock);
        copy = Handlers();
    }
    for (auto& [cookie, handler] : copy)
        if (handler) handler();
}
