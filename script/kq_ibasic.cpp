#include "script/kq_ibasic.h"

#include "script/kq_itools.h"

void RegisterBasicScript() { RegisterLanguage("BasicScript", LoadGrammarResource("KQ_BASICSCRIPT")); }
