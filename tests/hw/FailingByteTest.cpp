// How the transfers treat bytes and reads that keep failing: a byte that fails sync after
// sync is given up as dead so it stops holding the record count back, and a first read that
// fails names where it failed, with one message box however often it is retried.

#include <gtest/gtest.h>

#include "ChipRig.h"

namespace {
struct Message {
    std::string caption, text;
};

struct QuietView : IEepromView {
    void SetProgressRange(int) override {}
    void SetProgressPosition(int) override {}
    void SetProgressColour(BarColour) override {}
    void SetBusyPointer(bool) override {}
    void ShowMessage(const std::string& c, const std::string& t, MessageIcon) override { messages.push_back({c, t}); }
    void DisableEepromControls() override {}
    void DrawEepromMap() override {}
    std::vector<Message> messages;
};

struct Rig {
    Rig() { mirror.SetEepromSize(CSimEeprom::SIZE); }
    CSimParallelPort sim;
    CI2cPort bus{&sim};
    QuietView view;
    CEepromMirror mirror{bus, view};
    [[nodiscard]] int ChipCount() const { return CountOf(sim.Chip().Bytes().data()); }
};

enum class Fault { Weak, Deaf };

// One sync's outcome for the faulty byte: the chip's record count and whether it died now.
struct Outcome {
    int count;
    bool diedNow;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};
}  // namespace

TEST(FailingByte, EitherKindHoldsNewRecordsBackForThreeSyncsThenIsDeadAndReleasesThem) {
    // Ten records stored; the image grows to twelve with a faulty byte 5 into record 11:
    // address 2 + 10 * 13 + 5 = 137 = 0x89. The schedule says per sync whether the fault is on.
    constexpr int kFaulty = 137;
    struct Row {
        const char* name;
        Fault fault;
        std::string schedule;
        std::vector<Outcome> outcomes;
        uint8_t finalState;
    };
    const Row rows[] = {
        {"weak cell", Fault::Weak, "FFFF", {{10, false}, {10, false}, {12, true}, {12, false}}, EeState::VERIFY_FAILED},
        {"deaf cell", Fault::Deaf, "FFFF", {{10, false}, {10, false}, {12, true}, {12, false}}, EeState::VERIFY_FAILED},
        // A good sync between failures starts the tally again; once claimed, the record stays.
        {"healed between",
         Fault::Deaf,
         "FF.FF",
         {{10, false}, {10, false}, {12, false}, {12, false}, {12, false}},
         EeState::VERIFY_FAILED},
        {"healed for good",
         Fault::Weak,
         "FF..",
         {{10, false}, {10, false}, {12, false}, {12, false}},
         EeState::CHANGED},
    };
    const Bytes twelve = MakeImage(12, 5);
    const Bytes ten(twelve.begin(), twelve.begin() + 10 * RECORD_BYTES);
    for (const Row& row : rows) {
        Rig rig;
        rig.mirror.ReadEeprom();
        ASSERT_TRUE(rig.mirror.IsHardwareReady());
        rig.mirror.SyncEeprom(ten.data(), static_cast<int>(ten.size()));
        ASSERT_EQ(rig.ChipCount(), 10);
        std::vector<Outcome> seen;
        Bytes image = twelve;
        for (const char step : row.schedule) {
            const bool on = step == 'F';
            if (row.fault == Fault::Weak) rig.sim.Chip().SetWeakCell(kFaulty, on);
            else rig.sim.Chip().SetDeafCell(kFaulty, on);
            // A new value each time, so every sync has to write the byte.
            image[kFaulty - 2] = static_cast<uint8_t>(seen.size() + 1);
            const SyncReport report = rig.mirror.SyncEeprom(image.data(), static_cast<int>(image.size()));
            seen.push_back({rig.ChipCount(), report.deadBytes == std::vector<int>{kFaulty}});
            EXPECT_TRUE(report.deadBytes.empty() || report.deadBytes == std::vector<int>{kFaulty}) << row.name;
        }
        EXPECT_EQ(seen, row.outcomes) << row.name;
        EXPECT_EQ(rig.mirror.State(kFaulty), row.finalState) << row.name;
        // Every other byte of the twelve records is on the chip.
        const uint8_t* chip = rig.sim.Chip().Bytes().data() + 2;
        for (int i = 0; i < 12 * RECORD_BYTES; ++i) {
            if (i + 2 != kFaulty) {
                ASSERT_EQ(chip[i], image[i]) << row.name << " at " << i + 2;
            }
        }
    }
    EXPECT_EQ(DeadByteLine(kFaulty),
              "EEPROM: posi\xE7\xE3o 0x0089 falhou 3 sincroniza\xE7\xF5"
              "es seguidas - dada como avariada");
}

TEST(FailingRead, ASizeBeyondTheChipNamesTheFirstFailingAddressWithOneMessageBox) {
    // Address bits 8 and up go to the device byte from its bit 1. Bit 12 lands on the 1 of
    // 0xA0, so 0x1000..0x1FFF answer as 0x0000..0x0FFF; bit 13 makes 0xE0, which the chip
    // does not answer: the 128 failures that end the read start at 0x2000.
    Rig rig;
    rig.mirror.SetEepromSize(0x7FF7);
    const ReadReport first = rig.mirror.ReadEeprom();
    EXPECT_FALSE(first.ready);
    EXPECT_EQ(first.failedAt, 0x2000);
    ASSERT_EQ(rig.view.messages.size(), 1u);
    const std::string& text = rig.view.messages[0].text;
    EXPECT_NE(text.find("0x2000"), std::string::npos) << text;
    EXPECT_NE(text.find("EEPROMSIZE=1000 para uma X24C32"), std::string::npos) << text;
    EXPECT_EQ(ReadFailedLine(first), "EEPROM: erro de leitura a partir de 0x2000 (EEPROMSIZE maior do que a EEPROM?)");

    // Retried as it stands, then with the interface gone: the caller logs, no second box.
    EXPECT_EQ(rig.mirror.ReadEeprom().failedAt, 0x2000);
    rig.sim.SetInterfaceSilent(true);
    EXPECT_EQ(ReadFailedLine(rig.mirror.ReadEeprom()), "EEPROM: o interface n\xE3o respondeu.");
    EXPECT_EQ(rig.view.messages.size(), 1u);

    rig.sim.SetInterfaceSilent(false);
    rig.mirror.SetEepromSize(0x1000);
    const ReadReport fixed = rig.mirror.ReadEeprom();
    EXPECT_TRUE(fixed.ready && rig.mirror.IsHardwareReady());
    EXPECT_EQ(fixed.bytesRead, 0x1000);
    EXPECT_EQ(ReadFailedLine(fixed), "");
}
