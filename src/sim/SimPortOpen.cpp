#include "SimPortOpen.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#include "SimParallelPort.h"

namespace {

// The simulated interface of a long test run: while the switch file exists the interface
// does not answer (looked at on each bus request, as a cable pulled between transfers), and
// each cell's write cycles are left in the wear file when the server ends.
class CLongRunPort : public CSimParallelPort {
public:
    CLongRunPort(std::string wearFile, std::string offFile)
        : m_wearFile(std::move(wearFile)), m_offFile(std::move(offFile)) {}
    ~CLongRunPort() override {
        if (m_wearFile.empty()) return;
        std::FILE* out = std::fopen(m_wearFile.c_str(), "w");
        if (out == nullptr) return;
        for (int a = 0; a < CSimEeprom::SIZE; ++a) {
            if (const uint32_t n = Chip().CellWrites(a); n != 0) std::fprintf(out, "%d %u\n", a, n);
        }
        std::fclose(out);
    }
    CLongRunPort(const CLongRunPort&) = delete;
    CLongRunPort& operator=(const CLongRunPort&) = delete;

    void PortWrite(uint16_t port, uint8_t value) override {
        constexpr uint8_t REQUEST = 0x04;
        if (!m_offFile.empty() && port == m_basePort && (value & REQUEST) != 0 && !m_requesting) {
            SetInterfaceSilent(std::filesystem::exists(m_offFile));
        }
        if (port == m_basePort) m_requesting = (value & REQUEST) != 0;
        CSimParallelPort::PortWrite(port, value);
    }
    void SetBasePort(uint16_t base) override {
        m_basePort = base;
        CSimParallelPort::SetBasePort(base);
    }

private:
    std::string m_wearFile;
    std::string m_offFile;
    uint16_t m_basePort = DEFAULT_LPT_BASE;
    bool m_requesting = false;
};

// "seed=N,missack=P,flip=P": the chip's fault switches for a run under test; unknown or
// malformed items are left out.
void ApplyFaults(const char* text, CSimEeprom& chip) {
    std::istringstream items(text);
    for (std::string item; std::getline(items, item, ',');) {
        const auto equals = item.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = item.substr(0, equals);
        char* end = nullptr;
        const double value = std::strtod(item.c_str() + equals + 1, &end);
        if (end == item.c_str() + equals + 1 || value < 0) continue;
        if (key == "seed") chip.SetFaultSeed(static_cast<uint32_t>(value));
        else if (key == "missack" && value <= 1) chip.SetMissAckRate(value);
        else if (key == "flip" && value <= 1) chip.SetFlipRate(value);
    }
}

}  // namespace

PortOpenResult OpenSimPort(const std::string& file, const std::string& workDir, uint16_t basePort) {
    const char* wearFile = std::getenv("ORVANE_SIM_WEAR");
    const char* offFile = std::getenv("ORVANE_SIM_OFF");
    std::unique_ptr<CSimParallelPort> port;
    if ((wearFile != nullptr && *wearFile != '\0') || (offFile != nullptr && *offFile != '\0')) {
        port = std::make_unique<CLongRunPort>(wearFile != nullptr ? wearFile : "", offFile != nullptr ? offFile : "");
    } else {
        port = std::make_unique<CSimParallelPort>();
    }
    port->SetBasePort(basePort);
    if (const char* faults = std::getenv("ORVANE_SIM_FAULTS")) ApplyFaults(faults, port->Chip());
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
