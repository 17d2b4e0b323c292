// The controller's EEPROM side: the first read and its retry, the syncs with their hold,
// the erase, and the log lines each transfer's report gives.

#include <algorithm>

#include "ImageDump.h"
#include "RdsServerDlg.h"

namespace {

constexpr const char* STORAGE_FAULT_PREFIX =
    "EEPROM: conte\xFA"
    "do n\xE3o guardado: ";

constexpr const char* SYNC_HELD_LINE =
    "EEPROM n\xE3o sincronizada: RDS.TXT n\xE3o foi lido e os valores por defeito n\xE3o "
    "substituem os da EEPROM (at\xE9 um ENCODE ou Repor valores por defeito).";

}  // namespace

void CRdsServerDlg::ScheduleReadRetry() {
    if (m_readRetryTicks == 0 || --m_readRetryTicks != 0) return;
    // The size is taken from DEF.INI again, so a corrected EEPROMSIZE needs no restart.
    m_mirror.SetEepromSize(CConfigReader::ReadFile(FindWorkingFile("DEF.INI")).settings.eepromSize);
    m_initialLoadPending = true;
}

void CRdsServerDlg::SyncOnRhythm() {
    // A new minute's clock groups, a command or a title reach the encoder at the next tick;
    // the full read-back every SYNC_TICKS repairs what a fault left behind.
    m_model.RefreshClock();
    if (++m_syncCount >= SYNC_TICKS) {
        m_syncCount = 0;
        SyncEeprom();
        ShowImageDump();
        return;
    }
    const uint8_t* image = m_model.GetImage();
    const int length = m_model.GetImageLength();
    if (std::equal(image, image + length, m_syncedImage.begin(), m_syncedImage.end())) return;
    SyncEeprom(VerifyScope::Written);
}

void CRdsServerDlg::ShowImageDump() {
    // The list already shows an unchanged image; a journal would grow by 9 KB every 15 s.
    std::vector<std::string> lines = ImageDumpLines(m_model.GetImage(), m_model.GetImageLength());
    if (lines == m_shownDump) return;
    m_view.ClearList(ServerList::Dump);
    for (const std::string& line : lines) m_view.AddLine(ServerList::Dump, line);
    m_shownDump = std::move(lines);
}

// ---------------------------------------------------------------- EEPROM

void CRdsServerDlg::ReadEeprom() {
    const ReadReport report = m_mirror.ReadEeprom();
    if (report.ready) {
        AddLog(ReadLine(report));
        ReportOnAir();
        m_readRetryTicks = 0;
        if (!m_readFailureLogged.empty()) {
            m_view.EnableControl(kIdAutoLoadBox, true);
            m_view.EnableControl(kIdForceWriteBox, true);
        }
        m_readFailureLogged.clear();
        return;
    }
    // A fixed cable or setting must bring the station back unattended; one line per new cause.
    m_readRetryTicks = READ_RETRY_TICKS;
    if (const std::string line = ReadFailedLine(report); line != m_readFailureLogged) {
        m_readFailureLogged = line;
        AddLog(line);
    }
}

void CRdsServerDlg::LogStorageFault() {
    const std::string fault = m_io ? m_io->StorageFault() : std::string();
    // Once per failing stretch: a full disk would otherwise fill the log every sync.
    if (!fault.empty() && m_storageFault.empty()) AddLog(STORAGE_FAULT_PREFIX + fault);
    m_storageFault = fault;
}

void CRdsServerDlg::SyncEeprom(VerifyScope scope) {
    if (!m_mirror.IsHardwareReady() || !m_controls.autoLoad) return;
    if (m_syncHeld) {
        if (!m_syncHeldLogged) AddLog(SYNC_HELD_LINE);
        m_syncHeldLogged = true;
        return;
    }
    const uint8_t* image = m_model.GetImage();
    const int length = m_model.GetImageLength();
    const SyncReport report = m_mirror.SyncEeprom(image, length, m_controls.forceWrite, scope);
    if (report.ran) m_syncedImage.assign(image, image + length);
    RememberSync(report);
    // Records that do not fit are told once, until their number changes.
    if (report.recordsLeftOut != m_leftOutReported) {
        m_leftOutReported = report.recordsLeftOut;
        if (const std::string line = LeftOutLine(report); !line.empty()) AddLog(line);
    }
    for (const int address : report.deadBytes) AddLog(DeadByteLine(address));
    LogStorageFault();
    if (const std::string line = VerifyFailedLine(report.verifyFailed); !line.empty()) AddLog(line);
    if (const std::string line = SyncedLine(report); !line.empty()) AddLog(line);
    if (report.ran) {
        ReportOnAir();
        LogOnAirDifference();
    }
}

void CRdsServerDlg::EraseEeprom() {
    const EraseReport report = m_mirror.EraseEeprom();
    LogStorageFault();
    if (const std::string line = VerifyFailedLine(report.verifyFailed); !line.empty()) AddLog(line);
    ReportOnAir();  // the station is off air now, not at the next sync
}
