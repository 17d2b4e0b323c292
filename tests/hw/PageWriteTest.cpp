// Page writes on the simulated X24C32: which write cycles a sync spends, the order that keeps
// the record count honest when a sync stops between pages, and the repair of pages the chip
// refused or bytes it did not keep.

#include <gtest/gtest.h>

#include "ChipRig.h"

namespace {

Addresses Span(int first, int last) {
    Addresses span;
    for (int a = first; a <= last; ++a) span.push_back(a);
    return span;
}

// Flips the image bytes at these EEPROM addresses.
Bytes Changed(Bytes image, const Addresses& addresses) {
    for (const int a : addresses) image[static_cast<size_t>(a - 2)] ^= 0x5A;
    return image;
}
}  // namespace

TEST(PageWrite, EachTouchedPageIsOneWriteCycleFromItsFirstToItsLastChangedByte) {
    // Ten records fill addresses 2..131; pages are address / 32. Expected cycles by hand.
    struct Row {
        const char* name;
        Addresses changed;
        Addresses commits;  // first address of each write cycle
        uint64_t readBack;  // bytes a sync on this change reads: the runs written and the count
    };
    const Row rows[] = {
        {"inside one page, from mid-page", {5, 9}, {5}, 5 + 2},
        {"across a page boundary", Span(29, 35), {29, 32}, 3 + 4 + 2},
        {"one byte each side of a boundary", {31, 32}, {31, 32}, 1 + 1 + 2},
        {"more than 32 bytes", Span(20, 90), {20, 32, 64}, 12 + 32 + 27 + 2},
        {"a byte in each of three pages", {20, 45, 90}, {20, 45, 90}, 1 + 1 + 1 + 2},
    };
    const Bytes image = MakeImage(10, 11);
    for (const Row& row : rows) {
        ChipRig rig;
        rig.Sync(image);
        const Bytes changed = Changed(image, row.changed);
        const uint64_t readBefore = rig.sim.Chip().BytesRead();
        const SyncReport report = rig.Sync(changed, VerifyScope::Written);
        EXPECT_EQ(rig.commits, row.commits) << row.name;
        EXPECT_EQ(rig.sim.Chip().BytesRead() - readBefore, row.readBack) << row.name;
        EXPECT_EQ(report.bytesChanged, static_cast<int>(row.changed.size())) << row.name;
        EXPECT_TRUE(rig.Holds(changed)) << row.name;
        for (int a = 2; a < 132; ++a) {
            const bool isChanged = std::count(row.changed.begin(), row.changed.end(), a) != 0;
            ASSERT_EQ(rig.mirror.State(a), isChanged ? EeState::CHANGED : EeState::IN_STEP) << row.name << " " << a;
        }
        // The sync at the rhythm reads the whole stored extent back, and writes nothing.
        const uint64_t readAgain = rig.sim.Chip().BytesRead();
        rig.Sync(changed);
        EXPECT_EQ(rig.sim.Chip().BytesRead() - readAgain, 132u) << row.name;
        EXPECT_TRUE(rig.commits.empty()) << row.name;
    }
}

TEST(PageWrite, TheCountIsAWriteOfItsOwnAndNeverClaimsARecordASyncStoppedBeforeWriting) {
    // Prefixes of one image. The interface goes silent after the stop-th write cycle of the
    // sync, as when the encoder takes its bus back; the next sync runs without the fault.
    struct Row {
        const char* name;
        int from, to, stop;
        Addresses commits;  // write cycles of the faulty sync
        int countAfterFault;
    };
    const Row rows[] = {
        // Growing 2 -> 12 records (2..157, pages 0..4): records first, the count after them.
        {"growing, stopped after two pages", 2, 12, 2, {28, 32}, 2},
        {"growing, not stopped", 2, 12, 99, {28, 32, 64, 96, 128, 0}, 12},
        // Shrinking 12 -> 4 with record 0 rewritten: the count first, alone, then the records.
        {"shrinking, stopped after the count", 12, 4, 1, {0}, 4},
        {"shrinking, not stopped", 12, 4, 99, {0, 2}, 4},
    };
    const Bytes all = MakeImage(12, 11);
    for (const Row& row : rows) {
        ChipRig rig;
        const Bytes before(all.begin(), all.begin() + row.from * RECORD_BYTES);
        rig.Sync(before);
        ASSERT_TRUE(rig.Holds(before)) << row.name;
        Bytes after(all.begin(), all.begin() + row.to * RECORD_BYTES);
        if (row.to < row.from) after = Changed(after, {2, 3});
        const Bytes& claimedSource = row.to < row.from ? after : all;
        int cycles = 0;
        rig.onCommit = [&](int, const CSimEeprom::Content& c) {
            // Whatever the chip's count claims is, at every write cycle, the image's.
            const int claimed = CountOf(c.data()) * RECORD_BYTES;
            const bool claimsWritten = (row.to < row.from && CountOf(c.data()) <= row.to) ||
                                       std::equal(c.begin() + 2, c.begin() + 2 + claimed, claimedSource.begin());
            EXPECT_TRUE(claimsWritten) << row.name << ": count " << CountOf(c.data());
            if (++cycles == row.stop) rig.sim.SetInterfaceSilent(true);
        };
        rig.Sync(after, VerifyScope::Written);
        EXPECT_EQ(rig.commits, row.commits) << row.name;
        EXPECT_EQ(CountOf(rig.sim.Chip().Bytes().data()), row.countAfterFault) << row.name;
        rig.sim.SetInterfaceSilent(false);
        rig.onCommit = nullptr;
        rig.Sync(after);
        EXPECT_TRUE(rig.Holds(after)) << row.name;
    }
}

