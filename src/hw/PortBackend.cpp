#include "PortBackend.h"

#include "DirectPort.h"
#include "PpdevPort.h"

namespace {
const char* const kUsage = "use sim, sim:FILE, ppdev:DEVICE or direct";

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }
}  // namespace

bool ParseBusOption(const std::string& text, BusOption& option, std::string& error) {
    if (text == "sim") {
        option = {BusKind::Sim, {}};
        return true;
    }
    if (text == "direct") {
        option = {BusKind::Direct, {}};
        return true;
    }
    if (StartsWith(text, "sim:") && text.size() > 4) {
        option = {BusKind::Sim, text.substr(4)};
        return true;
    }
    if (StartsWith(text, "ppdev:") && text.size() > 6) {
        option = {BusKind::Ppdev, text.substr(6)};
        return true;
    }
    error = "unknown bus \"" + text + "\": " + kUsage;
    return false;
}

PortOpenResult OpenHardwarePort(const BusOption& option, uint16_t basePort) {
    switch (option.kind) {
    case BusKind::Ppdev:
        return CPpdevPort::Open(option.path, basePort);
    case BusKind::Direct:
        return CDirectPort::Open(basePort);
    case BusKind::Sim:
        break;
    }
    return PortOpenResult::Failure("the simulated bus is not a hardware port");
}
