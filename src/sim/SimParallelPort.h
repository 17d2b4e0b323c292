#pragma once
// The simulated EEPROM interface on the parallel port: the electronics between the PC's
// data and status registers and the encoder's I2C bus, with an X24C32 on that bus.
//
// Data register (base): bit 0 set pulls SDA low, bit 1 set pulls SCL low, bit 2 is the
// request line; it reads back what was last written. Status register (base + 1): bit 7
// is the SDA level, bit 6 drops to 0 once the interface has handed the bus over, a short
// while after the request went up. While the request is down the master's lines do not
// reach the chip. Time is virtual: each register access and each Spin count moves it on.

#include <cstdint>
#include <string>

#include "IPortIo.h"
#include "ParallelPort.h"
#include "SimEeprom.h"

class CSimParallelPort : public IPortIo {
public:
    static constexpr uint64_t ACCESS_NS = 1000;  // one ISA-bus register access
    static constexpr uint64_t SPIN_NS = 10;      // one Spin count
    static constexpr uint64_t READY_DELAY_NS = 20'000;
    static constexpr uint8_t STATUS_IDLE_BITS = 0x3F;  // the status pins this interface leaves alone

    CSimParallelPort() = default;

    [[nodiscard]] uint8_t PortRead(uint16_t port) override;
    void PortWrite(uint16_t port, uint8_t value) override;
    void Spin(uint32_t count) override { m_nowNs += SPIN_NS * count; }
    void SetBasePort(uint16_t base) override { m_base = base; }
    [[nodiscard]] std::string StorageFault() const override { return m_chip.SaveError(); }

    [[nodiscard]] CSimEeprom& Chip() { return m_chip; }
    [[nodiscard]] const CSimEeprom& Chip() const { return m_chip; }

    // Fault switch: the interface never answers the request (cable off, controller locked).
    void SetInterfaceSilent(bool silent);

    [[nodiscard]] uint64_t NowNs() const override { return m_nowNs; }
    [[nodiscard]] bool BusGranted() const { return m_granted; }
    [[nodiscard]] uint64_t DataWrites() const { return m_dataWrites; }
    [[nodiscard]] uint64_t StatusReads() const { return m_statusReads; }

private:
    [[nodiscard]] bool MasterSda() const { return (m_data & 0x01) == 0; }
    [[nodiscard]] bool MasterScl() const { return (m_data & 0x02) == 0; }
    [[nodiscard]] bool Request() const { return (m_data & 0x04) != 0; }
    void Tick();

    CSimEeprom m_chip;
    uint16_t m_base = DEFAULT_LPT_BASE;
    uint64_t m_nowNs = 0;
    uint8_t m_data = 0;
    uint8_t m_control = 0;
    bool m_granted = false;
    bool m_silent = false;
    uint64_t m_requestAtNs = 0;
    uint64_t m_dataWrites = 0;
    uint64_t m_statusReads = 0;
};
