// The repository items of the editors of suite/controls, published and registered for
// streaming beside the others.
#include "platform/classlib/Controls.h"
#include "platform/runtime/TypInfo.h"
#include "suite/data/qzEditRepositoryItems.h"

#define QZ_PUBLISH_REPOSITORY_ITEM(Name) \
    KOV_PUBLISHED(Name) { Property("Properties", &Name::GetProperties, &Name::SetProperties); }

QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryButtonItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryImageItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryCalcItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryDateItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryMemoItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryImageComboBoxItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryBlobItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryTimeItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryMRUItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryHyperLinkItem)
QZ_PUBLISH_REPOSITORY_ITEM(TqzEditRepositoryRadioGroupItem)

void TqzEditRepositoryImageComboBoxItem::Notification(TComponent* component, TOperation operation) {
    TqzEditRepositoryItem::Notification(component, operation);
    if (operation != opRemove || !component || GetComponentState().Contains(csDestroying)) return;
    TqzImageComboBoxProperties* properties = GetProperties();
    if (component == properties->GetImages()) properties->SetImages(nullptr);
    if (component == properties->GetLargeImages()) properties->SetLargeImages(nullptr);
}

namespace {

const bool kEditorRepositoryItemClassesRegistered = [] {
    RegisterClasses({TqzEditRepositoryButtonItem::StaticClass(), TqzEditRepositoryImageItem::StaticClass(),
                     TqzEditRepositoryCalcItem::StaticClass(), TqzEditRepositoryDateItem::StaticClass(),
                     TqzEditRepositoryMemoItem::StaticClass(), TqzEditRepositoryImageComboBoxItem::StaticClass(),
                     TqzEditRepositoryBlobItem::StaticClass(), TqzEditRepositoryTimeItem::StaticClass(),
                     TqzEditRepositoryMRUItem::StaticClass(), TqzEditRepositoryHyperLinkItem::StaticClass(),
                     TqzEditRepositoryRadioGroupItem::StaticClass()});
    return true;
}();

} // namespace
