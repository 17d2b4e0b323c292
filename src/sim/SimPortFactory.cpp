#include "SimPortFactory.h"

#include <memory>

#include "SimParallelPort.h"

PortOpenResult OpenPortBackend(const std::string& option, const std::string& workDir, uint16_t basePort) {
    BusOption bus;
    std::string error;
    if (!ParseBusOption(option, bus, error)) return PortOpenResult::Failure(error);
    if (bus.kind != BusKind::Sim) return OpenHardwarePort(bus, basePort);

    auto port = std::make_unique<CSimParallelPort>();
    port->SetBasePort(basePort);
    PortOpenResult result;
    if (bus.path.empty()) {
        result.description = "sim (EEPROM content in memory only)";
    } else {
        std::string path = bus.path;
        if (path.front() != '/' && !workDir.empty()) path = workDir + "/" + path;
        if (!port->Chip().AttachFile(path, error)) return PortOpenResult::Failure(error);
        result.description = "sim:" + path;
    }
    result.io = std::move(port);
    return result;
}
