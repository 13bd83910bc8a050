#include "platform/runtime/Exceptions.h"

void Abort() { throw EAbort("Operation aborted"); }
