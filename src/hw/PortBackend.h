#pragma once
// Choosing and opening the port backend named by the --bus option.

#include <cstdint>
#include <memory>
#include <string>

#include "IPortIo.h"
#include "ParallelPort.h"

// An opened backend, or the reason there is none.
struct PortOpenResult {
    std::unique_ptr<IPortIo> io;  // null when the backend could not be opened
    std::string error;            // why not, in words for the operator
    std::string description;      // what is in use, for the start-up log

    [[nodiscard]] bool Ok() const { return io != nullptr; }
    static PortOpenResult Failure(std::string reason) {
        PortOpenResult result;
        result.error = std::move(reason);
        return result;
    }
};

enum class BusKind { Sim, Ppdev, Direct };

struct BusOption {
    BusKind kind = BusKind::Sim;
    std::string path;  // the sim's content file (empty: memory only) or the ppdev device
};

// Accepts "sim", "sim:FILE", "ppdev:DEVICE" and "direct"; anything else gives false and a
// message naming the accepted forms.
bool ParseBusOption(const std::string& text, BusOption& option, std::string& error);

// Opens ppdev or direct; the simulator lives with its own library and is opened there.
PortOpenResult OpenHardwarePort(const BusOption& option, uint16_t basePort = DEFAULT_LPT_BASE);
