#pragma once
// The register block of a PC serial port (8250/16550 family) as the coder link drives it;
// the link itself, the tty emulation and the simulated encoder all address it this way.

#include <cstdint>

namespace uart {

constexpr uint16_t COM1_BASE = 0x3F8;
constexpr uint16_t REGISTER_COUNT = 8;

// Offsets from the base; DLL and DLM share THR/RBR and IER while LCR bit 7 is set.
constexpr uint16_t DATA = 0;  // THR on write, RBR on read, DLL under DLAB
constexpr uint16_t IER = 1;   // DLM under DLAB
constexpr uint16_t LCR = 3;
constexpr uint16_t MCR = 4;
constexpr uint16_t LSR = 5;

constexpr uint8_t LCR_WORD_MASK = 0x03;  // 0..3: 5..8 data bits
constexpr uint8_t LCR_TWO_STOP = 0x04;
constexpr uint8_t LCR_PARITY = 0x08;
constexpr uint8_t LCR_EVEN = 0x10;
constexpr uint8_t LCR_DLAB = 0x80;
constexpr uint8_t LCR_8N1 = 0x03;

constexpr uint8_t MCR_DTR = 0x01;
constexpr uint8_t MCR_RTS = 0x02;

constexpr uint8_t LSR_DATA_READY = 0x01;
constexpr uint8_t LSR_THR_EMPTY = 0x20;
constexpr uint8_t LSR_TX_EMPTY = 0x40;

// The divisor divides the 1.8432 MHz crystal by 16: 115200 / divisor bit/s.
constexpr uint32_t DIVISOR_CLOCK = 115200;
constexpr uint16_t DIVISOR_9600 = 12;

[[nodiscard]] constexpr int DataBits(uint8_t lcr) { return 5 + (lcr & LCR_WORD_MASK); }

// Start bit, data bits, parity and stop bits: the line time of one character.
[[nodiscard]] constexpr int BitsPerCharacter(uint8_t lcr) {
    return 1 + DataBits(lcr) + ((lcr & LCR_PARITY) != 0 ? 1 : 0) + ((lcr & LCR_TWO_STOP) != 0 ? 2 : 1);
}

static_assert(BitsPerCharacter(LCR_8N1) == 10);

// The latch, interrupt, line and modem control registers, which every backend keeps alike;
// the backend answers only the data register outside the latch and the line status.
class RegisterFile {
public:
    enum class Effect { None, Transmit, LineSettings, ModemControl };

    RegisterFile(uint16_t divisor, uint8_t lcr) : m_divisor(divisor), m_lcr(lcr) {}

    // LSR and the data register outside the latch are the backend's: 0xFF here.
    [[nodiscard]] uint8_t Read(uint16_t offset) const {
        switch (offset) {
        case DATA:
            return Dlab() ? static_cast<uint8_t>(m_divisor & 0xFF) : 0xFF;
        case IER:
            return Dlab() ? static_cast<uint8_t>(m_divisor >> 8) : m_ier;
        case LCR:
            return m_lcr;
        case MCR:
            return m_mcr;
        default:
            return 0xFF;
        }
    }

    // Keeps the value and says what the backend has to do with it.
    Effect Write(uint16_t offset, uint8_t value) {
        switch (offset) {
        case DATA:
            if (!Dlab()) return Effect::Transmit;
            m_divisor = static_cast<uint16_t>((m_divisor & 0xFF00) | value);
            return Effect::None;
        case IER:
            if (Dlab()) m_divisor = static_cast<uint16_t>((m_divisor & 0x00FF) | (value << 8));
            else m_ier = value;
            return Effect::None;
        case LCR:
            m_lcr = value;
            return Effect::LineSettings;
        case MCR:
            m_mcr = value;
            return Effect::ModemControl;
        default:
            return Effect::None;
        }
    }

    [[nodiscard]] bool Dlab() const { return (m_lcr & LCR_DLAB) != 0; }
    [[nodiscard]] uint16_t Divisor() const { return m_divisor; }
    [[nodiscard]] uint8_t Lcr() const { return m_lcr; }
    [[nodiscard]] uint8_t Ier() const { return m_ier; }
    [[nodiscard]] uint8_t Mcr() const { return m_mcr; }

private:
    uint16_t m_divisor;
    uint8_t m_lcr;
    uint8_t m_ier = 0;
    uint8_t m_mcr = 0;
};
static_assert(DIVISOR_CLOCK / DIVISOR_9600 == 9600);

}  // namespace uart
