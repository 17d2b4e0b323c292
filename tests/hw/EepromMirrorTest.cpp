// The EEPROM transfers against the simulated interface and X24C32: what ends up in the
// chip, what the map shows, and what the operator is told.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <unistd.h>

#include "ChipRig.h"

namespace {
constexpr int kChip = CSimEeprom::SIZE;
using Lines = std::vector<std::string>;

// The window as the transfers drive it, one word per call.
struct View : IEepromView {
    void SetProgressRange(int) override {}  // the bar's extent and position are the window's business
    void SetProgressPosition(int) override {}
    void SetProgressColour(BarColour c) override {
        if (onColour) onColour(c);
        seen.push_back(c == BAR_READING        ? "read"
                       : c == BAR_SYNC_WRITE   ? "write"
                       : c == BAR_SYNC_VERIFY  ? "verify"
                       : c == BAR_ERASE_WRITE  ? "erase"
                       : c == BAR_ERASE_VERIFY ? "erase-verify"
                       : c == BAR_IDLE         ? "idle"
                                               : "?");
    }
    void SetBusyPointer(bool busy) override { seen.push_back(busy ? "busy" : "free"); }
    void ShowMessage(const std::string& caption, const std::string&, MessageIcon i) override {
        seen.push_back((i == MessageIcon::Stop ? "error: " : "info: ") + caption);
    }
    void DisableEepromControls() override { seen.push_back("disable"); }
    void DrawEepromMap() override { seen.push_back("draw"); }
    Lines seen;
    std::function<void(BarColour)> onColour;  // lets a test look at the map between phases
};

// The interface, the bus master, the window stand-in and the transfers, wired as the server does.
struct Rig {
    // One byte per write cycle: the write counts below are those of single bytes.
    explicit Rig(int size = kChip) {
        mirror.SetEepromSize(size);
        mirror.SetWriteMode(WriteMode::Byte);
    }
    // Keeps every failed verification a sync reports.
    SyncReport Sync(const Bytes& image) {
        const SyncReport report = mirror.SyncEeprom(image.data(), static_cast<int>(image.size()), force);
        if (report.verifyFailed != 0) verifyFailures.push_back(report.verifyFailed);
        return report;
    }
    [[nodiscard]] bool Holds(const Bytes& image) const { return ::Holds(sim.Chip().Bytes().data(), image); }
    [[nodiscard]] uint64_t Writes() const { return sim.Chip().WriteCycles(); }
    [[nodiscard]] Bytes States(int n) const { return Bytes(mirror.StateData(), mirror.StateData() + n); }
    CSimParallelPort sim;
    CI2cPort bus{&sim};
    View view;
    CEepromMirror mirror{bus, view};
    bool force = false;
    std::vector<int> verifyFailures;
};

struct Transfers : ::testing::Test, Rig {
    void ReadOk() {
        mirror.ReadEeprom();
        view.seen.clear();
        ASSERT_TRUE(mirror.IsHardwareReady());
    }
};
}  // namespace

TEST(Read, AFreshChipIsInStepAndASilentInterfaceOrMoreThan128FailedReadsInARowStopEverything) {
    // A failing read withholds two acknowledges (its two device bytes); while every read before
    // it succeeded, the read of address a starts at acknowledge 3a + 1.
    const Lines read = {"busy", "read", "idle", "draw", "free"};
    struct Case {
        bool silent;
        int failed;
        Lines seen;
    };
    for (const Case& c : {Case{false, 0, read}, Case{false, 1, read}, Case{false, 128, read},
                          Case{false,
                               129,
                               {"busy", "read", "idle", "draw", "free",
                                "error: Erro de leitura da EEPROM ( sinal ACKNOWLEDGE )", "disable"}},
                          Case{true, 0, {"info: Erro de acesso ao hardware externo.", "disable"}}}) {
        Rig rig(300);
        rig.sim.SetInterfaceSilent(c.silent);
        rig.sim.Chip().MissAcks(3 * 10 + 1, 2 * c.failed);
        rig.mirror.ReadEeprom();
        EXPECT_EQ(rig.view.seen, c.seen) << c.failed;
        EXPECT_EQ(rig.sim.PortRead(0x378) & 0x07, 0);  // bus given back
        EXPECT_EQ(rig.sim.Chip().BytesRead(), c.silent ? 0u : 300u - std::min(c.failed, 129));
        // The run keeps its old state, the read that ends it (or the 129th failure) is marked 1.
        const int runEnd = 10 + std::min(c.failed, 128);
        Bytes want(301, EeState::IN_STEP);
        std::fill(want.begin() + 10, want.begin() + runEnd, EeState::OUTSIDE_IMAGE);
        want[runEnd] = c.failed != 0 ? EeState::READ_AFTER_FAILS : EeState::IN_STEP;
        want[300] = EeState::OUTSIDE_IMAGE;  // 300: never touched
        EXPECT_EQ(rig.States(301), c.silent ? Bytes(301, EeState::OUTSIDE_IMAGE) : want) << c.failed;
        rig.Sync(MakeImage(3));
        EXPECT_EQ(rig.Writes() > 0, c.seen.back() != "disable") << c.failed;  // no sync without a good read
    }
}

