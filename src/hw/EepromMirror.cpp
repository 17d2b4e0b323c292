#include "EepromMirror.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {
const char* const kInterfaceCaption = "Erro de acesso ao hardware externo.";
const char* const kInterfaceText =
    "O interface n\xE3o respondeu, ou o cabo de liga\xE7\xE3o\n"
    "ao controlador n\xE3o se encontra ligado. Verifique se o\n"
    "PIC n\xE3o est\xE1 em LOCK e tente carregar de novo o sistema.";
const char* const kReadCaption = "Erro de leitura da EEPROM ( sinal ACKNOWLEDGE )";
const char* const kReadText =
    "Erro ao aceder a pelo menos uma posi\xE7\xE3o da EEPROM\n"
    "assim sendo, entende-se como corrup\xE7\xE3o de leitura e ter\xE1 de\n"
    "se efectuar novamente - verifique os cabos de liga\xE7\xE3o ou se\n"
    "a EEPROM est\xE1 boa.";

constexpr int kHeader = EEPROM_HEADER_BYTES;
constexpr int kBarStep = 16;
constexpr int kBarRange = IMAGE_CAPACITY / kBarStep;

uint16_t Address(int address) { return static_cast<uint16_t>(address); }
}  // namespace

CEepromMirror::CEepromMirror(CI2cPort& bus, IEepromView& view)
    : m_bus(bus),
      m_view(view),
      m_eeTarget(IMAGE_CAPACITY, 0xFF),
      m_eeShadow(IMAGE_CAPACITY, 0xFF),
      m_eeState(IMAGE_CAPACITY, EeState::OUTSIDE_IMAGE),
      m_unwritten(IMAGE_CAPACITY, 0),
      m_failedSyncs(IMAGE_CAPACITY, 0),
      m_readBack(IMAGE_CAPACITY, 0) {}

void CEepromMirror::SetEepromSize(int size) {
    // The configuration takes any 32-bit value; every loop below trusts this bound.
    m_eepromSize = std::clamp(size, 0, IMAGE_CAPACITY);
}

int CEepromMirror::Word(const std::vector<uint8_t>& bytes) { return bytes[0] | bytes[1] << 8; }

CEepromMirror::CountOrder CEepromMirror::OrderFor(int from, int to) {
    // Growing low byte first and shrinking high byte first never shows a larger interim count.
    return to >= from ? CountOrder::LowFirst : CountOrder::HighFirst;
}

// ---- progress ----

void CEepromMirror::BeginPass(BarColour colour) {
    m_barPosition = 0;
    m_view.SetProgressPosition(0);
    m_view.SetProgressColour(colour);
}

void CEepromMirror::ShowAddress(int address) {
    const int position = address / kBarStep;
    if (position == m_barPosition) return;
    m_barPosition = position;
    m_view.SetProgressPosition(position);
}

void CEepromMirror::EndTransfer() {
    m_barPosition = 0;
    m_view.SetProgressPosition(0);
    m_view.SetProgressColour(BAR_IDLE);
}

// ---- read ----

ReadReport CEepromMirror::ReadEeprom() {
    m_hardwareReady = false;
    if (!m_bus.Open()) {
        m_bus.Close();
        ReadReport report;
        report.interfaceSilent = true;
        ShowReadFailure(report);
        return report;
    }
    m_view.SetBusyPointer(true);
    BeginPass(BAR_READING);
    int run = 0;
    int runStart = 0;
    ReadReport report;
    for (int a = 0; a < m_eepromSize; ++a) {
        ShowAddress(a);
        const uint8_t value = m_bus.ReadByte(Address(a));
        m_eeTarget[a] = value;
        m_eeShadow[a] = value;
        const bool unanswered = m_bus.AckError();
        m_readBack[a] = unanswered ? 0 : 1;
        if (unanswered) {
            if (run == 0) runStart = a;
            if (run < READ_RUN_LIMIT) {
                ++run;
                continue;
            }
            if (report.failedAt < 0) report.failedAt = runStart;
        }
        m_eeState[a] = run != 0 ? EeState::READ_AFTER_FAILS : EeState::IN_STEP;
        run = 0;
    }
    m_bus.Close();
    EndTransfer();
    m_view.DrawEepromMap();
    m_view.SetBusyPointer(false);
    if (report.failedAt >= 0) {
        ShowReadFailure(report);
        return report;
    }
    m_hardwareReady = true;
    report.ready = true;
    report.bytesRead = m_eepromSize;
    return report;
}

