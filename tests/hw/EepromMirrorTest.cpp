// The EEPROM transfers against the simulated interface and X24C32: what ends up in the
// chip, what the map shows, and what the operator is told.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <unistd.h>

#include "BusTrace.h"
#include "EepromMirror.h"
#include "RecordingView.h"
#include "SimParallelPort.h"

namespace {
constexpr int kChipSize = CSimEeprom::SIZE;
using Bytes = std::vector<uint8_t>;

// A synthetic image: records of varied bytes, none of them 0xFF, so that nothing in it
// matches a blank chip by accident.
Bytes MakeImage(int records, uint8_t seed = 1) {
    Bytes image(static_cast<size_t>(records) * RECORD_BYTES);
    uint32_t x = seed * 2654435761u + 12345u;
    for (auto& b : image) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>((x >> 16) % 0xFF);
    }
    return image;
}

// What the chip must hold for an image: count word, low byte first, then the records.
Bytes Expected(const Bytes& image) {
    const size_t records = image.size() / RECORD_BYTES;
    Bytes content(2 + image.size());
    content[0] = static_cast<uint8_t>(records & 0xFF);
    content[1] = static_cast<uint8_t>(records >> 8);
    std::copy(image.begin(), image.end(), content.begin() + 2);
    return content;
}

int CountOf(const CSimEeprom::Content& c) { return c[0] | c[1] << 8; }

class Transfers : public ::testing::Test {
protected:
    void SetUp() override {
        mirror.SetEepromSize(kChipSize);
        mirror.SetAutoLoad(true);
    }
    void ReadOk() {
        mirror.ReadEeprom();
        ASSERT_TRUE(mirror.IsHardwareReady());
    }
    void Sync(const Bytes& image) { mirror.SyncEeprom(image.data(), static_cast<int>(image.size())); }
    [[nodiscard]] bool ChipHolds(const Bytes& content) const {
        return std::equal(content.begin(), content.end(), sim.Chip().Bytes().begin());
    }
    [[nodiscard]] uint64_t Writes() const { return sim.Chip().WriteCycles(); }

    CSimParallelPort sim;
    CI2cPort bus{&sim};
    CRecordingView view;
    CEepromMirror mirror{bus, view};
};
}  // namespace

// ---- read ----

TEST_F(Transfers, ReadOfAFreshChipTakesEveryByteAsInStep) {
    mirror.ReadEeprom();
    EXPECT_TRUE(mirror.IsHardwareReady());
    EXPECT_EQ(sim.Chip().BytesRead(), uint64_t(kChipSize));
    for (int a = 0; a < kChipSize; ++a) {
        ASSERT_EQ(mirror.Target(a), 0xFF) << a;
        ASSERT_EQ(mirror.Shadow(a), 0xFF) << a;
        ASSERT_EQ(mirror.State(a), EeState::IN_STEP) << a;
    }
    EXPECT_EQ(mirror.State(kChipSize), EeState::OUTSIDE_IMAGE);  // never touched
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.colours, (std::vector<BarColour>{BAR_READING, BAR_IDLE}));
    EXPECT_EQ(view.busyChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(view.draws, 1);
    EXPECT_EQ(view.lastPosition, 0);
}

TEST_F(Transfers, ReadWithTheInterfaceSilentStopsEverything) {
    sim.SetInterfaceSilent(true);
    mirror.ReadEeprom();
    EXPECT_FALSE(mirror.IsHardwareReady());
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].caption, "Erro de acesso ao hardware externo.");
    EXPECT_EQ(view.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(view.disables, 1);
    EXPECT_EQ(sim.PortRead(0x378) & 0x07, 0);  // closed again

    const uint64_t writesBefore = sim.DataWrites();
    Sync(MakeImage(3));
    EXPECT_EQ(sim.DataWrites(), writesBefore + 0);
}

