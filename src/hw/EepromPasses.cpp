// The write and verify passes of the EEPROM transfers: records written a page run per write
// cycle (or a byte per cycle), then read back and repaired.

#include <algorithm>

#include "EepromMirror.h"

namespace {
constexpr int kPage = CI2cPort::PAGE_BYTES;

uint16_t Address(int address) { return static_cast<uint16_t>(address); }
}  // namespace

// Bytes below forcedEnd are written whatever the shadow says.
bool CEepromMirror::NeedsWrite(int address, int forcedEnd) const {
    return address < forcedEnd || m_eeTarget[address] != m_eeShadow[address];
}

void CEepromMirror::WriteRecords(int forcedEnd, int passEnd, int& run) {
    // Page by page: the chip wraps a write inside its page, so a run never crosses one.
    for (int page = 0; page < passEnd; page += kPage) {
        const int from = std::max(page, EEPROM_HEADER_BYTES);
        const int to = std::min(page + kPage, passEnd);
        int first = -1;
        int last = -1;
        bool alone = false;
        for (int a = from; a < to; ++a) {
            if (!NeedsWrite(a, forcedEnd)) continue;
            if (first < 0) first = a;
            last = a;
            alone = alone || m_byteByByte[a] != 0;
        }
        if (first < 0) continue;
        ShowAddress(first);
        if (m_writeMode == WriteMode::Page && !alone) {
            WritePageRun(first, last + 1, forcedEnd, EeState::CHANGED, run);
            continue;
        }
        // A page the chip refused last time goes byte by byte: one dead cell costs one byte.
        for (int a = first; a <= last; ++a) {
            if (!NeedsWrite(a, forcedEnd)) continue;
            WriteTracked(a, m_eeTarget[a], run, EeState::CHANGED);
            m_check[a] = 1;
            m_byteByByte[a] = 0;
        }
    }
}

void CEepromMirror::WritePageRun(int first, int end, int forcedEnd, uint8_t writtenState, int& run) {
    // Unchanged bytes inside the run go out with the value the chip already holds.
    m_bus.WritePage(Address(first), &m_eeTarget[first], end - first);
    const bool failed = m_bus.AckError();
    const bool refused = failed && run < WRITE_RUN_LIMIT;
    const bool afterFails = run != 0;
    for (int a = first; a < end; ++a) {
        m_check[a] = 1;
        m_readBack[a] = 0;  // what the chip holds is known again once it reads back
        m_unwritten[a] = failed ? 1 : 0;
        if (!NeedsWrite(a, forcedEnd)) continue;
        m_eeState[a] = writtenState;
        if (refused) {
            m_byteByByte[a] = 1;  // the shadow keeps the old value, so the byte is tried again
            continue;
        }
        m_eeShadow[a] = m_eeTarget[a];
        if (afterFails) m_eeState[a] = EeState::WRITE_AFTER_FAILS;
    }
    run = refused ? run + 1 : 0;
}

// ---- verify ----

void CEepromMirror::VerifyRange(int from, int to, bool onlyChecked, VerifyTally& tally) {
    int run = 0;
    for (int page = from - from % kPage; page < to; page += kPage) {
        int first = std::max(page, from);
        int end = std::min(page + kPage, to);
        if (onlyChecked) {
            while (first < end && m_check[first] == 0) ++first;
            while (end > first && m_check[end - 1] == 0) --end;
        }
        if (m_writeMode == WriteMode::Byte) {
            for (int a = first; a < end; ++a)
                if (!onlyChecked || m_check[a] != 0) VerifyByte(a, run, tally);
            continue;
        }
        if (first < end) VerifyRun(first, end, run, tally);
    }
}

void CEepromMirror::VerifyRun(int first, int end, int& run, VerifyTally& tally) {
    ShowAddress(first);
    uint8_t got[kPage];
    m_bus.ReadRun(Address(first), got, end - first);
    if (m_bus.AckError()) {
        // Which byte went unanswered is not known: each is read alone, as a byte writer does.
        for (int a = first; a < end; ++a) VerifyByte(a, run, tally);
        return;
    }
    for (int a = first; a < end; ++a) {
        if (got[a - first] != m_eeTarget[a]) {
            RewriteAndCheck(a, tally);
            continue;
        }
        m_eeShadow[a] = got[a - first];
        m_readBack[a] = 1;
        m_unwritten[a] = 0;
        run = 0;
    }
}

void CEepromMirror::VerifyByte(int address, int& run, VerifyTally& tally) {
    ShowAddress(address);
    const uint8_t value = m_bus.ReadByte(Address(address));
    // An unanswered read proves nothing, even when the floating bus gives the right value.
    const bool unanswered = m_bus.AckError();
    if (!unanswered && value == m_eeTarget[address]) {
        m_eeShadow[address] = value;
        m_readBack[address] = 1;
        m_unwritten[address] = 0;
        run = 0;
        return;
    }
    if (unanswered) {
        if (run == VERIFY_RUN_LIMIT) {
            m_eeState[address] = EeState::VERIFY_FAILED;
            ++tally.failed;
            run = 0;
            return;
        }
        ++run;
    }
    RewriteAndCheck(address, tally);
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
    for (int a = 0; a < EEPROM_HEADER_BYTES; ++a) {
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