void CEepromMirror::ShowReadFailure(const ReadReport& report) {
    // The read is retried unattended; one box is enough, the caller logs the rest.
    if (!m_readFailureShown) ShowReadMessage(report);
    m_readFailureShown = true;
    m_view.DisableEepromControls();
}

void CEepromMirror::ShowReadMessage(const ReadReport& report) {
    if (report.interfaceSilent) {
        m_view.ShowMessage(kInterfaceCaption, kInterfaceText, MessageIcon::Information);
        return;
    }
    // A size beyond the chip fails exactly like a broken cable, so both causes are named.
    char detail[256];
    std::snprintf(detail, sizeof detail,
                  "\n\nPrimeira posi\xE7\xE3o em falha: 0x%04X. EEPROMSIZE pode ser maior do que\n"
                  "a EEPROM (EEPROMSIZE=1000 para uma X24C32).",
                  static_cast<unsigned>(report.failedAt));
    m_view.ShowMessage(kReadCaption, std::string(kReadText) + detail, MessageIcon::Stop);
}

// ---- synchronise ----

SyncReport CEepromMirror::SyncEeprom(const uint8_t* image, int length, bool forceWrite) {
    SyncReport report;
    if (!m_hardwareReady) return report;
    report.ran = true;
    report.eepromSize = m_eepromSize;
    m_view.SetBusyPointer(true);
    const int size = m_eepromSize;
    for (int a = 0; a < std::min(size, kHeader); ++a) m_eeState[a] = EeState::IN_STEP;

    if (image == nullptr) length = 0;
    length = std::clamp(length, 0, IMAGE_CAPACITY);
    const int fitting = size > kHeader ? (size - kHeader) / RECORD_BYTES : 0;
    const int imageRecords = length / RECORD_BYTES;
    const int records = std::min(imageRecords, fitting);
    report.recordsLeftOut = imageRecords - records;

    CopyImage(image, records);
    if (size >= kHeader) RunSyncPasses(records, forceWrite, report);

    m_view.SetProgressRange(kBarRange);
    EndTransfer();
    for (int a = kHeader + records * RECORD_BYTES; a < size; ++a) m_eeState[a] = EeState::OUTSIDE_IMAGE;
    m_view.DrawEepromMap();
    m_view.SetBusyPointer(false);
    report.bytesChanged = CountChanged(records);
    return report;
}

int CEepromMirror::CountChanged(int records) const {
    const auto first = m_eeState.begin() + kHeader;
    return static_cast<int>(std::count(first, first + std::ptrdiff_t{records} * RECORD_BYTES, EeState::CHANGED));
}

void CEepromMirror::CopyImage(const uint8_t* image, int records) {
    for (int i = 0; i < records * RECORD_BYTES; ++i) {
        const int a = kHeader + i;
        if (m_eeTarget[a] != image[i]) {
            m_eeTarget[a] = image[i];
            m_eeState[a] = EeState::CHANGED;
        } else {
            m_eeState[a] = EeState::IN_STEP;
        }
    }
}

