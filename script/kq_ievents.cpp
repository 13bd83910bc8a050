#include "script/kq_ievents.h"

#include "script/kq_iinterpreter.h"

TkqCustomEvent::TkqCustomEvent(TObject* instance, TkqProcVariable* handler)
    : Instance(instance), Handler(handler),
      HandlerAlive(handler != nullptr ? handler->LivenessToken() : TLivenessToken()) {}
