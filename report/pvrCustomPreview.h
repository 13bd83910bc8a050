// The abstract preview control: what the report and the prepared pages ask of a preview that
// shows them, so that an attached preview follows a preparation page by page.
#pragma once

#include "platform/classlib/Controls.h"
#include "platform/runtime/RtlTypes.h"

class TpvrReport;
class TpvrCustomPreviewPages;

class TpvrCustomPreview : public TCustomControl {
    KOV_CLASS(TpvrCustomPreview, TCustomControl)
public:
    using TCustomControl::TCustomControl;

    // Takes the report's settings and shows the first page.
    virtual void Init() = 0;
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    // A preparation began, wrote the page of that index, ended.
    virtual void PreparationStarted() = 0;
    virtual void PreparationProgress(Integer pageIndex) = 0;
    virtual void PreparationStopped() = 0;

    TpvrCustomPreviewPages* PreviewPages = nullptr;
    TpvrReport* Report = nullptr;
};
