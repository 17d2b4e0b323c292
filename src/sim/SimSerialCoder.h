#pragma once
// A simulated external encoder behind the registers of the first serial port (0x3F8): the
// coder link drives it as it would the UART, and tests and the demo read what it received.
//
// Time is virtual: each register access costs ACCESS_NS, each Spin count SPIN_NS. A byte
// leaves the transmitter one character time after it started (1.04 ms at 9600 bit/s 8N1);
// the encoder understands it only at 9600 8N1, keeps it, and echoes it, which takes another
// character time on the way back. A CR ends one of the lines it keeps.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "IPortIo.h"
#include "PortBackend.h"
#include "UartRegisters.h"

class CSimSerialCoder : public IPortIo {
public:
    static constexpr uint64_t ACCESS_NS = 1000;  // one ISA-bus register access
    static constexpr uint64_t SPIN_NS = 10;
    static constexpr uint64_t LATE_ECHO_NS = 20'000'000;  // past the echo wait's 8192 empty polls

    enum class Echo { Prompt, None, Late };

    explicit CSimSerialCoder(uint16_t base = uart::COM1_BASE) : m_base(base) {}

    [[nodiscard]] uint8_t PortRead(uint16_t port) override;
    void PortWrite(uint16_t port, uint8_t value) override;
    void Spin(uint32_t count) override { m_nowNs += SPIN_NS * count; }
    [[nodiscard]] uint64_t NowNs() const override { return m_nowNs; }

    // Lets time pass with no register access, so that bytes still on the line arrive.
    void Idle(uint64_t ns) {
        m_nowNs += ns;
        ServeLine();
    }

    // Fault switches: how the encoder echoes, and a transmitter that never drains.
    void SetEcho(Echo echo) { m_echo = echo; }
    void SetTransmitterStuck(bool stuck) { m_stuck = stuck; }

    // Every byte the encoder understood, in order, and the lines a CR ended.
    [[nodiscard]] const std::string& Received() const { return m_received; }
    [[nodiscard]] const std::vector<std::string>& Lines() const { return m_lines; }
    // Bytes that reached the line at any setting other than 9600 bit/s 8N1.
    [[nodiscard]] int GarbledCount() const { return m_garbled; }
    [[nodiscard]] uint64_t RegisterAccesses() const { return m_accesses; }
    [[nodiscard]] uint8_t ModemControl() const { return m_registers.Mcr(); }
    [[nodiscard]] uint8_t InterruptEnable() const { return m_registers.Ier(); }
    // The line time of one character at the settings now in the registers.
    [[nodiscard]] uint64_t CharacterNs() const;

private:
    [[nodiscard]] uint8_t LineStatus() const;
    void Access();
    void ServeLine();
    void Transmit(uint8_t value);
    void Deliver(uint8_t value, uint64_t atNs);

    uint16_t m_base;
    uint64_t m_nowNs = 0;
    uint64_t m_accesses = 0;
    Echo m_echo = Echo::Prompt;
    bool m_stuck = false;

    // After reset: 5 data bits, which the encoder does not understand.
    uart::RegisterFile m_registers{uart::DIVISOR_9600, 0};

    std::optional<uint8_t> m_holding;
    std::optional<uint8_t> m_shift;
    uint64_t m_shiftEndNs = 0;
    std::deque<std::pair<uint64_t, uint8_t>> m_echoes;  // arrival time, byte
    uint8_t m_rbr = 0;
    bool m_dataReady = false;

    std::string m_received;
    std::string m_currentLine;
    std::vector<std::string> m_lines;
    int m_garbled = 0;
};

// The simulated encoder as the server's coder backend.
[[nodiscard]] PortOpenResult OpenSimCoder();
