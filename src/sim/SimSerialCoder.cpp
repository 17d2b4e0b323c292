#include "SimSerialCoder.h"

#include <memory>

uint64_t CSimSerialCoder::CharacterNs() const {
    const uint64_t divisor = m_registers.Divisor() == 0 ? 0x10000 : m_registers.Divisor();
    return uart::BitsPerCharacter(m_registers.Lcr()) * divisor * 1'000'000'000ULL / uart::DIVISOR_CLOCK;
}

void CSimSerialCoder::Access() {
    m_nowNs += ACCESS_NS;
    ++m_accesses;
    ServeLine();
}

// Bytes finish on the line in order; the next waits in the holding register meanwhile.
void CSimSerialCoder::ServeLine() {
    while (m_shift && m_nowNs >= m_shiftEndNs) {
        const uint64_t doneNs = m_shiftEndNs;
        Deliver(*m_shift, doneNs);
        m_shift = m_holding;
        m_holding.reset();
        m_shiftEndNs = doneNs + CharacterNs();
    }
    // One receive buffer: a second byte before the first was read takes its place.
    while (!m_echoes.empty() && m_echoes.front().first <= m_nowNs) {
        m_rbr = m_echoes.front().second;
        m_dataReady = true;
        m_echoes.pop_front();
    }
}

void CSimSerialCoder::Deliver(uint8_t value, uint64_t atNs) {
    if (m_registers.Divisor() != uart::DIVISOR_9600 || (m_registers.Lcr() & ~uart::LCR_DLAB) != uart::LCR_8N1) {
        ++m_garbled;
        return;
    }
    m_received.push_back(static_cast<char>(value));
    if (value == '\r') {
        m_lines.push_back(m_currentLine);
        m_currentLine.clear();
    } else {
        m_currentLine.push_back(static_cast<char>(value));
    }
    if (m_echo == Echo::Prompt) m_echoes.emplace_back(atNs + CharacterNs(), value);
    if (m_echo == Echo::Late) m_echoes.emplace_back(atNs + LATE_ECHO_NS, value);
}

void CSimSerialCoder::Transmit(uint8_t value) {
    if (m_shift || m_stuck) {
        m_holding = value;  // over a full holding register, as on the chip
        return;
    }
    m_shift = value;
    m_shiftEndNs = m_nowNs + CharacterNs();
}

uint8_t CSimSerialCoder::LineStatus() const {
    uint8_t status = m_dataReady ? uart::LSR_DATA_READY : 0;
    if (m_stuck) return status;
    if (!m_holding) status |= uart::LSR_THR_EMPTY;
    if (!m_holding && !m_shift) status |= uart::LSR_TX_EMPTY;
    return status;
}

uint8_t CSimSerialCoder::PortRead(uint16_t port) {
    Access();
    const auto offset = static_cast<uint16_t>(port - m_base);
    if (offset == uart::LSR) return LineStatus();
    if (offset != uart::DATA || m_registers.Dlab()) return m_registers.Read(offset);
    m_dataReady = false;
    return m_rbr;
}

void CSimSerialCoder::PortWrite(uint16_t port, uint8_t value) {
    Access();
    if (m_registers.Write(static_cast<uint16_t>(port - m_base), value) == uart::RegisterFile::Effect::Transmit) {
        Transmit(value);
    }
}

PortOpenResult OpenSimCoder() {
    PortOpenResult result;
    result.io = std::make_unique<CSimSerialCoder>();
    result.description = "sim (simulated encoder at 0x3F8)";
    return result;
}
