// The one-byte-per-write-cycle writer must put exactly the same register accesses on the
// port as it always did: some interfaces take nothing else. The reference was recorded from
// that writer before page writes existed (set ORVANE_RECORD_TRACE=1 to write it again).
//
// Trace text: one line per bus transaction (a new line after every stop). A data-register
// write followed by the clock delay is one letter, 'A' + the value written (values 0..7);
// any other write is "wXX", any other wait "~N;"; reads are 'r' (data register), 'h' or 'l'
// (status register, SDA high or low). A line repeated n times in a row is written "n*line".

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ChipRig.h"

namespace {
constexpr uint32_t kClock = CI2cPort::DEFAULT_CLOCK_DELAY;

std::string Hex(uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(value));
    return text;
}

std::vector<std::string> TransactionLines(const std::vector<TracedSim::Event>& events) {
    std::vector<std::string> lines(1);
    uint32_t lastWrite = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        const TracedSim::Event& e = events[i];
        std::string& line = lines.back();
        if (e.kind == 'r') {
            line += e.port == DEFAULT_LPT_BASE ? "r" : (e.value & 0x80) != 0 ? "h" : "l";
        } else if (e.kind == 's') {
            line += "~" + std::to_string(e.value) + ";";
        } else {
            const bool paired = e.port == DEFAULT_LPT_BASE && e.value < 8 && i + 1 < events.size() &&
                                events[i + 1].kind == 's' && events[i + 1].value == kClock;
            if (paired) {
                line += static_cast<char>('A' + e.value);
                ++i;
            } else {
                line += "w" + Hex(e.port) + ":" + Hex(e.value);
            }
            // SDA released while SCL stays released: a stop ends the transaction.
            const bool stop = (lastWrite & 3) == 1 && (e.value & 3) == 0;
            lastWrite = e.value;
            if (stop) lines.emplace_back();
        }
    }
    return lines;
}

std::string Encode(const std::vector<std::string>& lines) {
    std::string out;
    for (size_t i = 0; i < lines.size();) {
        size_t same = i + 1;
        while (same < lines.size() && lines[same] == lines[i]) ++same;
        if (same - i > 1) out += std::to_string(same - i) + "*";
        out += lines[i] + "\n";
        i = same;
    }
    return out;
}

// A run of syncs and an erase on a 48-byte EEPROM (one and a half pages): a first image on a
// blank chip, bytes changed on both sides of the page boundary, a quiet sync, an unanswered
// write, a shrink, a forced sync, the erase.
std::string Record(bool poll) {
    TracedSim sim;
    CI2cPort bus(&sim);
    bus.SetPollWrite(poll ? 1 : 0);
    CSilentEepromView view;
    CEepromMirror mirror(bus, view);
    mirror.SetEepromSize(48);
    mirror.SetWriteMode(WriteMode::Byte);
    (void)mirror.ReadEeprom();
    sim.events.clear();  // the trace starts after the first read

    const Bytes three = MakeImage(3, 3);
    Bytes changed = three;
    for (const int i : {0, 28, 29, 31}) changed[static_cast<size_t>(i)] ^= 0x21;
    (void)mirror.SyncEeprom(three.data(), static_cast<int>(three.size()));
    (void)mirror.SyncEeprom(changed.data(), static_cast<int>(changed.size()));
    (void)mirror.SyncEeprom(changed.data(), static_cast<int>(changed.size()));
    sim.Chip().MissAcks(3 + 1, 1);  // the data byte of the first write below
    (void)mirror.SyncEeprom(three.data(), static_cast<int>(three.size()));
    (void)mirror.SyncEeprom(three.data(), RECORD_BYTES);
    (void)mirror.SyncEeprom(three.data(), RECORD_BYTES, true);
    (void)mirror.EraseEeprom();
    return Encode(TransactionLines(sim.events));
}

std::string ReferencePath(bool poll) {
    return std::string(ORVANE_TEST_DATA) + (poll ? "/bytewrite-trace-poll.txt" : "/bytewrite-trace-fixed.txt");
}
}  // namespace

TEST(ByteWriteTrace, EveryRegisterAccessAsRecordedWithFixedWaitAndWithPolling) {
    for (const bool poll : {false, true}) {
        const std::string trace = Record(poll);
        if (std::getenv("ORVANE_RECORD_TRACE") != nullptr) {
            std::ofstream(ReferencePath(poll), std::ios::binary) << trace;
            continue;
        }
        std::ifstream file(ReferencePath(poll), std::ios::binary);
        ASSERT_TRUE(file.is_open()) << ReferencePath(poll);
        std::stringstream reference;
        reference << file.rdbuf();
        // Line by line first, so that a difference names its transaction.
        std::istringstream want(reference.str()), got(trace);
        std::string wantLine, gotLine;
        int line = 1;
        while (std::getline(want, wantLine) && std::getline(got, gotLine) && wantLine == gotLine) ++line;
        EXPECT_EQ(trace, reference.str()) << (poll ? "polling" : "fixed wait") << ", first difference at line " << line;
        EXPECT_GT(trace.size(), 1000u);
    }
}
