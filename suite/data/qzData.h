// The data controller without a data set: active from the start.
#pragma once

#include "suite/data/qzCustomData.h"

class TqzDataController : public TqzCustomDataController {
    KOV_CLASS(TqzDataController, TqzCustomDataController)
public:
    explicit TqzDataController(TComponent* owner);
};
