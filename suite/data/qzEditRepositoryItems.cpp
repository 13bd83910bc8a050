#include "suite/data/qzEditRepositoryItems.h"

#include "platform/classlib/Controls.h"
#include "platform/runtime/TypInfo.h"

#define QZ_PUBLISH_REPOSITORY_ITEM(Name) \
    KOV_PUBLISHED(Name) { Property("Properties", &Name::GetProperties, &Name::SetProperties); }

QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryTextItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryComboBoxItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryMaskItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryPopupItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryCurrencyItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositorySpinItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryCheckBoxItem)

namespace {

// The items are made by class name from stored definitions; a designer lists them beside the
// controls.
const bool kRepositoryItemClassesRegistered = [] {
    RegisterClasses({TqzEditRepositoryItem::StaticClass(), TqzEditRepositoryTextItem::StaticClass(),
                     TqzEditRepositoryComboBoxItem::StaticClass(), TqzEditRepositoryMaskItem::StaticClass(),
                     TqzEditRepositoryPopupItem::StaticClass(), TqzEditRepositoryCurrencyItem::StaticClass(),
                     TqzEditRepositorySpinItem::StaticClass(), TqzEditRepositoryCheckBoxItem::StaticClass()});
    GroupDescendentsWith(TqzEditRepositoryItem::StaticClass(), TControl::StaticClass());
    GroupDescendentsWith(TqzEditRepository::StaticClass(), TControl::StaticClass());
    return true;
}();

} // namespace