TEST_F(Transfers, TheCountNeverClaimsARecordBeforeItIsWritten) {
    // Prefixes of one image, from a blank chip (count 0xFFFF) up and down again; a deaf byte in
    // a new record holds the count below it. Growing writes the count's low byte first and
    // after the records, shrinking its high byte first and before them. A forced sync rewrites
    // everything, the next one nothing.
    struct Step {
        int records, deaf;
        bool force;
        std::vector<int> counts;
        uint64_t writes;
        int count;
    };
    const Step steps[] = {
        {10, 0, false, {0xFF00, 0x0000, 10}, 2 + 10 * RECORD_BYTES + 1, 10},
        {12, 0, false, {12}, 2 * RECORD_BYTES + 1, 12},
        {255, 0, false, {255}, 243 * RECORD_BYTES + 1, 255},
        {256, 2 + 255 * RECORD_BYTES + 4, false, {}, RECORD_BYTES - 1, 255},
        {256, 0, false, {0x0000, 0x0100}, 1 + 2, 256},
        {255, 0, false, {0x0000, 0x00FF}, 2, 255},
        {255, 0, true, {255, 255}, 2 + 255 * RECORD_BYTES, 255},
        {255, 0, false, {}, 0, 255},
    };
    ReadOk();
    const Bytes all = MakeImage(256);
    std::vector<int> counts;
    sim.Chip().SetWriteObserver([&](int address, const CSimEeprom::Content& c) {
        if (address < 2) counts.push_back(CountOf(c.data()));
        const int end = 2 + CountOf(c.data()) * RECORD_BYTES;
        ASSERT_TRUE(end > kChip || std::equal(c.begin() + 2, c.begin() + end, all.begin())) << CountOf(c.data());
    });
    for (const Step& s : steps) {
        counts.clear();
        sim.Chip().SetDeafCell(s.deaf, s.deaf != 0);
        force = s.force;
        const uint64_t before = Writes();
        Sync(Bytes(all.begin(), all.begin() + s.records * RECORD_BYTES));
        sim.Chip().SetDeafCell(s.deaf, false);
        EXPECT_EQ(counts, s.counts) << &s - steps;
        EXPECT_EQ(Writes() - before, s.writes) << &s - steps;
        EXPECT_EQ(CountOf(sim.Chip().Bytes().data()), s.count) << &s - steps;
        EXPECT_EQ(mirror.State(s.deaf) == EeState::VERIFY_FAILED, s.deaf != 0) << &s - steps;
    }
}