TEST(PageWrite, ARefusedPageIsRewrittenByteByByteAtTheNextSync) {
    // Five bytes of page 2 (64..95) change while every acknowledge of the sync is withheld:
    // neither the page nor its repair gets through. The next sync writes the five alone.
    ChipRig rig;
    const Bytes image = MakeImage(10, 11);
    rig.Sync(image);
    const Addresses five = {66, 70, 77, 81, 93};
    const Bytes changed = Changed(image, five);
    rig.sim.Chip().MissAcks(1, 100000);
    rig.Sync(changed, VerifyScope::Written);
    EXPECT_TRUE(rig.commits.empty());
    rig.sim.Chip().MissAcks(1, 0);
    const SyncReport next = rig.Sync(changed, VerifyScope::Written);
    EXPECT_EQ(rig.commits, five);
    EXPECT_EQ(next.verifyFailed, 0);
    EXPECT_TRUE(rig.Holds(changed));
    // Written alone once, the bytes go back to page writes.
    const Bytes again = Changed(changed, five);
    rig.Sync(again, VerifyScope::Written);
    EXPECT_EQ(rig.commits, Addresses{66});
}

TEST(PageWrite, ADeafOrWeakCellInsideAPageCostsOneByteNotThePage) {
    // Bytes 34..50 change; cell 40 is deaf (refuses its byte, so the chip drops the page) or
    // weak (takes the page but keeps its old value). The read-back repairs the others.
    struct Row {
        const char* name;
        bool deaf;
        Addresses commits;      // write cycles of the sync with the fault
        Addresses nextCommits;  // of the next sync, the fault healed
    };
    Addresses each = Span(34, 50);
    each.erase(std::find(each.begin(), each.end(), 40));
    const Row rows[] = {
        // The refused page: its other 16 bytes rewritten one by one, 40 never answers.
        {"deaf cell", true, each, {40}},
        // The page goes in one cycle, 40 once more on its own and still wrong.
        {"weak cell", false, {34, 40}, {40}},
    };
    const Addresses range = Span(34, 50);
    const Bytes image = MakeImage(10, 11);
    const Bytes changed = Changed(image, range);
    for (const Row& row : rows) {
        ChipRig rig;
        rig.Sync(image);
        if (row.deaf) rig.sim.Chip().SetDeafCell(40, true);
        else rig.sim.Chip().SetWeakCell(40, true);
        const SyncReport report = rig.Sync(changed, VerifyScope::Written);
        EXPECT_EQ(rig.commits, row.commits) << row.name;
        EXPECT_EQ(report.verifyFailed, 1) << row.name;
        EXPECT_EQ(rig.mirror.State(40), EeState::VERIFY_FAILED) << row.name;
        EXPECT_EQ(rig.mirror.State(41), EeState::CHANGED) << row.name;
        for (const int a : each) {
            EXPECT_EQ(rig.sim.Chip().Bytes()[a], changed[a - 2]) << row.name << " " << a;
        }
        EXPECT_NE(rig.sim.Chip().Bytes()[40], changed[38]) << row.name;
        rig.sim.Chip().SetDeafCell(40, false);
        rig.sim.Chip().SetWeakCell(40, false);
        // A byte that failed lately is read back by every sync, so the weak cell is found
        // again although its rewrite was acknowledged; either is repaired with one byte.
        rig.Sync(changed, VerifyScope::Written);
        EXPECT_EQ(rig.commits, row.nextCommits) << row.name;
        EXPECT_TRUE(rig.Holds(changed)) << row.name;
    }
}

TEST(PageWrite, EraseWritesTheCountAloneThenWholePages) {
    ChipRig rig;
    rig.Sync(MakeImage(20, 11));
    rig.commits.clear();
    rig.mirror.EraseEeprom();
    // 0 and 1 alone, then 2..31, then the 127 pages from 32: 130 write cycles.
    ASSERT_EQ(rig.commits.size(), 130u);
    EXPECT_EQ(Addresses(rig.commits.begin(), rig.commits.begin() + 4), (Addresses{0, 1, 2, 32}));
    EXPECT_EQ(rig.commits.back(), CSimEeprom::SIZE - 32);
    EXPECT_TRUE(
        std::all_of(rig.sim.Chip().Bytes().begin(), rig.sim.Chip().Bytes().end(), [](uint8_t b) { return b == 0xFF; }));
}
