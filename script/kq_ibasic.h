// The BasicScript grammar, compiled into the program from kq_ibasic.xml.
#pragma once

// Registers the grammar under "BasicScript" (done before the first language lookup).
void RegisterBasicScript();
