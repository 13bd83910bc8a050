// The program's start, apart from the display (the main block installs that between the two
// steps, so the steps run without one in tests).
#pragma once

// Prepares the runtime: the command line and the locale's number and date formats.
void StartRuntime(int argc, const char* const* argv);
// Initialises the application, sets its title and creates the data module and the main window.
void CreateProgramWindows();
// Runs the message loop until the window closes.
void RunProgram();
// Frees the windows and the data module while everything they stand on still works: left to
// the end of the process, they would go after the thread's own state of the window system.
void EndProgram();
