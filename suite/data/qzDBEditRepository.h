// The repository item of the lookup combo box.
#pragma once

#include "suite/data/qzDBLookupComboBox.h"
#include "suite/data/qzEditRepositoryItems.h"

QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryLookupComboBoxItem, TqzLookupComboBoxProperties);
