// The controller through rounds of hardware faults with the station's data changing between
// them: while a fault lasts the map says so, and once the faults stop a few syncs bring the
// chip to the image and the map to "in step".

#include "ServerFixture.h"

namespace {
using FaultInjection = ServerFixture;

const std::string FAULT_SETTINGS = QUIET_PORT + "[RDS]AUTOSYNCEEPROM\n[RDS]EEPROMSIZE=1000\n";
const std::string FAULT_STATION = "PI=C201\nPSN=\"RADIO XX|%TITLE%\"\nTXT0=\"Bom dia\"\nGROUP4A=01\n";

struct Round {
    double missAckRate;
    double flipRate;
    bool silent;  // the interface does not answer for the whole round
    bool stuck;   // the chip's write cycle never ends
    const char* command;
};

bool VerifyFailureLogged(const std::vector<std::string>& log, std::size_t from) {
    return std::any_of(log.begin() + static_cast<std::ptrdiff_t>(from), log.end(),
                       [](const std::string& l) { return l.find("falharam a verifica") != std::string::npos; });
}
}  // namespace

TEST_F(FaultInjection, AfterRoundsOfFaultsAFewSyncsBringTheChipToTheImageAndTheMapShowsIt) {
    StartWithFiles(FAULT_SETTINGS, FAULT_STATION);
    dlg->OnTick();
    ASSERT_EQ(CountLog(READ_LINE), 1);
    CSimEeprom& chip = sim->Chip();
    chip.SetFaultSeed(2024);
    const Round rounds[] = {
        {0.02, 0.0, false, false, "PSN=\"FADO|NOITE|LISBOA\""},
        {0.0, 0.02, false, false, "TXT0=\"Boa tarde a todos\""},
        {0.0, 0.0, true, false, "PI=C202"},
        {0.05, 0.05, false, false, "TXT1=\"Agora: %TITLE%\""},
        {0.0, 0.0, false, true, "PTY=0A"},
        {0.1, 0.0, false, false, "PSN=\"A|B|C|D|E|F\""},
        {0.0, 0.1, false, false, "AFDEF=00,E3"},
        {0.0, 0.0, true, false, "TXT0=\"Noite\""},
        {0.01, 0.01, false, false, "PSN=\"RADIO XX\""},
        {0.3, 0.3, false, false, "PI=C203"},
    };
    int minute = 31;
    for (const Round& r : rounds) {
        const auto name = std::string(r.command);
        chip.SetMissAckRate(r.missAckRate);
        chip.SetFlipRate(r.flipRate);
        sim->SetInterfaceSilent(r.silent);
        chip.SetWriteCycleStuck(r.stuck);
        ASSERT_EQ(dlg->ExecuteCommandLine(r.command).executed, 1) << name;
        ASSERT_EQ(dlg->ExecuteCommandLine("ENCODE").executed, 1) << name;
        clock.Set(CFixedClock::FromLocal(2024, 5, 17, 14, minute++, 0, 60));
        const std::size_t logBefore = view.allLog.size();
        const CSimEeprom::Content before = chip.Bytes();
        Ticks(CRdsServerDlg::SYNC_TICKS);
        if (r.silent || r.stuck) {
            // Nothing reached the chip, or only the first byte before the cycle stuck; the
            // map and the log both say that the image is not there.
            const int length = 2 + dlg->Model().GetImageLength();
            int failed = 0;
            for (int a = 0; a < length; ++a) failed += dlg->Mirror().State(a) == EeState::VERIFY_FAILED;
            EXPECT_GT(failed, 0) << name;
            EXPECT_TRUE(VerifyFailureLogged(view.allLog, logBefore)) << name;
            int changedBytes = 0;
            for (int a = 0; a < CSimEeprom::SIZE; ++a) changedBytes += chip.Bytes()[a] != before[a];
            EXPECT_LE(changedBytes, r.stuck ? 1 : 0) << name;
        }
    }

    chip.SetMissAckRate(0);
    chip.SetFlipRate(0);
    sim->SetInterfaceSilent(false);
    chip.SetWriteCycleStuck(false);
    const auto holds = [&] {
        const uint8_t* bytes = chip.Bytes().data();
        const int length = dlg->Model().GetImageLength();
        return (bytes[0] | bytes[1] << 8) == dlg->Model().GetRecordCount() &&
               std::equal(dlg->Model().GetImage(), dlg->Model().GetImage() + length, bytes + 2);
    };
    int syncs = 0;
    for (; syncs < 3 && !holds(); ++syncs) Ticks(CRdsServerDlg::SYNC_TICKS);
    ASSERT_TRUE(holds()) << "after " << syncs << " clean syncs";

    // One more sync with nothing changed: every byte of the image in step, the rest outside it.
    const std::size_t logBefore = view.allLog.size();
    Ticks(CRdsServerDlg::SYNC_TICKS);
    EXPECT_FALSE(VerifyFailureLogged(view.allLog, logBefore));
    const int end = 2 + dlg->Model().GetImageLength();
    std::vector<uint8_t> want(CSimEeprom::SIZE, EeState::OUTSIDE_IMAGE);
    std::fill(want.begin(), want.begin() + end, EeState::IN_STEP);
    const uint8_t* shown = dlg->Mirror().StateData();
    EXPECT_EQ(std::vector<uint8_t>(shown, shown + CSimEeprom::SIZE), want);
}
