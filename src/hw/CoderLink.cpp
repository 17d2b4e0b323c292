#include "CoderLink.h"

void CCoderLink::WriteSettled(uint16_t offset, uint8_t value) {
    m_io->PortWrite(Reg(offset), value);
    m_io->Spin(SETTLE_COUNT);
}

void CCoderLink::Init() {
    if (m_io == nullptr) return;
    WriteSettled(uart::LCR, uart::LCR_DLAB);
    WriteSettled(uart::DATA, uart::DIVISOR_9600 & 0xFF);
    WriteSettled(uart::IER, uart::DIVISOR_9600 >> 8);
    WriteSettled(uart::LCR, uart::LCR_8N1);
    WriteSettled(uart::MCR, uart::MCR_DTR | uart::MCR_RTS);
    WriteSettled(uart::IER, 0x00);
    // A byte left in the receiver would end the first echo wait at once.
    (void)m_io->PortRead(Reg(uart::DATA));
}

// Both the holding register and the shift register empty: the last character has left.
bool CCoderLink::AwaitTransmitterEmpty() {
    constexpr uint8_t EMPTY = uart::LSR_THR_EMPTY | uart::LSR_TX_EMPTY;
    const uint64_t start = m_io->NowNs();
    while ((m_io->PortRead(Reg(uart::LSR)) & EMPTY) != EMPTY) {
        if (m_io->NowNs() - start >= DRAIN_LIMIT_NS) return false;
    }
    return true;
}

bool CCoderLink::PutByte(uint8_t value) {
    if (!AwaitTransmitterEmpty()) return false;
    m_io->PortWrite(Reg(uart::DATA), value == '\n' ? '\r' : value);
    return true;
}

// Ends at the echo, or when the empty polls of the whole text reach a multiple of 8192.
void CCoderLink::AwaitEcho(uint32_t& emptyPolls) {
    while ((m_io->PortRead(Reg(uart::LSR)) & uart::LSR_DATA_READY) == 0) {
        emptyPolls = (emptyPolls + 1) % ECHO_POLL_WRAP;
        if (emptyPolls == 0) break;
    }
    // The echo is read whether or not it came, and never compared with what was sent.
    (void)m_io->PortRead(Reg(uart::DATA));
}

CoderSendResult CCoderLink::Send(const std::string& text) {
    CoderSendResult result;
    if (m_io == nullptr) {
        result.dropped = text.size();
        return result;
    }
    uint32_t emptyPolls = 0;  // once per text, not per character
    for (const char c : text) {
        if (!PutByte(static_cast<uint8_t>(c))) break;
        ++result.sent;
        AwaitEcho(emptyPolls);
    }
    result.dropped = text.size() - result.sent;
    return result;
}
