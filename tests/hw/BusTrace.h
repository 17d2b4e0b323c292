#pragma once
// Records every register access of a backend and decodes the I2C traffic from it, on its
// own, without asking the bus master what it meant to do.

#include <cstdint>
#include <string>
#include <vector>

#include "IPortIo.h"

struct PortEvent {
    enum Kind { Read, Write, Spin } kind;
    uint16_t port;
    uint32_t value;   // byte read or written, or the spin count
    std::string tag;  // the operation under way when it happened
};

class CTracingPort : public IPortIo {
public:
    explicit CTracingPort(IPortIo& inner) : m_inner(inner) {}

    uint8_t PortRead(uint16_t port) override;
    void PortWrite(uint16_t port, uint8_t value) override;
    void Spin(uint32_t count) override;
    void SetBasePort(uint16_t base) override { m_inner.SetBasePort(base); }

    void SetTag(std::string tag) { m_tag = std::move(tag); }
    void Clear() { m_events.clear(); }
    [[nodiscard]] const std::vector<PortEvent>& Events() const { return m_events; }

private:
    IPortIo& m_inner;
    std::vector<PortEvent> m_events;
    std::string m_tag;
};

// Bus tokens from the data-register writes (bit 0 pulls SDA low, bit 1 pulls SCL low) and
// the status reads (bit 7 SDA) at base and base + 1: "S" start, "Sr" repeated start, "P"
// stop, "A2+" a byte with its acknowledge (+) or not-acknowledge (-), "?n" n stray bits.
[[nodiscard]] std::vector<std::string> DecodeBus(const std::vector<PortEvent>& events, uint16_t base);

// EEPROM addresses of the random reads and byte writes in the tokens (device byte bits 1..4
// are address bits 8..11), in bus order.
[[nodiscard]] std::vector<int> AddressedBytes(const std::vector<std::string>& tokens);
