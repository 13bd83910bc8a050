#include "script/kq_ipascal.h"

#include "script/kq_itools.h"

void RegisterPascalScript() { RegisterLanguage("PascalScript", LoadGrammarResource("KQ_PASCALSCRIPT")); }