TEST_F(Transfers, NothingAtOrBeyondTheEepromSizeWhichIsClampedAndTheLeftOverReported) {
    mirror.SetEepromSize(-1);
    EXPECT_EQ(mirror.GetEepromSize(), 0);
    ReadOk();
    mirror.EraseEeprom();  // neither reads nor writes a byte
    EXPECT_EQ(sim.Chip().BytesRead() + Writes(), 0u);
    mirror.SetEepromSize(0x7FFFFFFF);
    EXPECT_EQ(mirror.GetEepromSize(), IMAGE_CAPACITY);

    mirror.SetEepromSize(100);  // room for 7 whole records behind the count
    ReadOk();
    sim.Chip().SetWriteObserver([](int address, const CSimEeprom::Content&) { ASSERT_LT(address, 100); });
    const Bytes ten = MakeImage(10);
    const SyncReport first = Sync(ten);
    const SyncReport second = Sync(ten);
    // The read takes 100 bytes; the first sync verifies all 100 (the blank count claims nothing),
    // the second the 93 the count now covers.
    EXPECT_EQ(sim.Chip().BytesRead(), 100u + 100u + 93u);
    EXPECT_TRUE(Holds(Bytes(ten.begin(), ten.begin() + 7 * RECORD_BYTES)));
    EXPECT_EQ(sim.Chip().Bytes()[100], 0xFF);
    const SyncReport twelve = Sync(MakeImage(12));  // its first ten records are those of ten
    // Seven records of a blank chip are all new bytes; after that nothing changes.
    EXPECT_EQ(std::vector<int>({first.recordsLeftOut, first.bytesChanged, second.recordsLeftOut, second.bytesChanged,
                                twelve.recordsLeftOut, twelve.bytesChanged, twelve.eepromSize}),
              std::vector<int>({3, 7 * RECORD_BYTES, 3, 0, 5, 0, 100}));
    EXPECT_EQ(LeftOutLine(first), "EEPROM: 3 registos ficam de fora (n\xE3o cabem em 100 bytes)");
    // 94 byte writes (the blank count cleared, 91 bytes, the new count's low byte) of 10.60 ms
    // with the fixed wait, and 102 reads of 0.16 ms: 1.01 s with the bus held.
    EXPECT_EQ(SyncedLine(first), "EEPROM sincronizada: 91 bytes alterados em 1.01 s.");
    EXPECT_EQ(SyncedLine(second) + LeftOutLine(SyncReport{}), "");  // nothing to say
    EXPECT_EQ(VerifyFailedLine(300), "EEPROM: 300 bytes falharam a verifica\xE7\xE3o");
    EXPECT_TRUE(verifyFailures.empty());
}

TEST_F(Transfers, StateCodesFromTheirCauses) {
    ReadOk();
    const Bytes image = MakeImage(10);
    Sync(image);
    EXPECT_EQ(view.seen, (Lines{"busy", "write", "verify", "idle", "draw", "free"}));
    Bytes changed = image, other = image, grown = MakeImage(11);
    changed[0] ^= 1;
    changed[13] ^= 1;  // addresses 2 and 15
    other[0] ^= 1;
    other[13] ^= 1;
    other[28] ^= 0x40;  // and 30
    grown[18] ^= 0x08;  // address 20, and one more record
    // Each changed byte is one write; a byte read back wrong is written once more.
    struct Case {
        const char* name;
        std::function<void()> cause;
        int address;
        uint8_t state;
        uint64_t writes;
        int count = 10;
    };
    const Case cases[] = {
        {"in step", [&] { Sync(image); }, 40, EeState::IN_STEP, 0},
        {"in step after a flipped read-back",
         [&] {
             sim.Chip().FlipReadByte(3, 0x10);
             Sync(image);
         },
         4, EeState::IN_STEP, 1},
        {"changed", [&] { Sync(changed); }, 15, EeState::CHANGED, 2},
        {"write after a failed write",
         [&] {
             sim.Chip().MissAcks(1, 1);
             Sync(image);
         },
         15, EeState::WRITE_AFTER_FAILS, 2},
        {"weak cell",
         [&] {
             sim.Chip().SetWeakCell(30, true);
             Sync(changed);
             Sync(other);
         },
         30, EeState::VERIFY_FAILED, 2 + 2},
        // A claimed byte that will not take its value neither shrinks the count nor holds back a new record.
        {"deaf cell",
         [&] {
             sim.Chip().SetWeakCell(30, false);
             sim.Chip().SetDeafCell(20, true);
             Sync(grown);
         },
         20, EeState::VERIFY_FAILED, 3 + RECORD_BYTES + 1, 11},
        {"outside the image",
         [&] {
             sim.Chip().SetDeafCell(20, false);
             Sync(image);
         },
         2 + 10 * RECORD_BYTES, EeState::OUTSIDE_IMAGE, 1},
    };
    for (const Case& c : cases) {
        const uint64_t before = Writes();
        c.cause();
        EXPECT_EQ(mirror.State(c.address), c.state) << c.name;
        EXPECT_EQ(Writes() - before, c.writes) << c.name;
        EXPECT_EQ(CountOf(sim.Chip().Bytes().data()), c.count) << c.name;
    }
    // The unanswered write is retried by the verify pass; only the weak and the deaf cell stay wrong.
    EXPECT_EQ(verifyFailures, std::vector<int>(2, 1));
    EXPECT_TRUE(Holds(image));
}

