// Typed repository items: one per editor kind, each holding a properties object of that kind
// that several editors can share.
#pragma once

#include "suite/controls/qzCheckBox.h"
#include "suite/controls/qzCurrencyEdit.h"
#include "suite/controls/qzSpinEdit.h"
#include "suite/editors/qzDropDownEdit.h"
#include "suite/editors/qzEdit.h"
#include "suite/editors/qzMaskEdit.h"
#include "suite/editors/qzTextEdit.h"

// A repository item whose properties are of class P: Properties reads the item's properties as
// P and writing assigns the given properties into the item's own.
#define QZ_DECLARE_REPOSITORY_ITEM(Name, P)                                                                   \
    class Name : public TqzEditRepositoryItem {                                                               \
        KOV_CLASS(Name, TqzEditRepositoryItem)                                                                \
    public:                                                                                                   \
        using TqzEditRepositoryItem::TqzEditRepositoryItem;                                                   \
        TClass GetPropertiesClass() const override { return P::StaticClass(); }                              \
        P* GetProperties() { return static_cast<P*>(TqzEditRepositoryItem::GetProperties()); }               \
        void SetProperties(P* value) { TqzEditRepositoryItem::SetProperties(value); }                        \
    }

QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryTextItem, TqzTextEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryComboBoxItem, TqzComboBoxProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryMaskItem, TqzMaskEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryPopupItem, TqzPopupEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryCurrencyItem, TqzCurrencyEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositorySpinItem, TqzSpinEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryCheckBoxItem, TqzCheckBoxProperties);
