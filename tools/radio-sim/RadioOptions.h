// The command line of the radio-sim program.
#pragma once

#include <string>
#include <vector>

#include "tools/radio-sim/RadioCore.h"

struct TRadioSimOptions {
    int PortNumber = 0; // 0: the first free number
    std::string ModelCode = "2475";
    std::string ImagePath;     // empty: the memory is not kept
    std::string LogPath = "-"; // "-": standard output
    bool Pacing = false;
    double SilenceMs = 500;
    std::vector<TRadioFault> Faults;
    bool Help = false;
};

// Reads the arguments after the program name; raises std::invalid_argument with a message.
TRadioSimOptions ParseRadioSimOptions(const std::vector<std::string>& args);
std::string RadioSimUsage();
