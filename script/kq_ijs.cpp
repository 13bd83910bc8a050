#include "script/kq_ijs.h"

#include "script/kq_itools.h"

void RegisterJScript() { RegisterLanguage("JScript", LoadGrammarResource("KQ_JSCRIPT")); }
