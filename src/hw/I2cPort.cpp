#include "I2cPort.h"

CI2cPort::CI2cPort(IPortIo* io) : m_io(io) {
    if (m_io != nullptr) m_io->SetBasePort(m_basePort);
}

void CI2cPort::AttachIo(IPortIo* io) {
    m_io = io;
    if (m_io != nullptr) m_io->SetBasePort(m_basePort);
}

void CI2cPort::SetBasePort(uint16_t port) {
    m_basePort = port;
    m_statusPort = static_cast<uint16_t>(port + 1);
    if (m_io != nullptr) m_io->SetBasePort(port);
}

// ---- port access: with no backend the lines float high and nothing answers ----

uint8_t CI2cPort::Read(uint16_t port) { return m_io != nullptr ? m_io->PortRead(port) : 0xFF; }

void CI2cPort::Write(uint16_t port, uint8_t value) {
    if (m_io != nullptr) m_io->PortWrite(port, value);
}

void CI2cPort::Wait(uint32_t count) {
    if (count != 0 && m_io != nullptr) m_io->Spin(count);
}

void CI2cPort::ChangeDataBit(uint8_t bit, bool set) {
    const uint8_t data = Read(m_basePort);
    Write(m_basePort, static_cast<uint8_t>(set ? data | bit : data & ~bit));
}

// ---- line steps ----

void CI2cPort::BeginByteOperation() { m_lines = static_cast<uint8_t>(Read(m_basePort) & ~(SDA | SCL)); }

void CI2cPort::DriveLines(bool sda, bool scl) {
    m_lines = static_cast<uint8_t>((m_lines & ~(SDA | SCL)) | (sda ? SDA : 0) | (scl ? SCL : 0));
    Write(m_basePort, static_cast<uint8_t>(m_lines ^ (SDA | SCL)));
    Wait(m_clockDelay);
}

bool CI2cPort::SdaLevel() { return (Read(m_statusPort) & STATUS_SDA) != 0; }

void CI2cPort::Start() {
    DriveLines(true, true);
    DriveLines(false, true);
    DriveLines(false, false);
}

void CI2cPort::Stop() {
    DriveLines(false, true);
    DriveLines(true, true);
}

void CI2cPort::SendBit(bool bit) {
    DriveLines(bit, false);
    DriveLines(bit, true);
    DriveLines(bit, false);
}

void CI2cPort::CheckAck() {
    DriveLines(false, false);
    DriveLines(true, true);
    if (SdaLevel()) m_ackError = 0xFF;
    DriveLines(false, false);
}

void CI2cPort::SendByte(uint8_t value) {
    for (int bit = 7; bit >= 0; --bit) SendBit(((value >> bit) & 1) != 0);
    CheckAck();
}

bool CI2cPort::ReceiveBit() {
    DriveLines(true, false);
    DriveLines(true, true);
    const bool bit = SdaLevel();
    DriveLines(true, false);
    return bit;
}

void CI2cPort::NotAcknowledge() {
    DriveLines(true, true);
    DriveLines(false, false);
}

// Line state at entry: SDA released, SCL low after the eighth bit; at exit SDA released, SCL low.
void CI2cPort::Acknowledge() {
    DriveLines(false, false);
    DriveLines(false, true);
    DriveLines(false, false);
}

uint8_t CI2cPort::ReceiveByte() {
    uint8_t value = 0;
    for (int i = 0; i < 8; ++i) value = static_cast<uint8_t>(value << 1 | (ReceiveBit() ? 1 : 0));
    NotAcknowledge();
    return value;
}

// ---- byte operations ----

uint8_t CI2cPort::DeviceByte(uint16_t address) { return static_cast<uint8_t>(0xA0 | (((address >> 8) & 0x7F) << 1)); }

uint8_t CI2cPort::ReadByte(uint16_t address) {
    BeginByteOperation();
    Start();
    SendByte(DeviceByte(address));
    SendByte(static_cast<uint8_t>(address & 0xFF));
    Start();
    SendByte(static_cast<uint8_t>(DeviceByte(address) | 1));
    const uint8_t value = ReceiveByte();
    Stop();
    Wait(READ_SETTLE);
    return value;
}

void CI2cPort::WriteByte(uint16_t address, uint8_t value) {
    BeginByteOperation();
    Start();
    SendByte(DeviceByte(address));
    SendByte(static_cast<uint8_t>(address & 0xFF));
    SendByte(value);
    Stop();
    WaitWriteCycle();
}

void CI2cPort::SendAddress(uint16_t address) {
    Start();
    SendByte(DeviceByte(address));
    SendByte(static_cast<uint8_t>(address & 0xFF));
}

void CI2cPort::WritePage(uint16_t address, const uint8_t* data, int count) {
    BeginByteOperation();
    SendAddress(address);
    for (int i = 0; i < count; ++i) SendByte(data[i]);
    Stop();
    WaitWriteCycle();
}

void CI2cPort::ReadRun(uint16_t address, uint8_t* out, int count) {
    if (count <= 0) return;
    BeginByteOperation();
    SendAddress(address);
    Start();
    SendByte(static_cast<uint8_t>(DeviceByte(address) | 1));
    for (int i = 0; i < count; ++i) {
        // The master acknowledges every byte but the last, which ends the read.
        uint8_t value = 0;
        for (int bit = 0; bit < 8; ++bit) value = static_cast<uint8_t>(value << 1 | (ReceiveBit() ? 1 : 0));
        if (i + 1 < count) Acknowledge();
        else NotAcknowledge();
        out[i] = value;
    }
    Stop();
    Wait(READ_SETTLE);
}

void CI2cPort::WaitWriteCycle() {
    // A byte the chip never took starts no write cycle, so there is nothing to wait for.
    if (m_ackError != 0) return;
    if (m_pollWrite == 0) {
        Wait(m_writeWait);
        return;
    }
    for (uint32_t poll = 0; poll < WRITE_POLLS; ++poll) {
        m_ackError = 0;
        Start();
        SendByte(0xA0);
        Stop();
        if (m_ackError == 0) return;
    }
}

bool CI2cPort::AckError() {
    const bool failed = m_ackError != 0;
    m_ackError = 0;
    return failed;
}

// ---- request and release ----

// With no backend nothing is ever held.
uint64_t CI2cPort::NowNs() const { return m_io != nullptr ? m_io->NowNs() : 0; }

bool CI2cPort::Open() {
    m_openedAtNs = NowNs();
    m_opened = true;
    ChangeDataBit(SDA | SCL, false);
    ChangeDataBit(REQUEST, true);
    for (uint32_t read = 0; read < READY_READS; ++read)
        if ((Read(m_statusPort) & STATUS_BUSY) == 0) return true;
    return false;
}

void CI2cPort::Close() {
    ChangeDataBit(SDA, false);
    ChangeDataBit(SCL, false);
    ChangeDataBit(REQUEST, false);
    if (m_opened) m_lastHoldNs = NowNs() - m_openedAtNs;
    m_opened = false;
}
