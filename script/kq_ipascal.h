// The PascalScript grammar, compiled into the program from kq_ipascal.xml.
#pragma once

// Registers the grammar under "PascalScript" (done before the first language lookup).
void RegisterPascalScript();
