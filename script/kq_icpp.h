// The C++Script grammar, compiled into the program from kq_icpp.xml.
#pragma once

// Registers the grammar under "C++Script" (done before the first language lookup).
void RegisterCppScript();
