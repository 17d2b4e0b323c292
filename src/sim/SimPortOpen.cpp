#include "SimPortOpen.h"

#include <memory>

#include "SimParallelPort.h"

PortOpenResult OpenSimPort(const std::string& file, const std::string& workDir, uint16_t basePort) {
    auto port = std::make_unique<CSimParallelPort>();
    port->SetBasePort(basePort);
    PortOpenResult result;
    if (file.empty()) {
        result.description = "sim (EEPROM content in memory only)";
    } else {
        std::string path = file;
        if (path.front() != '/' && !workDir.empty()) path = workDir + "/" + path;
        std::string error;
        if (!port->Chip().AttachFile(path, error)) return PortOpenResult::Failure(error);
        result.description = "sim:" + path;
    }
    result.io = std::move(port);
    return result;
}
