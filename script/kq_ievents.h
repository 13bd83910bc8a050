// Adapters that forward a host event to a script procedure.
#pragma once

#include "platform/runtime/Closures.h"
#include "platform/runtime/Objects.h"

class TkqProcVariable;

// Root of the adapters: holds the host object and the handling procedure. A descendant gives
// the routine, bound to itself, that the host's event property is set to.
class TkqCustomEvent : public TObject {
    KOV_CLASS(TkqCustomEvent, TObject)
public:
    TkqCustomEvent(TObject* instance, TkqProcVariable* handler);
    virtual TMethod GetMethod() = 0;

    TObject* Instance;
    TkqProcVariable* Handler;
    // Reports whether Handler still exists: the host event keeps pointing here after the
    // script's procedures are freed (ClearItems), and a late call must not reach a freed one.
    TLivenessToken HandlerAlive;
};
