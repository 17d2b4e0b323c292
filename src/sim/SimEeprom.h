#pragma once
// A model of the X24C32 serial EEPROM (4096 bytes) as it sits on the encoder's I2C bus.
// It follows the bus levels edge by edge: start, stop, 8 bits and an acknowledge per
// byte. The device byte 0xA0..0xBF carries address bits 8..11 in its bits 1..4; any
// other device byte is not acknowledged. A write ends in a 5 ms write cycle during which
// the chip acknowledges no device byte. Time comes from the caller.

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <set>
#include <string>

class CSimEeprom {
public:
    static constexpr int SIZE = 4096;
    static constexpr int PAGE = 32;
    static constexpr uint64_t WRITE_CYCLE_NS = 5'000'000;

    using Content = std::array<uint8_t, SIZE>;
    // Called after every completed write cycle has changed the content.
    using WriteObserver = std::function<void(int firstAddress, const Content& content)>;

    CSimEeprom();

    // ---- content and its file ----
    // Loads the file, or creates it blank (0xFF) when it does not exist; either way it must
    // be replaceable. A file of any other size than 4096 bytes, or one marked read-only, is
    // refused, not overwritten. A write cycle whose content the file does not take is
    // undone, so the chip never holds what a restart would not read back.
    bool AttachFile(const std::string& path, std::string& error);
    [[nodiscard]] const Content& Bytes() const { return m_memory; }
    void Fill(uint8_t value) { m_memory.fill(value); }
    void Poke(int address, uint8_t value) { m_memory.at(address) = value; }
    void SetWriteObserver(WriteObserver observer) { m_observer = std::move(observer); }

    // ---- the bus, driven by the interface ----
    void Connect(bool sda, bool scl);                // the master gets the bus with these levels
    void Disconnect();                               // the bus goes back to the encoder's controller
    void Lines(bool sda, bool scl, uint64_t nowNs);  // the master's levels after one change
    [[nodiscard]] bool SdaReleased() const { return !m_pullLow; }

    // ---- fault switches ----
    void SetAbsent(bool absent) { m_absent = absent; }
    // Withholds acknowledges number first .. first+count-1, counted from this call among
    // those the chip would give. A withheld acknowledge leaves the chip idle until a start.
    void MissAcks(uint64_t first, uint64_t count);
    void SetMissAckRate(double probability) { m_missAckRate = probability; }
    // Inverts the bits of mask in read-out byte number n (counted from this call, from 1).
    void FlipReadByte(uint64_t n, uint8_t mask);
    void SetFlipRate(double probability) { m_flipRate = probability; }  // one bit per byte
    void SetWriteCycleStuck(bool stuck);       // write cycles from now on never end; off ends one
    void SetWeakCell(int address, bool weak);  // the cell keeps its old value when written
    void SetDeafCell(int address, bool deaf);  // a data byte for the cell is not acknowledged
    void SetFaultSeed(uint32_t seed) { m_random.seed(seed); }
    // The chip loses its supply after n more write cycles (0: at once) and answers nothing
    // until SetAbsent(false); a negative n never cuts it.
    void CutPowerAfterWrites(int64_t n);

    // ---- counters ----
    [[nodiscard]] uint64_t WriteCycles() const { return m_writeCycles; }
    [[nodiscard]] uint64_t BytesWritten() const { return m_bytesWritten; }
    [[nodiscard]] uint64_t BytesRead() const { return m_bytesRead; }
    [[nodiscard]] int SaveFailures() const { return m_saveFailures; }
    // Why the last save failed ("FILE: cause"); empty once a save has succeeded again.
    [[nodiscard]] const std::string& SaveError() const { return m_saveError; }
    [[nodiscard]] bool Busy(uint64_t nowNs) const { return nowNs < m_busyUntil; }
    // Write cycles each cell has been through since the start: a cell wears per cycle, not per
    // changed value, so a byte rewritten with its own value counts too.
    [[nodiscard]] uint32_t CellWrites(int address) const { return m_cellWrites.at(address); }
    [[nodiscard]] int BusiestCell() const;

private:
    enum class Phase { Idle, Device, Word, Data, Read };

    void OnStart();
    void OnStop(uint64_t nowNs);
    void OnRise(bool sda);
    void OnFall(uint64_t nowNs);
    [[nodiscard]] bool ByteReceived(uint8_t byte, uint64_t nowNs);
    [[nodiscard]] bool GiveAck();
    void LoadReadByte();
    void DriveBit();
    void Commit(uint64_t nowNs);
    int Save();  // 0, or the errno of the failure, which it also keeps for SaveError
    [[nodiscard]] int Replace() const;
    [[nodiscard]] bool Chance(double probability);

    Content m_memory{};
    std::string m_file;
    WriteObserver m_observer;

    // bus state
    bool m_masterSda = true;
    bool m_scl = true;
    bool m_pullLow = false;
    Phase m_phase = Phase::Idle;
    int m_bits = 0;
    bool m_ackSlot = false;
    uint8_t m_shift = 0;
    uint8_t m_outByte = 0;
    uint16_t m_highBits = 0;
    uint16_t m_pointer = 0;
    std::array<int16_t, PAGE> m_page{};  // -1: no byte for this page slot
    int m_pageBytes = 0;
    uint64_t m_busyUntil = 0;

    // faults
    bool m_absent = false;
    bool m_stuck = false;
    uint64_t m_acksGiven = 0;
    uint64_t m_missFirst = 0, m_missCount = 0;
    double m_missAckRate = 0.0;
    uint64_t m_readsOut = 0;
    uint64_t m_flipAt = 0;
    uint8_t m_flipMask = 0;
    double m_flipRate = 0.0;
    std::set<int> m_weakCells;
    std::set<int> m_deafCells;
    std::mt19937 m_random{1};
    int64_t m_writesBeforeCut = -1;

    std::array<uint32_t, SIZE> m_cellWrites{};

    uint64_t m_writeCycles = 0;
    uint64_t m_bytesWritten = 0;
    uint64_t m_bytesRead = 0;
    int m_saveFailures = 0;
    std::string m_saveError;
};
