#include "tools/radio-sim/RadioOptions.h"

#include <stdexcept>

namespace {

int Number(const std::string& option, const std::string& text, int least, int most) {
    std::size_t used = 0;
    long value = 0;
    try {
        value = std::stol(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value < least || value > most)
        throw std::invalid_argument(option + " wants a number from " + std::to_string(least) + " to " +
                                    std::to_string(most) + ", not \"" + text + "\"");
    return int(value);
}

} // namespace

TRadioSimOptions ParseRadioSimOptions(const std::vector<std::string>& args) {
    TRadioSimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "-h") {
            options.Help = true;
            continue;
        }
        if (option == "--pace") {
            options.Pacing = true;
            continue;
        }
        if (option != "--port" && option != "--model" && option != "--image" && option != "--log" &&
            option != "--silence" && option != "--fault")
            throw std::invalid_argument("unknown option \"" + option + "\"");
        if (i + 1 >= args.size()) throw std::invalid_argument(option + " wants a value");
        const std::string& value = args[++i];
        if (option == "--port") {
            options.PortNumber = Number(option, value, 1, 256);
        } else if (option == "--model") {
            if (value.size() != 4)
                throw std::invalid_argument("--model wants four characters, not \"" + value + "\"");
            options.ModelCode = value;
        } else if (option == "--image") {
            options.ImagePath = value;
        } else if (option == "--log") {
            options.LogPath = value;
        } else if (option == "--silence") {
            options.SilenceMs = Number(option, value, 1, 60000);
        } else {
            options.Faults.push_back(ParseRadioFault(value));
        }
    }
    return options;
}

std::string RadioSimUsage() {
    return "usage: radio-sim [options]\n"
           "A simulated KOV-571 radio on a pseudo-terminal, registered as COMn in the port\n"
           "directory ($KOV571_PORTS, by default ~/.config/kov571/ports). Runs until interrupted.\n"
           "  --port N        register as COMN (default: the first number from 1 without an entry)\n"
           "  --model CODE    the four-character model code it identifies with (default 2475)\n"
           "  --image FILE    the memory: loaded from FILE when it exists, saved there after every 'E'\n"
           "  --log FILE      the log of commands and replies (default, and \"-\": standard output)\n"
           "  --pace          one byte every 1.146 ms both ways, as at 9600 baud\n"
           "  --silence MS    the silence that returns the radio to idle (default 500)\n"
           "  --fault SPEC    a fault; may be repeated. SPEC is a name, then options after commas:\n"
           "                  once (only the first time), from=K (from the K-th block command on);\n"
           "                  split: pieces=5/5/2, gap=20 (ms); wrong-ack: on=handshake or on=exchange\n"
           "                  names: " +
           RadioFaultNames() + "\n";
}