TEST_F(Transfers, RunsOfFailedReads) {
    // A failing read withholds two acknowledges (its two device bytes); a read of address a
    // starts at acknowledge 3a + 1 while every read before it succeeded.
    struct Case {
        int failedReads;
        bool ready;
    };
    for (const Case c : {Case{1, true}, Case{128, true}, Case{129, false}}) {
        CSimParallelPort chip;
        CI2cPort port(&chip);
        CRecordingView shown;
        CEepromMirror eeprom(port, shown);
        eeprom.SetEepromSize(300);
        chip.Chip().MissAcks(3 * 10 + 1, 2 * c.failedReads);
        eeprom.ReadEeprom();
        EXPECT_EQ(eeprom.IsHardwareReady(), c.ready) << c.failedReads;
        EXPECT_EQ(shown.messages.size(), c.ready ? 0u : 1u);
        if (!c.ready) {
            EXPECT_EQ(shown.messages[0].caption, "Erro de leitura da EEPROM ( sinal ACKNOWLEDGE )");
            EXPECT_EQ(shown.messages[0].icon, MessageIcon::Error);
            EXPECT_EQ(shown.disables, 1);
        }
        // Before the run in step, the run itself keeps its old state, the read that ends
        // it (or the 129th failure) is marked 1, the rest in step again.
        const int runEnd = 10 + std::min(c.failedReads, 128);
        for (int a = 0; a < 300; ++a) {
            const uint8_t want = a < 10 || a > runEnd ? EeState::IN_STEP
                                 : a == runEnd        ? EeState::READ_AFTER_FAILS
                                                      : EeState::OUTSIDE_IMAGE;
            ASSERT_EQ(eeprom.State(a), want) << c.failedReads << " at " << a;
        }
    }
}

// ---- synchronise ----

TEST_F(Transfers, OneChangedRecordWritesExactlyTheBytesThatDiffer) {
    ReadOk();
    const Bytes first = MakeImage(20);
    Sync(first);
    ASSERT_TRUE(ChipHolds(Expected(first)));

    Bytes second = first;
    for (int i = 7 * RECORD_BYTES + 5; i < 8 * RECORD_BYTES; ++i) second[i] ^= 0x21;
    second[7 * RECORD_BYTES + 8] = first[7 * RECORD_BYTES + 8];  // one byte of the group stays
    const uint64_t before = Writes();
    Sync(second);
    EXPECT_EQ(Writes() - before, 7u);
    EXPECT_TRUE(ChipHolds(Expected(second)));
    for (int a = 0; a < kChipSize; ++a) {
        const int i = a - 2;
        const uint8_t want = i >= int(second.size()) ? EeState::OUTSIDE_IMAGE
                             : i >= 0 && second[i] != first[i] ? EeState::CHANGED
                                                                : EeState::IN_STEP;
        ASSERT_EQ(mirror.State(a), want) << a;
    }
    EXPECT_EQ(view.colours.back(), BAR_IDLE);
    EXPECT_EQ(view.ranges.back(), 2047);

    const uint64_t again = Writes();
    Sync(second);
    EXPECT_EQ(Writes(), again);
}

TEST_F(Transfers, BlankChipReachesTheImageInOneSyncWithoutEarlyClaims) {
    ReadOk();
    const Bytes image = MakeImage(40);
    const Bytes want = Expected(image);
    std::vector<int> counts;
    sim.Chip().SetWriteObserver([&](int, const CSimEeprom::Content& c) {
        const int count = CountOf(c);
        if (counts.empty() || counts.back() != count) counts.push_back(count);
        // A count the chip can hold must not cover a record that is not there yet.
        if (2 + count * RECORD_BYTES <= kChipSize) {
            for (int a = 2; a < 2 + count * RECORD_BYTES; ++a) ASSERT_EQ(c[a], want[a]) << "count " << count;
        }
    });
    Sync(image);
    EXPECT_TRUE(ChipHolds(want));
    // Low byte first from 0xFFFF: 0xFF00 claims nothing real, then 0, then 40.
    EXPECT_EQ(counts, (std::vector<int>{0xFF00, 0x0000, 40}));
    EXPECT_EQ(Writes(), want.size() + 1);  // the two bytes clearing the count, one raising it
}

