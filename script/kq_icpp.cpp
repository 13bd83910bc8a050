#include "script/kq_icpp.h"

#include "script/kq_itools.h"

void RegisterCppScript() { RegisterLanguage("C++Script", LoadGrammarResource("KQ_CPPSCRIPT")); }
