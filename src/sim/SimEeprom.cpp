#include "SimEeprom.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr uint64_t kNever = std::numeric_limits<uint64_t>::max();

// Writes all of data to fd, across short writes.
bool WriteAll(int fd, const uint8_t* data, size_t length) {
    while (length > 0) {
        const ssize_t done = ::write(fd, data, length);
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += done;
        length -= static_cast<size_t>(done);
    }
    return true;
}
}  // namespace

CSimEeprom::CSimEeprom() {
    m_memory.fill(0xFF);
    m_page.fill(-1);
}

// ---- file ----

bool CSimEeprom::AttachFile(const std::string& path, std::string& error) {
    struct stat info {};
    const bool existed = ::stat(path.c_str(), &info) == 0;
    if (existed) {
        if (!S_ISREG(info.st_mode) || info.st_size != SIZE) {
            error = path + ": not a " + std::to_string(SIZE) + "-byte EEPROM content file; left untouched";
            return false;
        }
        // Checked by its mode, not by a trial write: root may write it, yet it was marked so.
        if ((info.st_mode & S_IWUSR) == 0) {
            error = path + ": read-only file; left untouched";
            return false;
        }
        const int fd = ::open(path.c_str(), O_RDONLY);
        if (fd < 0) {
            error = path + ": " + std::strerror(errno);
            return false;
        }
        size_t got = 0;
        while (got < m_memory.size()) {
            const ssize_t n = ::read(fd, m_memory.data() + got, m_memory.size() - got);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        ::close(fd);
        if (got != m_memory.size()) {
            error = path + ": short read";
            return false;
        }
    } else if (errno != ENOENT) {
        error = path + ": " + std::strerror(errno);
        return false;
    } else {
        m_memory.fill(0xFF);
    }
    // Write it once now: a file that cannot be replaced would lose every write unnoticed.
    m_file = path;
    if (const int failure = Save(); failure != 0) {
        error = path + (existed ? ": cannot be rewritten: " : ": cannot create it: ") + std::strerror(failure);
        m_file.clear();
        return false;
    }
    return true;
}

int CSimEeprom::Save() {
    if (m_file.empty()) return 0;
    const int failure = Replace();
    if (failure == 0) {
        m_saveError.clear();
        return 0;
    }
    ++m_saveFailures;
    m_saveError = m_file + ": " + std::strerror(failure);
    return failure;
}

int CSimEeprom::Replace() const {
    // Marked read-only during the run: the operator wants it kept, and rename would not ask.
    struct stat info {};
    if (::stat(m_file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0) return EACCES;
    // A killed process leaves either the old file or the new one, never half of each.
    const std::string temporary = m_file + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return errno != 0 ? errno : EIO;
    const bool written = WriteAll(fd, m_memory.data(), m_memory.size());
    const bool closed = ::close(fd) == 0;
    if (written && closed && ::rename(temporary.c_str(), m_file.c_str()) == 0) return 0;
    const int failure = errno != 0 ? errno : EIO;
    ::unlink(temporary.c_str());
    return failure;
}

// ---- fault switches ----

void CSimEeprom::MissAcks(uint64_t first, uint64_t count) {
    m_missFirst = m_acksGiven + first;
    m_missCount = count;
}

void CSimEeprom::FlipReadByte(uint64_t n, uint8_t mask) {
    m_flipAt = m_readsOut + n;
    m_flipMask = mask;
}

void CSimEeprom::SetWriteCycleStuck(bool stuck) {
    m_stuck = stuck;
    if (!stuck && m_busyUntil == kNever) m_busyUntil = 0;
}

void CSimEeprom::CutPowerAfterWrites(int64_t n) {
    m_writesBeforeCut = n;
    if (n == 0) m_absent = true;
}

int CSimEeprom::BusiestCell() const {
    return static_cast<int>(std::max_element(m_cellWrites.begin(), m_cellWrites.end()) - m_cellWrites.begin());
}

void CSimEeprom::SetWeakCell(int address, bool weak) {
    if (weak) m_weakCells.insert(address);
    else m_weakCells.erase(address);
}

void CSimEeprom::SetDeafCell(int address, bool deaf) {
    if (deaf) m_deafCells.insert(address);
    else m_deafCells.erase(address);
}

bool CSimEeprom::Chance(double probability) {
    if (probability <= 0.0) return false;
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < probability;
}

// ---- bus ----

void CSimEeprom::Connect(bool sda, bool scl) {
    m_masterSda = sda;
    m_scl = scl;
    m_phase = Phase::Idle;
    m_pullLow = false;
    m_ackSlot = false;
}

void CSimEeprom::Disconnect() {
    // Whatever the encoder's controller does on the bus ends an unfinished transfer unwritten.
    m_phase = Phase::Idle;
    m_pullLow = false;
    m_ackSlot = false;
    m_page.fill(-1);
    m_pageBytes = 0;
}

void CSimEeprom::Lines(bool sda, bool scl, uint64_t nowNs) {
    const bool busBefore = m_masterSda && !m_pullLow;
    const bool busAfter = sda && !m_pullLow;
    const bool sclBefore = m_scl;
    m_masterSda = sda;
    m_scl = scl;
    if (m_absent) return;
    if (sclBefore && scl) {
        if (busBefore && !busAfter) OnStart();
        else if (!busBefore && busAfter) OnStop(nowNs);
    } else if (!sclBefore && scl) {
        OnRise(busAfter);
    } else if (sclBefore && !scl) {
        OnFall(nowNs);
    }
}

void CSimEeprom::OnStart() {
    m_phase = Phase::Device;
    m_bits = 0;
    m_ackSlot = false;
    m_pullLow = false;
    m_page.fill(-1);
    m_pageBytes = 0;
}

void CSimEeprom::OnStop(uint64_t nowNs) {
    if (m_phase == Phase::Data && m_pageBytes > 0) Commit(nowNs);
    m_phase = Phase::Idle;
    m_pullLow = false;
    m_ackSlot = false;
}

void CSimEeprom::OnRise(bool sda) {
    if (m_phase == Phase::Idle) return;
    if (m_phase == Phase::Read) {
        // The master's acknowledge: high means it wants no more bytes.
        if (m_ackSlot && sda) m_phase = Phase::Idle;
        return;
    }
    if (m_ackSlot) return;
    m_shift = static_cast<uint8_t>(m_shift << 1 | (sda ? 1 : 0));
    ++m_bits;
}

void CSimEeprom::OnFall(uint64_t nowNs) {
    if (m_phase == Phase::Idle) {
        m_pullLow = false;
        return;
    }
    if (m_ackSlot) {
        m_ackSlot = false;
        m_pullLow = false;
        m_bits = 0;
        if (m_phase == Phase::Read) {
            LoadReadByte();
            DriveBit();
        }
        return;
    }
    if (m_phase == Phase::Read) {
        if (++m_bits < 8) {
            DriveBit();
        } else {
            m_pullLow = false;
            m_ackSlot = true;
        }
        return;
    }
    if (m_bits < 8) return;
    if (ByteReceived(m_shift, nowNs)) {
        m_pullLow = true;
        m_ackSlot = true;
    } else {
        m_phase = Phase::Idle;
    }
}

bool CSimEeprom::GiveAck() {
    ++m_acksGiven;
    if (m_acksGiven >= m_missFirst && m_acksGiven < m_missFirst + m_missCount) return false;
    return !Chance(m_missAckRate);
}

bool CSimEeprom::ByteReceived(uint8_t byte, uint64_t nowNs) {
    switch (m_phase) {
    case Phase::Device:
        if ((byte & 0xE0) != 0xA0 || Busy(nowNs) || !GiveAck()) return false;
        m_highBits = static_cast<uint16_t>((byte >> 1) & 0x0F);
        if ((byte & 1) != 0) {
            m_pointer = static_cast<uint16_t>(m_highBits << 8 | (m_pointer & 0xFF));
            m_phase = Phase::Read;
        } else {
            m_phase = Phase::Word;
        }
        return true;
    case Phase::Word:
        if (!GiveAck()) return false;
        m_pointer = static_cast<uint16_t>(m_highBits << 8 | byte);
        m_phase = Phase::Data;
        return true;
    case Phase::Data: {
        // Bytes past the end of a page wrap to its start, as the chip's page buffer does.
        const int slot = (m_pointer + m_pageBytes) % PAGE;
        if (m_deafCells.count((m_pointer & ~(PAGE - 1)) + slot) != 0 || !GiveAck()) return false;
        m_page[slot] = byte;
        ++m_pageBytes;
        return true;
    }
    case Phase::Idle:
    case Phase::Read:
        break;
    }
    return false;
}

void CSimEeprom::LoadReadByte() {
    uint8_t value = m_memory[m_pointer];
    ++m_readsOut;
    if (m_readsOut == m_flipAt) value ^= m_flipMask;
    if (Chance(m_flipRate)) value ^= static_cast<uint8_t>(1u << (m_random() % 8));
    m_outByte = value;
    m_pointer = static_cast<uint16_t>((m_pointer + 1) % SIZE);
    ++m_bytesRead;
}

void CSimEeprom::DriveBit() { m_pullLow = ((m_outByte >> (7 - m_bits)) & 1) == 0; }

void CSimEeprom::Commit(uint64_t nowNs) {
    const int pageStart = m_pointer & ~(PAGE - 1);
    const Content before = m_memory;
    for (int slot = 0; slot < PAGE; ++slot) {
        if (m_page[slot] < 0) continue;
        const int address = pageStart + slot;
        if (m_weakCells.count(address) == 0) m_memory[address] = static_cast<uint8_t>(m_page[slot]);
        ++m_bytesWritten;
        ++m_cellWrites[address];
    }
    m_page.fill(-1);
    m_pageBytes = 0;
    ++m_writeCycles;
    m_busyUntil = m_stuck ? kNever : nowNs + WRITE_CYCLE_NS;
    // What the file did not take is lost, as on a cell that does not keep its value.
    if (Save() != 0) m_memory = before;
    if (m_observer) m_observer(m_pointer, m_memory);
    if (m_writesBeforeCut > 0 && --m_writesBeforeCut == 0) m_absent = true;
}