TEST_F(Transfers, GrowingImageIsClaimedOnlyOnceItIsWritten) {
    ReadOk();
    const Bytes twelve = MakeImage(12);
    const Bytes ten(twelve.begin(), twelve.begin() + 10 * RECORD_BYTES);
    Sync(ten);
    std::vector<int> counts;
    sim.Chip().SetWriteObserver([&](int address, const CSimEeprom::Content& c) {
        if (address < 2) counts.push_back(CountOf(c));
        else EXPECT_EQ(CountOf(c), 10) << "record byte " << address << " written after the count";
    });
    const uint64_t before = Writes();
    Sync(twelve);
    EXPECT_TRUE(ChipHolds(Expected(twelve)));
    EXPECT_EQ(Writes() - before, 2u * RECORD_BYTES + 1);  // two records and the low count byte
    EXPECT_EQ(counts, (std::vector<int>{12}));
}

TEST_F(Transfers, NewRecordsAreClaimedOnlyOnceTheChipTookThem) {
    ReadOk();
    const Bytes twelve = MakeImage(12);
    const Bytes ten(twelve.begin(), twelve.begin() + 10 * RECORD_BYTES);
    Sync(ten);
    // Address 150 lies in record 11 (addresses 145..157): record 10 goes in, record 11 not.
    sim.Chip().SetDeafCell(150, true);
    Sync(twelve);
    EXPECT_EQ(CountOf(sim.Chip().Bytes()), 11);
    EXPECT_EQ(mirror.Target(0), 11);
    EXPECT_EQ(mirror.State(150), EeState::VERIFY_FAILED);
    // A byte of a record already claimed that will not take its value does not shrink the count.
    sim.Chip().SetDeafCell(150, false);
    sim.Chip().SetDeafCell(20, true);
    Bytes changed = twelve;
    changed[18] ^= 0x08;
    Sync(changed);
    EXPECT_EQ(CountOf(sim.Chip().Bytes()), 12);
    sim.Chip().SetDeafCell(20, false);
    Sync(changed);
    EXPECT_TRUE(ChipHolds(Expected(changed)));
}

TEST_F(Transfers, CountWordNeverShowsMoreThanOldOrNew) {
    // 0x00FF -> 0x0100 low byte first passes 0x0000; back high byte first passes 0x0000 too.
    ReadOk();
    const Bytes big = MakeImage(256);
    const Bytes small(big.begin(), big.begin() + 255 * RECORD_BYTES);
    Sync(small);
    ASSERT_EQ(CountOf(sim.Chip().Bytes()), 0x00FF);
    std::vector<int> counts;
    sim.Chip().SetWriteObserver([&](int address, const CSimEeprom::Content& c) {
        if (address < 2) counts.push_back(CountOf(c));
    });
    Sync(big);
    EXPECT_EQ(counts, (std::vector<int>{0x0000, 0x0100}));
    counts.clear();
    Sync(small);
    EXPECT_EQ(counts, (std::vector<int>{0x0000, 0x00FF}));
    EXPECT_TRUE(ChipHolds(Expected(small)));
}

TEST_F(Transfers, ForceWriteRewritesTheWholeImageAndCountEverySync) {
    ReadOk();
    const Bytes image = MakeImage(25);
    Sync(image);
    mirror.SetForceWrite(true);
    for (int pass = 0; pass < 2; ++pass) {
        const uint64_t before = Writes();
        Sync(image);
        EXPECT_EQ(Writes() - before, 2u + 25 * RECORD_BYTES) << pass;
        EXPECT_TRUE(ChipHolds(Expected(image)));
    }
    mirror.SetForceWrite(false);
    const uint64_t before = Writes();
    Sync(image);
    EXPECT_EQ(Writes(), before);
}

