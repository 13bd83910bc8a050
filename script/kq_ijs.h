// The JScript grammar, compiled into the program from kq_ijs.xml.
#pragma once

// Registers the grammar under "JScript" (done before the first language lookup).
void RegisterJScript();
