// A sync cut short by a power loss at every possible write: what the encoder's controller
// would read from the chip at that moment, and whether the next syncs finish the job.

#include <gtest/gtest.h>

#include "ChipRig.h"

namespace {
constexpr int kChip = CSimEeprom::SIZE;

// The write cycles a sync from old to new needs: each differing count byte alone, then one
// per differing record byte, or with page writes one per 32-byte page holding any.
int NeededWrites(const Bytes& old, const Bytes& now, WriteMode mode) {
    const int from = int(old.size()) / RECORD_BYTES, to = int(now.size()) / RECORD_BYTES;
    int n = ((from & 0xFF) != (to & 0xFF)) + ((from >> 8) != (to >> 8));
    int lastPage = -1;
    for (size_t i = 0; i < now.size(); ++i) {
        const bool differs = i >= old.size() ? (now[i] != 0xFF) : (now[i] != old[i]);
        const int page = static_cast<int>(2 + i) / 32;
        if (!differs || (mode == WriteMode::Page && page == lastPage)) continue;
        ++n;
        lastPage = page;
    }
    return n;
}

// What the encoder reads after the cut: the count may claim records of the old image as
// they were, or records of the new one once they are whole; never one the new image dropped
// once any record was touched, nor a count above both.
::testing::AssertionResult SafeForAir(const uint8_t* chip, const Bytes& old, const Bytes& now) {
    const int from = int(old.size()) / RECORD_BYTES, to = int(now.size()) / RECORD_BYTES;
    const int count = CountOf(chip);
    if (count > std::max(from, to)) return ::testing::AssertionFailure() << "count " << count << " claims past both";
    const bool touched = !std::equal(old.begin(), old.end(), chip + 2);
    if (to < from && touched && count > to)
        return ::testing::AssertionFailure()
               << "count " << count << " still claims dropped records after a record changed";
    if (count > from && !std::equal(now.begin(), now.begin() + count * RECORD_BYTES, chip + 2))
        return ::testing::AssertionFailure() << "count " << count << " claims a new record before it is whole";
    return ::testing::AssertionSuccess();
}
}  // namespace

TEST(InterruptedSync, EveryCutLeavesACountSafeForAirAndTheNextSyncsFinishTheImage) {
    struct Case {
        const char* name;
        Bytes old, now;
        int step;  // cut after every step-th write; a long sync is sampled
    };
    const Bytes nine = MakeImage(9, 3);
    Bytes nineChanged = nine;
    for (auto& b : nineChanged) b = static_cast<uint8_t>(b ^ 0x5A);  // every byte differs
    const Case cases[] = {
        {"shrink, records rewritten", nine, Bytes(nineChanged.begin(), nineChanged.begin() + 6 * RECORD_BYTES), 1},
        {"grow, records rewritten", Bytes(nine.begin(), nine.begin() + 6 * RECORD_BYTES), MakeImage(9, 4), 1},
        // 300 -> 255 changes both count bytes: the high one must go first.
        {"shrink across 256", MakeImage(300, 5), MakeImage(255, 6), 331},
        {"grow across 256", MakeImage(255, 7), MakeImage(300, 8), 331},
    };
    for (const WriteMode mode : {WriteMode::Page, WriteMode::Byte})
        for (const Case& c : cases) {
            const int span = 2 + static_cast<int>(std::max(c.old.size(), c.now.size()));
            ChipRig whole(c.old, span, mode);
            whole.Sync(c.now);
            const auto needed = static_cast<uint64_t>(NeededWrites(c.old, c.now, mode));
            EXPECT_EQ(whole.sim.Chip().WriteCycles(), needed) << c.name;
            ASSERT_TRUE(whole.Holds(c.now)) << c.name;

            const int step = mode == WriteMode::Page ? 1 + c.step / 20 : c.step;
            for (int cut = 1; cut < static_cast<int>(needed); cut = cut < 4 ? cut + 1 : cut + step) {
                ChipRig station(c.old, span, mode);
                station.sim.Chip().CutPowerAfterWrites(cut);
                station.Sync(c.now);
                ASSERT_EQ(station.sim.Chip().WriteCycles(), static_cast<uint64_t>(cut)) << c.name;
                EXPECT_TRUE(SafeForAir(station.sim.Chip().Bytes().data(), c.old, c.now)) << c.name << ", cut " << cut;
                station.sim.Chip().SetAbsent(false);
                int syncs = 0;
                for (; syncs < 3 && !station.Holds(c.now); ++syncs) station.Sync(c.now);
                EXPECT_TRUE(station.Holds(c.now)) << c.name << ", cut " << cut;
            }
        }
}

TEST(InterruptedSync, AShrinkingSyncCutAfterItsFirstRecordByteStillClaimsNoDroppedRecord) {
    // Nine records become six, every byte of them changed: the count must be down to six
    // before the first record byte changes.
    const Bytes nine = MakeImage(9, 11);
    Bytes six(nine.begin(), nine.begin() + 6 * RECORD_BYTES);
    for (auto& b : six) b = static_cast<uint8_t>(~b);
    ChipRig probe(nine, kChip);
    probe.Sync(six);
    const auto firstRecord = std::find_if(probe.commits.begin(), probe.commits.end(), [](int a) { return a >= 2; });
    ASSERT_NE(firstRecord, probe.commits.end());
    const int firstRecordWrite = static_cast<int>(firstRecord - probe.commits.begin()) + 1;
    ChipRig station(nine, kChip);
    station.sim.Chip().CutPowerAfterWrites(firstRecordWrite);
    station.Sync(six);
    const uint8_t* chip = station.sim.Chip().Bytes().data();
    EXPECT_EQ(CountOf(chip), 6);
    EXPECT_NE(chip[2], nine[0]);  // the cut came after a record byte, not before
}

TEST(SimWear, EveryWriteCycleCountsOnItsCellEvenWithAnUnchangedValue) {
    const Bytes old = MakeImage(2, 1);
    Bytes image = old;
    for (auto& b : image) b = static_cast<uint8_t>(~b);
    ChipRig station(old, kChip);
    station.Sync(image);
    // A forced sync rewrites every record byte with the value it already holds.
    station.mirror.SyncEeprom(image.data(), static_cast<int>(image.size()), true);
    EXPECT_EQ(station.sim.Chip().CellWrites(2), 2u);
    EXPECT_EQ(station.sim.Chip().CellWrites(2 + 2 * RECORD_BYTES), 0u);
    EXPECT_EQ(station.sim.Chip().CellWrites(2 + 2 * RECORD_BYTES - 1), 2u);
    EXPECT_GE(station.sim.Chip().CellWrites(station.sim.Chip().BusiestCell()), 2u);
}