TEST_F(Transfers, NothingAtOrBeyondTheEepromSize) {
    CTracingPort trace(sim);
    bus.AttachIo(&trace);
    mirror.SetEepromSize(100);  // room for 7 whole records behind the count
    ReadOk();
    trace.Clear();
    const Bytes ten = MakeImage(10);
    Sync(ten);
    Sync(ten);
    const std::vector<int> addresses = AddressedBytes(DecodeBus(trace.Events(), 0x378));
    ASSERT_FALSE(addresses.empty());
    for (int a : addresses) ASSERT_LT(a, 100);
    const Bytes seven(ten.begin(), ten.begin() + 7 * RECORD_BYTES);
    EXPECT_TRUE(ChipHolds(Expected(seven)));
    EXPECT_EQ(sim.Chip().Bytes()[100], 0xFF);
    EXPECT_EQ(view.logs, (std::vector<std::string>{"EEPROM: 3 registos ficam de fora (n\xE3o cabem em 100 bytes)"}));

    Sync(MakeImage(12));
    ASSERT_EQ(view.logs.size(), 2u);
    EXPECT_EQ(view.logs[1], "EEPROM: 5 registos ficam de fora (n\xE3o cabem em 100 bytes)");
}

TEST_F(Transfers, EepromSizeIsClamped) {
    mirror.SetEepromSize(-1);
    EXPECT_EQ(mirror.GetEepromSize(), 0);
    mirror.ReadEeprom();
    EXPECT_TRUE(mirror.IsHardwareReady());
    EXPECT_EQ(sim.Chip().BytesRead(), 0u);
    mirror.EraseEeprom();
    EXPECT_EQ(Writes(), 0u);
    mirror.SetEepromSize(0x7FFFFFFF);
    EXPECT_EQ(mirror.GetEepromSize(), IMAGE_CAPACITY);
}

// ---- state codes, each from the fault that causes it ----

TEST_F(Transfers, StateCodesFromTheirCauses) {
    ReadOk();
    const Bytes image = MakeImage(10);
    Sync(image);
    Bytes changed = image;
    changed[0] ^= 1;   // address 2
    changed[13] ^= 1;  // address 15

    struct Case {
        const char* name;
        std::function<void()> cause;
        int address;
        uint8_t state;
    };
    const Case cases[] = {
        {"in step", [&] { Sync(image); }, 40, EeState::IN_STEP},
        {"in step after a flipped read-back",
         [&] {
             sim.Chip().FlipReadByte(3, 0x10);  // address 4 reads back wrong once
             Sync(image);
         },
         4, EeState::IN_STEP},
        {"changed", [&] { Sync(changed); }, 15, EeState::CHANGED},
        {"write after failed write",
         [&] {
             sim.Chip().MissAcks(1, 1);  // the first byte write of the sync goes unanswered
             Sync(image);
         },
         15, EeState::WRITE_AFTER_FAILS},
        {"weak cell",
         [&] {
             sim.Chip().SetWeakCell(30, true);
             Sync(changed);
             Bytes other = changed;
             other[28] ^= 0x40;  // address 30
             Sync(other);
         },
         30, EeState::VERIFY_FAILED},
        {"outside the image",
         [&] {
             sim.Chip().SetWeakCell(30, false);
             Sync(image);
         },
         2 + 10 * RECORD_BYTES, EeState::OUTSIDE_IMAGE},
    };
    for (const Case& c : cases) {
        c.cause();
        EXPECT_EQ(mirror.State(c.address), c.state) << c.name;
    }
    // The unanswered write is retried by the verify pass; only the weak cell stays wrong.
    EXPECT_EQ(view.logs, (std::vector<std::string>{"EEPROM: 1 bytes falharam a verifica\xE7\xE3o"}));
    EXPECT_TRUE(ChipHolds(Expected(image)));
}

// ---- erase ----

TEST_F(Transfers, EraseWritesAndVerifiesEveryByte) {
    ReadOk();
    Sync(MakeImage(8));
    std::vector<uint8_t> between;
    view.onColour = [&](BarColour colour) {
        if (colour == BAR_ERASE_VERIFY) between.assign(mirror.StateData(), mirror.StateData() + kChipSize);
    };
    mirror.EraseEeprom();
    for (uint8_t b : sim.Chip().Bytes()) ASSERT_EQ(b, 0xFF);
    ASSERT_EQ(between.size(), size_t(kChipSize));
    for (int a = 0; a < kChipSize; ++a) {
        ASSERT_EQ(between[a], EeState::ERASED) << a;
        ASSERT_EQ(mirror.State(a), EeState::OUTSIDE_IMAGE) << a;
        ASSERT_EQ(mirror.Target(a), 0xFF) << a;
    }
    EXPECT_EQ(view.colours.back(), BAR_IDLE);
    EXPECT_TRUE(view.logs.empty());

    const Bytes image = MakeImage(6);
    Sync(image);  // the 0xFFFF count left by the erase does not hold the image back
    EXPECT_TRUE(ChipHolds(Expected(image)));
}

