#pragma once
// CEepromMirror: keeps the encoder's serial EEPROM equal to the group image, with as few
// byte writes as possible, and keeps a state code per EEPROM byte for the window's map.
//
// How to use it (the controller owns one, beside its CI2cPort, and is its view):
//   CEepromMirror mirror(i2cPort, view);     // view: IEepromView, usually the controller
//   mirror.SetEepromSize(size);              // EEPROMSIZE=; clamped to 0..IMAGE_CAPACITY
//   ReadReport r = mirror.ReadEeprom();      // first tick with AutoLoad on
//   if (mirror.IsHardwareReady()) ...        // the last read succeeded
//   SyncReport s = mirror.SyncEeprom(image, length, forceWrite);  // every 15 ticks, shutdown
//   EraseReport e = mirror.EraseEeprom();    // button 1029
//   view.DrawEepromMap() reads State(a); the map readout reads Target(a).
// Every operation blocks until done; it drives the view's progress bar, busy pointer, map
// and failure message boxes (for failed reads only the first of the run), and returns what
// happened for the caller to log.
//
// EEPROM layout: record count word at 0 (low byte) and 1, then whole 13-byte records.

#include <cstdint>
#include <string>
#include <vector>

#include "EepromView.h"
#include "I2cPort.h"
#include "RdsTypes.h"

// State codes of m_eeState; the window colours the map by them.
namespace EeState {
inline constexpr uint8_t IN_STEP = 0;            // read without error, or equal to the image
inline constexpr uint8_t READ_AFTER_FAILS = 1;   // good read that ended a run of failed reads
inline constexpr uint8_t CHANGED = 2;            // changed in the image, written
inline constexpr uint8_t WRITE_AFTER_FAILS = 3;  // write that ended a run of failed writes
inline constexpr uint8_t VERIFY_FAILED = 5;      // read back wrong or not at all
inline constexpr uint8_t ERASED = 6;             // written with 0xFF by the erase
inline constexpr uint8_t OUTSIDE_IMAGE = 255;    // not part of the current content
}  // namespace EeState

struct ReadReport {
    bool ready = false;  // every byte was read; the EEPROM may be synchronised from now on
    int bytesRead = 0;
    bool interfaceSilent = false;  // the interface never handed the bus over
    int failedAt = -1;             // first address of the run of failed reads that ended the read
};

struct SyncReport {
    bool ran = false;            // false before a good read: nothing was touched
    int bytesChanged = 0;        // image bytes written by this sync and in step afterwards
    int verifyFailed = 0;        // bytes read back wrong or not at all
    int recordsLeftOut = 0;      // whole records of the image that do not fit the EEPROM
    int eepromSize = 0;          // the size they did not fit in
    std::vector<int> deadBytes;  // addresses that failed their DEAD_SYNCS-th sync in a row now
};

struct EraseReport {
    int verifyFailed = 0;  // bytes that did not read back as 0xFF
};

// The event-log lines of the reports (CP1252); the synchronisation's lines are empty when
// it has nothing to say.
[[nodiscard]] std::string ReadLine(const ReadReport& report);
[[nodiscard]] std::string ReadFailedLine(const ReadReport& report);
[[nodiscard]] std::string DeadByteLine(int address);
[[nodiscard]] std::string LeftOutLine(const SyncReport& report);
[[nodiscard]] std::string VerifyFailedLine(int bytes);
[[nodiscard]] std::string SyncedLine(const SyncReport& report);

class CEepromMirror {
public:
    static constexpr int READ_RUN_LIMIT = 128;    // failed reads in a row a read tolerates
    static constexpr int WRITE_RUN_LIMIT = 16;    // failed writes in a row a pass tolerates
    static constexpr int VERIFY_RUN_LIMIT = 128;  // unanswered verify reads before giving up
    // Syncs in a row a byte may fail before it counts as dead and stops holding the count back.
    static constexpr int DEAD_SYNCS = 3;

    CEepromMirror(CI2cPort& bus, IEepromView& view);
    CEepromMirror(const CEepromMirror&) = delete;
    CEepromMirror& operator=(const CEepromMirror&) = delete;

    // ---- settings ----
    void SetEepromSize(int size);
    [[nodiscard]] int GetEepromSize() const { return m_eepromSize; }
    [[nodiscard]] bool IsHardwareReady() const { return m_hardwareReady; }

    // ---- transfers ----
    ReadReport ReadEeprom();
    // forceWrite rewrites every byte of the image, equal or not.
    SyncReport SyncEeprom(const uint8_t* image, int length, bool forceWrite = false);
    EraseReport EraseEeprom();

    // ---- the three arrays, indexed by EEPROM address below IMAGE_CAPACITY ----
    [[nodiscard]] uint8_t State(int address) const { return m_eeState.at(address); }
    [[nodiscard]] uint8_t Target(int address) const { return m_eeTarget.at(address); }
    [[nodiscard]] uint8_t Shadow(int address) const { return m_eeShadow.at(address); }
    [[nodiscard]] const uint8_t* StateData() const { return m_eeState.data(); }
    [[nodiscard]] const uint8_t* TargetData() const { return m_eeTarget.data(); }
    // What the chip holds, byte by byte, and whether each byte read back right since it was
    // last written (1) or not (0): what the encoder is known to send.
    [[nodiscard]] const uint8_t* ShadowData() const { return m_eeShadow.data(); }
    [[nodiscard]] const uint8_t* ReadBackData() const { return m_readBack.data(); }

private:
    enum class CountOrder { LowFirst, HighFirst };
    struct VerifyTally {
        int failed = 0;  // bytes marked VERIFY_FAILED by this pass
    };

    [[nodiscard]] static int Word(const std::vector<uint8_t>& bytes);
    [[nodiscard]] static CountOrder OrderFor(int from, int to);

    void BeginPass(BarColour colour);
    void ShowAddress(int address);
    void EndTransfer();

    void CopyImage(const uint8_t* image, int records);
    void ShowReadFailure(const ReadReport& report);
    void ShowReadMessage(const ReadReport& report);
    void RunSyncPasses(int records, bool forceWrite, SyncReport& report);
    [[nodiscard]] bool FailedThisSync(int address) const;
    [[nodiscard]] std::vector<int> TallyFailedSyncs(int from, int to);
    [[nodiscard]] int CountToClaim(int claimed, int records) const;
    [[nodiscard]] int CountChanged(int records) const;
    void WriteTracked(int address, uint8_t value, int& run, uint8_t writtenState);
    void WriteCount(int count, CountOrder order, bool force, int& run);
    void VerifyRange(int from, int to, VerifyTally& tally);
    void RewriteAndCheck(int address, VerifyTally& tally);
    void VerifyCount(VerifyTally& tally);

    CI2cPort& m_bus;
    IEepromView& m_view;

    std::vector<uint8_t> m_eeTarget;     // desired content
    std::vector<uint8_t> m_eeShadow;     // what the EEPROM holds, as last read or written
    std::vector<uint8_t> m_eeState;      // EeState code per byte
    std::vector<uint8_t> m_unwritten;    // this sync: the last write attempt went unanswered
    std::vector<uint8_t> m_failedSyncs;  // syncs in a row the byte failed, up to DEAD_SYNCS
    std::vector<uint8_t> m_readBack;     // 1: the shadow's value was read back from the chip

    int m_eepromSize = IMAGE_CAPACITY;
    bool m_hardwareReady = false;
    bool m_readFailureShown = false;  // later failed reads are only logged by the caller
    int m_barPosition = -1;
};
