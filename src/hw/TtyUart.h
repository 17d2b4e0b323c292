#pragma once
// The serial port's registers over a termios tty (/dev/ttyS0, a USB adapter, a pseudo-terminal):
// CTtyUart::Open(device) gives an IPortIo that the coder link drives as if it were the UART.
//
// Divisor latch and line control set the tty's speed and framing, modem control its DTR/RTS;
// a transmit-holding write is a write(), a receive-buffer read a read() of one byte, and the
// line status comes from poll() and the output queue.

#include <cstdint>
#include <optional>
#include <string>

#include "IPortIo.h"
#include "PortBackend.h"
#include "UartRegisters.h"

class CTtyUart : public IPortIo {
public:
    // An empty status read takes this long, as one read on a PC's I/O bus does, so that the
    // echo wait's count of empty polls keeps its length in time.
    static constexpr uint32_t EMPTY_READ_SPIN = 100;  // Spin counts: 1 us

    // Opens the tty raw, without flow control, with reads that never block.
    static PortOpenResult Open(const std::string& device, uint16_t base = uart::COM1_BASE);

    // Takes over an open tty already set raw; Open is the way in.
    CTtyUart(int fd, uint16_t base);
    ~CTtyUart() override;
    CTtyUart(const CTtyUart&) = delete;
    CTtyUart& operator=(const CTtyUart&) = delete;

    [[nodiscard]] uint8_t PortRead(uint16_t port) override;
    void PortWrite(uint16_t port, uint8_t value) override;
    void Spin(uint32_t count) override;

private:
    [[nodiscard]] uint8_t LineStatus();
    [[nodiscard]] uint8_t ReceiveByte();
    void TransmitByte(uint8_t value);
    void FlushHolding();
    void ApplyLineSettings();
    void ApplyModemControl();

    int m_fd;
    uint16_t m_base;
    uart::RegisterFile m_registers{0, uart::LCR_8N1};  // divisor 0 until written: the tty keeps its speed
    uint8_t m_rbr = 0;                                 // a real receive buffer repeats its last byte
    std::optional<uint8_t> m_holding;                  // a byte the tty has not taken yet (its queue was full)
    bool m_drained = false;                            // the output queue was last seen empty, with no write since
};