TEST_F(Transfers, EraseWithNoEepromEndsInFailureCodes) {
    ReadOk();
    sim.Chip().SetAbsent(true);
    mirror.SetEepromSize(300);
    mirror.EraseEeprom();
    // Every read-back goes unanswered, so no byte can count as erased.
    for (int a = 0; a < 300; ++a) ASSERT_EQ(mirror.State(a), EeState::VERIFY_FAILED) << a;
    EXPECT_EQ(view.logs.back(), "EEPROM: 300 bytes falharam a verifica\xE7\xE3o");
    EXPECT_FALSE(bus.AckError());  // nothing stale left for the next write's wait
}

TEST_F(Transfers, EraseKeepsWriteFailureCodes) {
    // Writes 0..16 go unanswered: the 17th is taken as written and marked 3, and its verify
    // read then finds the byte, which was 0xFF already, right.
    mirror.SetEepromSize(40);
    ReadOk();
    sim.Chip().MissAcks(1, 17);
    mirror.EraseEeprom();
    EXPECT_EQ(mirror.State(16), EeState::WRITE_AFTER_FAILS);
    for (int a = 0; a < 40; ++a) {
        if (a != 16) {
            EXPECT_EQ(mirror.State(a), EeState::OUTSIDE_IMAGE) << a;
        }
    }
}

// ---- convergence under faults ----

TEST(Convergence, RepeatedSyncsUnderFaultsEndWithTheImageAndItSurvivesARestart) {
    const auto dir = std::filesystem::temp_directory_path() / ("orvane-conv-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "eeprom.sim").string();
    const Bytes image = MakeImage(30, 9);
    const Bytes want = Expected(image);

    for (const uint8_t poll : {0, 1}) {
        std::filesystem::remove(file);
        CSimParallelPort sim;
        std::string error;
        ASSERT_TRUE(sim.Chip().AttachFile(file, error)) << error;
        CI2cPort bus(&sim);
        bus.SetPollWrite(poll);
        CRecordingView view;
        CEepromMirror mirror(bus, view);
        mirror.SetEepromSize(kChipSize);
        mirror.SetAutoLoad(true);
        mirror.ReadEeprom();
        ASSERT_TRUE(mirror.IsHardwareReady());

        sim.Chip().SetFaultSeed(7 + poll);
        sim.Chip().SetMissAckRate(0.02);
        sim.Chip().SetFlipRate(0.01);
        int syncs = 0;
        while (!std::equal(want.begin(), want.end(), sim.Chip().Bytes().begin()) && syncs < 10) {
            mirror.SyncEeprom(image.data(), static_cast<int>(image.size()));
            ++syncs;
        }
        EXPECT_LT(syncs, 10) << "poll " << int(poll);
        // Two more syncs with the faults still on must not undo anything.
        mirror.SyncEeprom(image.data(), static_cast<int>(image.size()));
        mirror.SyncEeprom(image.data(), static_cast<int>(image.size()));
        ASSERT_TRUE(std::equal(want.begin(), want.end(), sim.Chip().Bytes().begin())) << "poll " << int(poll);

        CSimParallelPort restarted;
        ASSERT_TRUE(restarted.Chip().AttachFile(file, error)) << error;
        CI2cPort bus2(&restarted);
        CRecordingView view2;
        CEepromMirror reread(bus2, view2);
        reread.SetEepromSize(kChipSize);
        reread.ReadEeprom();
        ASSERT_TRUE(reread.IsHardwareReady());
        for (size_t a = 0; a < want.size(); ++a) ASSERT_EQ(reread.Target(int(a)), want[a]) << a;
    }
    std::filesystem::remove_all(dir);
}
