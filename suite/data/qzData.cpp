#include "suite/data/qzData.h"

TqzDataController::TqzDataController(TComponent* owner) : TqzCustomDataController(owner) { ActiveChanged(true); }
