#pragma once
// Choosing and opening the serial coder link's port named by the --coder option:
// ParseCoderOption("tty:/dev/ttyS0", ...), then OpenHardwareCoder for tty and direct.

#include <string>

#include "PortBackend.h"

enum class CoderKind { Sim, Tty, Direct };

struct CoderOption {
    CoderKind kind = CoderKind::Sim;
    std::string device;  // the tty for CoderKind::Tty
};

// Accepts "sim", "tty:DEVICE" and "direct"; anything else gives false and the accepted forms.
bool ParseCoderOption(const std::string& text, CoderOption& option, std::string& error);

// Opens the tty or the UART's eight registers at 0x3F8; the simulator is opened in its own library.
PortOpenResult OpenHardwareCoder(const CoderOption& option);
