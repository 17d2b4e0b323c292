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
static_assert(DIVISOR_CLOCK / DIVISOR_9600 == 9600);

}  // namespace uart