TEST_F(Transfers, WhereAByteIsMarkedReadBackTheShadowHoldsWhatTheChipHolds) {
    // Unanswered transfers here and there, and one cell that keeps its old value; the chip
    // holds an older station's bytes, which an unanswered read would not give back.
    for (int a = 0; a < kChip; ++a) sim.Chip().Poke(a, static_cast<uint8_t>(a * 7 + 3));
    sim.Chip().Poke(0, 0);
    sim.Chip().Poke(1, 0);
    sim.Chip().SetFaultSeed(7);
    sim.Chip().SetMissAckRate(0.01);
    mirror.ReadEeprom();
    ASSERT_TRUE(mirror.IsHardwareReady());
    const int weak = 2 + RECORD_BYTES + 4;
    sim.Chip().SetWeakCell(weak, true);
    for (int round = 0; round < 3; ++round) {
        Sync(MakeImage(20 + round, static_cast<uint32_t>(round) + 2));
        const uint8_t* chip = sim.Chip().Bytes().data();
        int known = 0;
        for (int a = 0; a < kChip; ++a) {
            if (mirror.ReadBackData()[a] == 0) continue;
            ++known;
            EXPECT_EQ(mirror.ShadowData()[a], chip[a]) << "round " << round << " address " << a;
        }
        EXPECT_EQ(mirror.ReadBackData()[weak], 0) << "round " << round;
        EXPECT_GT(known, kChip / 2) << "round " << round;
    }
}

TEST_F(Transfers, EraseWritesAndVerifiesEveryByteAndKeepsItsFailureCodes) {
    ReadOk();
    Sync(MakeImage(8));
    Bytes between;
    view.onColour = [&](BarColour c) {
        if (c == BAR_ERASE_VERIFY) between = States(kChip);
    };
    view.seen.clear();
    mirror.EraseEeprom();
    EXPECT_EQ(Bytes(sim.Chip().Bytes().begin(), sim.Chip().Bytes().end()), Bytes(kChip, 0xFF));
    EXPECT_EQ(between, Bytes(kChip, EeState::ERASED));
    EXPECT_EQ(States(kChip), Bytes(kChip, EeState::OUTSIDE_IMAGE));
    EXPECT_EQ(view.seen, (Lines{"erase", "erase-verify", "idle", "draw"}));
    // Writes 0..16 go unanswered: the 17th is taken as written and marked 3.
    mirror.SetEepromSize(40);
    sim.Chip().MissAcks(1, 17);
    mirror.EraseEeprom();
    Bytes want(40, EeState::OUTSIDE_IMAGE);
    want[16] = EeState::WRITE_AFTER_FAILS;
    EXPECT_EQ(States(40), want);
    // With no EEPROM every read-back goes unanswered, so no byte counts as erased.
    sim.Chip().SetAbsent(true);
    mirror.SetEepromSize(300);
    EXPECT_EQ(mirror.EraseEeprom().verifyFailed, 300);
    EXPECT_EQ(States(300), Bytes(300, EeState::VERIFY_FAILED));
    EXPECT_FALSE(bus.AckError());  // nothing stale left for the next write's wait
}

TEST(Convergence, RepeatedSyncsUnderFaultsEndWithTheImageAndItSurvivesARestart) {
    const std::string file = std::filesystem::temp_directory_path() / ("orvane-conv-" + std::to_string(::getpid()));
    const Bytes image = MakeImage(30, 9);
    for (const uint8_t poll : {0, 1}) {
        std::filesystem::remove(file);
        std::string error;
        Rig rig, restarted;
        ASSERT_TRUE(rig.sim.Chip().AttachFile(file, error)) << error;
        rig.bus.SetPollWrite(poll);
        rig.mirror.SetWriteMode(WriteMode::Page);  // the default writer, under the same faults
        rig.mirror.ReadEeprom();
        rig.sim.Chip().SetFaultSeed(7 + poll);
        rig.sim.Chip().SetMissAckRate(0.02);
        rig.sim.Chip().SetFlipRate(0.01);
        int syncs = 0;
        for (; !rig.Holds(image) && syncs < 10; ++syncs) rig.Sync(image);
        EXPECT_LT(syncs, 10) << "poll " << int(poll);
        rig.Sync(image);
        rig.Sync(image);  // two more with the faults still on must not undo anything
        ASSERT_TRUE(rig.Holds(image)) << "poll " << int(poll);
        ASSERT_TRUE(restarted.sim.Chip().AttachFile(file, error)) << error;
        restarted.mirror.ReadEeprom();
        ASSERT_TRUE(restarted.mirror.IsHardwareReady());
        const uint8_t* read = restarted.mirror.TargetData();
        EXPECT_TRUE(CountOf(read) == 30 && std::equal(image.begin(), image.end(), read + 2)) << "poll " << int(poll);
    }
    std::filesystem::remove(file);
}
