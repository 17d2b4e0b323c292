#pragma once
// CI2cPort: the I2C bus master for the EEPROM interface on the parallel port.
//
// How to use it:
//   CI2cPort bus(&portIo);              // portIo: the IPortIo backend, owned by the caller
//   bus.SetBasePort(base);              // configuration: LPT=, I2CCLKCYCLE=, WRHALTTIME=,
//   bus.SetClockDelay(31); ...          //   USEPOLLWRLOOP (SetPollWrite(1))
//   bus.Close();                        // at start-up: lines released, no request
//   if (bus.Open()) { ... }             // asks the encoder's controller for the bus
//   uint8_t b = bus.ReadByte(0x0123);   // each byte transfer is followed by AckError()
//   bool failed = bus.AckError();       //   to learn whether it went through
//   bus.WriteByte(0x0010, 0x55);        // waits out the chip's write cycle
//   bus.WritePage(0x0040, bytes, 32);   // up to one 32-byte page in one write cycle
//   bus.ReadRun(0x0040, bytes, 32);     // a sequential read
//   bus.Close();                        // gives the bus back; LastHoldNs() says for how long
// Nothing here opens the bus by itself or stops early: a missing acknowledge only marks
// the transfer as failed. Every wait is bounded, and a count of 0 waits nothing.
//
// Data register: bit 0 pulls SDA low, bit 1 pulls SCL low, bit 2 is the request line;
// bits 3..7 are never changed. Status register: bit 7 is SDA, bit 6 is 0 once the
// interface is ready.

#include <cstdint>

#include "IPortIo.h"
#include "ParallelPort.h"

class CI2cPort {
public:
    static constexpr uint32_t DEFAULT_CLOCK_DELAY = 0x1F;
    static constexpr uint32_t DEFAULT_WRITE_WAIT = 0xFFFFF;
    static constexpr uint32_t READY_READS = 1048577;  // status reads before Open gives up
    static constexpr uint32_t WRITE_POLLS = 32766;    // acknowledge polls after a byte write
    static constexpr uint32_t READ_SETTLE = 15;       // wait after a random read
    static constexpr int PAGE_BYTES = 32;             // the X24C32's write page

    // io may be null (no port could be opened): the bus then floats, nothing answers.
    explicit CI2cPort(IPortIo* io = nullptr);
    virtual ~CI2cPort() = default;
    CI2cPort(const CI2cPort&) = delete;
    CI2cPort& operator=(const CI2cPort&) = delete;

    void AttachIo(IPortIo* io);

    // ---- configuration ----
    void SetBasePort(uint16_t port);
    void SetClockDelay(uint32_t count) { m_clockDelay = count; }
    void SetWriteWait(uint32_t count) { m_writeWait = count; }
    void SetPollWrite(uint8_t flag) { m_pollWrite = flag & 1; }

    [[nodiscard]] uint16_t GetBasePort() const { return m_basePort; }
    [[nodiscard]] uint16_t GetStatusPort() const { return m_statusPort; }
    [[nodiscard]] uint32_t GetClockDelay() const { return m_clockDelay; }
    [[nodiscard]] uint32_t GetWriteWait() const { return m_writeWait; }
    [[nodiscard]] uint8_t GetPollWrite() const { return m_pollWrite; }

    // ---- bus operations ----
    bool Open();  // true when the interface answered the request
    void Close();
    uint8_t ReadByte(uint16_t address);
    void WriteByte(uint16_t address, uint8_t value);
    // count bytes from address in one write cycle; the chip wraps inside its page, so a run
    // must not cross a PAGE_BYTES boundary. Waits out the write cycle once.
    void WritePage(uint16_t address, const uint8_t* data, int count);
    // count bytes from address in one sequential read.
    void ReadRun(uint16_t address, uint8_t* out, int count);
    bool AckError();  // an acknowledge was missing since the last call; clears it
    // How long the request line stood raised in the last Open..Close, in the backend's time.
    [[nodiscard]] uint64_t LastHoldNs() const { return m_lastHoldNs; }

    // Device address byte for writing (bit 0 clear) of a full EEPROM address.
    [[nodiscard]] static uint8_t DeviceByte(uint16_t address);

private:
    static constexpr uint8_t SDA = 0x01;
    static constexpr uint8_t SCL = 0x02;
    static constexpr uint8_t REQUEST = 0x04;
    static constexpr uint8_t STATUS_SDA = 0x80;
    static constexpr uint8_t STATUS_BUSY = 0x40;

    [[nodiscard]] uint8_t Read(uint16_t port);
    void Write(uint16_t port, uint8_t value);
    void Wait(uint32_t count);
    void ChangeDataBit(uint8_t bit, bool set);

    void BeginByteOperation();
    void DriveLines(bool sda, bool scl);
    [[nodiscard]] bool SdaLevel();
    void Start();
    void Stop();
    void SendBit(bool bit);
    void CheckAck();
    void SendByte(uint8_t value);
    [[nodiscard]] bool ReceiveBit();
    void NotAcknowledge();
    void Acknowledge();
    void SendAddress(uint16_t address);
    [[nodiscard]] uint64_t NowNs() const;
    [[nodiscard]] uint8_t ReceiveByte();
    void WaitWriteCycle();

    IPortIo* m_io;
    uint16_t m_basePort = DEFAULT_LPT_BASE;
    uint16_t m_statusPort = DEFAULT_LPT_BASE + 1;
    uint8_t m_lines = SDA | SCL;
    uint32_t m_clockDelay = DEFAULT_CLOCK_DELAY;
    uint32_t m_writeWait = DEFAULT_WRITE_WAIT;
    uint8_t m_pollWrite = 0;
    uint8_t m_ackError = 0;
    uint64_t m_openedAtNs = 0;
    bool m_opened = false;
    uint64_t m_lastHoldNs = 0;
};