void CEepromMirror::RunSyncPasses(int records, bool forceWrite, SyncReport& report) {
    const int size = m_eepromSize;
    const int newEnd = kHeader + records * RECORD_BYTES;
    const int stored = Word(m_eeShadow);
    // A count that claims more than the EEPROM holds (0xFFFF when blank) covers nothing real.
    const bool storedValid = kHeader + stored * RECORD_BYTES <= size;
    const int oldEnd = storedValid ? kHeader + stored * RECORD_BYTES : size;
    const int passEnd = std::max(oldEnd, newEnd);

    if (!forceWrite && stored == 0 && records == 0) {
        m_eeTarget[0] = 0;
        m_eeTarget[1] = 0;
        return;
    }
    std::fill(m_unwritten.begin(), m_unwritten.begin() + passEnd, 0);
    m_bus.Open();
    m_view.SetProgressRange(passEnd / kBarStep);
    BeginPass(BAR_SYNC_WRITE);

    // Lower the count before the records it covers change; raise it only after them.
    int writeRun = 0;
    int claimed = stored;
    bool countForced = false;
    if (!storedValid) {
        WriteCount(0, CountOrder::LowFirst, false, writeRun);
        claimed = 0;
    } else if (records < stored) {
        WriteCount(records, CountOrder::HighFirst, forceWrite, writeRun);
        countForced = forceWrite;
        claimed = records;
    }

    for (int a = kHeader; a < passEnd; ++a) {
        ShowAddress(a);
        const bool forced = forceWrite && a < newEnd;
        if (!forced && m_eeTarget[a] == m_eeShadow[a]) continue;
        WriteTracked(a, m_eeTarget[a], writeRun, EeState::CHANGED);
    }

    m_view.SetProgressColour(BAR_SYNC_VERIFY);
    VerifyTally tally;
    VerifyRange(kHeader, passEnd, tally);

    report.deadBytes = TallyFailedSyncs(kHeader, newEnd);
    const int count = CountToClaim(claimed, records);
    WriteCount(count, OrderFor(Word(m_eeShadow), count), forceWrite && !countForced, writeRun);
    VerifyCount(tally);
    m_bus.Close();
    report.verifyFailed = tally.failed;
}

bool CEepromMirror::FailedThisSync(int address) const {
    return m_unwritten[address] != 0 || m_eeState[address] == EeState::VERIFY_FAILED;
}

std::vector<int> CEepromMirror::TallyFailedSyncs(int from, int to) {
    std::vector<int> dead;
    for (int a = from; a < to; ++a) {
        uint8_t& syncs = m_failedSyncs[a];
        if (!FailedThisSync(a)) {
            syncs = 0;
        } else if (syncs < DEAD_SYNCS && ++syncs == DEAD_SYNCS) {
            dead.push_back(a);
        }
    }
    return dead;
}

int CEepromMirror::CountToClaim(int claimed, int records) const {
    // New records count only once the chip holds every byte of them, whether the byte went
    // unanswered or did not keep its value; a dead byte costs receivers one group, while
    // holding the count back would cost them the rest of the image.
    for (int a = kHeader + claimed * RECORD_BYTES; a < kHeader + records * RECORD_BYTES; ++a) {
        if (FailedThisSync(a) && m_failedSyncs[a] < DEAD_SYNCS) return std::max(claimed, (a - kHeader) / RECORD_BYTES);
    }
    return records;
}

void CEepromMirror::WriteTracked(int address, uint8_t value, int& run, uint8_t writtenState) {
    m_bus.WriteByte(Address(address), value);
    m_readBack[address] = 0;  // a written byte is known again once it reads back
    m_eeState[address] = writtenState;
    const bool failed = m_bus.AckError();
    m_unwritten[address] = failed ? 1 : 0;
    if (failed && run < WRITE_RUN_LIMIT) {
        ++run;  // the shadow keeps the old value, so the byte is tried again
        return;
    }
    m_eeShadow[address] = value;
    if (run != 0) m_eeState[address] = EeState::WRITE_AFTER_FAILS;
    run = 0;
}

void CEepromMirror::WriteCount(int count, CountOrder order, bool force, int& run) {
    m_eeTarget[0] = static_cast<uint8_t>(count & 0xFF);
    m_eeTarget[1] = static_cast<uint8_t>(count >> 8);
    const int first = order == CountOrder::LowFirst ? 0 : 1;
    for (const int a : {first, 1 - first})
        if (force || m_eeTarget[a] != m_eeShadow[a]) WriteTracked(a, m_eeTarget[a], run, EeState::CHANGED);
}

