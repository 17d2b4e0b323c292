#include "SimParallelPort.h"

void CSimParallelPort::Tick() {
    m_nowNs += ACCESS_NS;
    if (!m_granted && Request() && !m_silent && m_nowNs >= m_requestAtNs + READY_DELAY_NS) {
        m_granted = true;
        m_chip.Connect(MasterSda(), MasterScl());
    }
}

void CSimParallelPort::SetInterfaceSilent(bool silent) {
    m_silent = silent;
    if (silent && m_granted) {
        m_granted = false;
        m_chip.Disconnect();
    }
}

uint8_t CSimParallelPort::PortRead(uint16_t port) {
    Tick();
    switch (static_cast<uint16_t>(port - m_base)) {
    case 0:
        return m_data;
    case 1: {
        ++m_statusReads;
        const bool sda = MasterSda() && (!m_granted || m_chip.SdaReleased());
        return static_cast<uint8_t>((sda ? 0x80 : 0) | (m_granted ? 0 : 0x40) | STATUS_IDLE_BITS);
    }
    case 2:
        return m_control;
    default:
        return 0xFF;
    }
}

void CSimParallelPort::PortWrite(uint16_t port, uint8_t value) {
    Tick();
    const uint16_t offset = static_cast<uint16_t>(port - m_base);
    if (offset == 2) m_control = value;
    if (offset != 0) return;

    const bool requestBefore = Request();
    m_data = value;
    ++m_dataWrites;
    if (Request() && !requestBefore) m_requestAtNs = m_nowNs;
    if (!Request() && m_granted) {
        m_granted = false;
        m_chip.Disconnect();
    }
    if (m_granted) m_chip.Lines(MasterSda(), MasterScl(), m_nowNs);
}
