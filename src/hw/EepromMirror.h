#pragma once
// CEepromMirror: keeps the encoder's serial EEPROM equal to the group image, with as few
// byte writes as possible, and keeps a state code per EEPROM byte for the window's map.
//
// How to use it (the controller owns one, beside its CI2cPort and its view):
//   CEepromMirror mirror(i2cPort, view);     // view: IEepromView, usually the controller
//   mirror.SetEepromSize(m_eepromSize);      // EEPROMSIZE=; clamped to 0..IMAGE_CAPACITY
//   mirror.SetAutoLoad(m_autoLoad);          // from check box 1015, before every call
//   mirror.SetForceWrite(m_forceWrite);      // from check box 1019, before every call
//   mirror.ReadEeprom();                     // first tick with AutoLoad on
//   if (mirror.IsHardwareReady()) ...        // m_hardwareReady: the last read succeeded
//   mirror.SyncEeprom(model.GetImage(), model.GetImageLength());  // every 15 ticks, shutdown
//   mirror.EraseEeprom();                    // button 1029
//   view.DrawEepromMap() reads State(a); the map readout reads Target(a).
// Every operation blocks until done and reports through the view: progress bar, busy
// pointer, message boxes, event-log lines and a map redraw at its end.
//
// EEPROM layout: record count word at 0 (low byte) and 1, then whole 13-byte records.

#include <cstdint>
#include <vector>

#include "EepromView.h"
#include "I2cPort.h"
#include "RdsTypes.h"

// State codes of m_eeState; the window colours the map by them.
namespace EeState {
inline constexpr uint8_t IN_STEP = 0;          // read without error, or equal to the image
inline constexpr uint8_t READ_AFTER_FAILS = 1; // good read that ended a run of failed reads
inline constexpr uint8_t CHANGED = 2;          // changed in the image, written
inline constexpr uint8_t WRITE_AFTER_FAILS = 3;// write that ended a run of failed writes
inline constexpr uint8_t VERIFY_FAILED = 5;    // read back wrong or not at all
inline constexpr uint8_t ERASED = 6;           // written with 0xFF by the erase
inline constexpr uint8_t OUTSIDE_IMAGE = 255;  // not part of the current content
}  // namespace EeState

class CEepromMirror {
public:
    static constexpr int READ_RUN_LIMIT = 128;    // failed reads in a row a read tolerates
    static constexpr int WRITE_RUN_LIMIT = 16;    // failed writes in a row a pass tolerates
    static constexpr int VERIFY_RUN_LIMIT = 128;  // unanswered verify reads before giving up

    CEepromMirror(CI2cPort& bus, IEepromView& view);
    CEepromMirror(const CEepromMirror&) = delete;
    CEepromMirror& operator=(const CEepromMirror&) = delete;

    // ---- settings ----
    void SetEepromSize(int size);
    void SetAutoLoad(bool on) { m_autoLoad = on; }
    void SetForceWrite(bool on) { m_forceWrite = on; }
    [[nodiscard]] int GetEepromSize() const { return m_eepromSize; }
    [[nodiscard]] bool IsHardwareReady() const { return m_hardwareReady; }

    // ---- transfers ----
    void ReadEeprom();
    void SyncEeprom(const uint8_t* image, int length);
    void EraseEeprom();

    // ---- the three arrays, indexed by EEPROM address below IMAGE_CAPACITY ----
    [[nodiscard]] uint8_t State(int address) const { return m_eeState.at(address); }
    [[nodiscard]] uint8_t Target(int address) const { return m_eeTarget.at(address); }
    [[nodiscard]] uint8_t Shadow(int address) const { return m_eeShadow.at(address); }
    [[nodiscard]] const uint8_t* StateData() const { return m_eeState.data(); }
    [[nodiscard]] const uint8_t* TargetData() const { return m_eeTarget.data(); }

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
    void RunSyncPasses(int records);
    void WriteTracked(int address, uint8_t value, int& run, uint8_t writtenState);
    void WriteCount(int count, CountOrder order, bool force, int& run);
    void VerifyRange(int from, int to, VerifyTally& tally);
    void RewriteAndCheck(int address, VerifyTally& tally);
    void VerifyCount(VerifyTally& tally);
    void ReportLeftOut(int leftOut);
    void ReportVerifyFailures(const VerifyTally& tally);

    CI2cPort& m_bus;
    IEepromView& m_view;

    std::vector<uint8_t> m_eeTarget;   // desired content
    std::vector<uint8_t> m_eeShadow;   // what the EEPROM holds, as last read or written
    std::vector<uint8_t> m_eeState;    // EeState code per byte
    std::vector<uint8_t> m_unwritten;  // this sync: the last write attempt went unanswered

    int m_eepromSize = IMAGE_CAPACITY;
    bool m_autoLoad = false;
    bool m_forceWrite = false;
    bool m_hardwareReady = false;
    int m_leftOutReported = 0;  // records last reported as not fitting
    int m_barPosition = -1;
};