// ---- verify ----

void CEepromMirror::VerifyRange(int from, int to, VerifyTally& tally) {
    int run = 0;
    for (int a = from; a < to; ++a) {
        ShowAddress(a);
        const uint8_t value = m_bus.ReadByte(Address(a));
        // An unanswered read proves nothing, even when the floating bus gives the right value.
        const bool unanswered = m_bus.AckError();
        if (!unanswered && value == m_eeTarget[a]) {
            m_eeShadow[a] = value;
            m_readBack[a] = 1;
            m_unwritten[a] = 0;
            run = 0;
            continue;
        }
        if (unanswered) {
            if (run == VERIFY_RUN_LIMIT) {
                m_eeState[a] = EeState::VERIFY_FAILED;
                ++tally.failed;
                run = 0;
                continue;
            }
            ++run;
        }
        RewriteAndCheck(a, tally);
    }
}

void CEepromMirror::RewriteAndCheck(int address, VerifyTally& tally) {
    const uint8_t want = m_eeTarget[address];
    m_bus.WriteByte(Address(address), want);
    if (!m_bus.AckError()) {
        m_eeShadow[address] = want;
        m_unwritten[address] = 0;
    }
    // One read-back: a cell that does not keep its value shows here instead of being
    // rewritten unnoticed on every sync.
    const uint8_t back = m_bus.ReadByte(Address(address));
    m_readBack[address] = 0;
    if (!m_bus.AckError() && back == want) {
        m_eeShadow[address] = want;
        m_unwritten[address] = 0;
        m_readBack[address] = 1;
        return;
    }
    m_eeState[address] = EeState::VERIFY_FAILED;
    ++tally.failed;
}

void CEepromMirror::VerifyCount(VerifyTally& tally) {
    uint8_t value[2];
    bool good[2];
    for (int a = 0; a < kHeader; ++a) {
        value[a] = m_bus.ReadByte(Address(a));
        good[a] = !m_bus.AckError() && value[a] == m_eeTarget[a];
        m_readBack[a] = good[a] ? 1 : 0;
        if (!good[a]) value[a] = m_eeShadow[a];
        else m_eeShadow[a] = value[a];
    }
    if (good[0] && good[1]) return;
    const int held = value[0] | value[1] << 8;
    const int first = OrderFor(held, Word(m_eeTarget)) == CountOrder::LowFirst ? 0 : 1;
    for (const int a : {first, 1 - first})
        if (!good[a]) RewriteAndCheck(a, tally);
}

// ---- erase ----

EraseReport CEepromMirror::EraseEeprom() {
    const int size = m_eepromSize;
    if (size > 0) m_eeState[0] = EeState::IN_STEP;
    std::fill(m_eeTarget.begin(), m_eeTarget.begin() + size, 0xFF);
    std::fill(m_eeShadow.begin(), m_eeShadow.begin() + size, 0xFF);

    m_bus.Open();
    BeginPass(BAR_ERASE_WRITE);
    int run = 0;
    for (int a = 0; a < size; ++a) {
        ShowAddress(a);
        WriteTracked(a, 0xFF, run, EeState::ERASED);
    }
    BeginPass(BAR_ERASE_VERIFY);
    VerifyTally tally;
    VerifyRange(0, size, tally);
    m_bus.Close();
    EndTransfer();
    // Failures stay on the map; everything else is no longer part of any image.
    for (int a = 0; a < size; ++a)
        if (m_eeState[a] != EeState::WRITE_AFTER_FAILS && m_eeState[a] != EeState::VERIFY_FAILED)
            m_eeState[a] = EeState::OUTSIDE_IMAGE;
    m_view.DrawEepromMap();
    return {tally.failed};
}
