#pragma once
// The command line of orvane-server.

#include <string>
#include <vector>

struct ServerOptions {
    std::string dir = ".";
    std::string bus = "sim:eeprom.sim";
    std::string coder = "sim";
    bool headless = false;
    bool version = false;
    bool help = false;
};

// False with a message for the person at the terminal when the line cannot be taken.
[[nodiscard]] bool ParseServerOptions(const std::vector<std::string>& args, ServerOptions& options, std::string& error);
[[nodiscard]] std::string ServerUsage();
