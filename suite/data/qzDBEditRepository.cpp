#include "suite/data/qzDBEditRepository.h"

#include "platform/runtime/TypInfo.h"

KOV_PUBLISHED(TqzEditRepositoryLookupComboBoxItem) {
    Property("Properties", &TqzEditRepositoryLookupComboBoxItem::GetProperties,
             &TqzEditRepositoryLookupComboBoxItem::SetProperties);
}

namespace {
const bool kLookupComboBoxItemRegistered = [] {
    RegisterClass(TqzEditRepositoryLookupComboBoxItem::StaticClass());
    return true;
}();
} // namespace
