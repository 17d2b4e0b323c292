#pragma once
// Byte-wide I/O ports as the bus code sees them: the parallel port's data, status and
// control registers, or whatever stands in their place.

#include <chrono>
#include <cstdint>
#include <string>

class IPortIo {
public:
    virtual ~IPortIo() = default;

    [[nodiscard]] virtual uint8_t PortRead(uint16_t port) = 0;
    virtual void PortWrite(uint16_t port, uint8_t value) = 0;

    // A busy wait of count steps, 10 ns each on real ports; 0 returns at once.
    virtual void Spin(uint32_t count) = 0;

    // The backend's time in ns, which the bus reports its holds in: the steady clock on real
    // ports, the virtual time of a simulation.
    [[nodiscard]] virtual uint64_t NowNs() const {
        return static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count());
    }

    // Where the register block starts; backends that address their registers by offset
    // from it follow it, the others ignore it.
    virtual void SetBasePort(uint16_t base) { (void)base; }

    // Why what was written to the EEPROM behind these ports is not being kept (a stand-in
    // whose content lives in a file that cannot be saved); empty while all is well.
    [[nodiscard]] virtual std::string StorageFault() const { return {}; }
};
