#pragma once
// CCoderLink: the older mode's serial link to an external encoder on the first serial port.
// Init() programs the UART once; Send(text) puts each byte and waits for the encoder's echo.

#include <cstddef>
#include <cstdint>
#include <string>

#include "IPortIo.h"
#include "UartRegisters.h"

// What one Send did. A transmitter that never drains ends the text early: the rest is dropped.
struct CoderSendResult {
    std::size_t sent = 0;     // bytes written to the transmitter
    std::size_t dropped = 0;  // bytes left unsent because the transmitter stayed full
    [[nodiscard]] bool Stalled() const { return dropped != 0; }
};

class CCoderLink {
public:
    static constexpr uint32_t SETTLE_COUNT = 1000;    // after each set-up write
    static constexpr uint32_t ECHO_POLL_WRAP = 8192;  // the 13-bit empty-poll counter
    // About a hundred character times at 9600 bit/s: a port that has not drained by then is
    // not draining at all, and the server must not freeze waiting for it.
    static constexpr uint64_t DRAIN_LIMIT_NS = 100'000'000;

    explicit CCoderLink(IPortIo* io = nullptr, uint16_t base = uart::COM1_BASE) : m_io(io), m_base(base) {}
    void AttachIo(IPortIo* io) { m_io = io; }
    [[nodiscard]] bool HasPort() const { return m_io != nullptr; }

    // 9600 bit/s 8N1, DTR and RTS on, interrupts off, the receiver emptied.
    void Init();
    // Every byte of text, an LF going out as CR; with no port everything counts as dropped.
    CoderSendResult Send(const std::string& text);

private:
    [[nodiscard]] uint16_t Reg(uint16_t offset) const { return static_cast<uint16_t>(m_base + offset); }
    void WriteSettled(uint16_t offset, uint8_t value);
    [[nodiscard]] bool AwaitTransmitterEmpty();
    [[nodiscard]] bool PutByte(uint8_t value);
    void AwaitEcho(uint32_t& emptyPolls);

    IPortIo* m_io;
    uint16_t m_base;
};
