// The older mode: DEF.INI's USEEXTERNALCODER sends the start-up announcement and every line a
// client sends to the simulated encoder on the serial port, instead of running it here.

#include "ServerFixture.h"
#include "SimSerialCoder.h"

namespace {

const std::string CODER_MODE = "[RDS]USEEXTERNALCODER\n";
const std::string MODE_LINE = "Envio de comandos em porta SERIE ( modo antigo )";
const std::string ANNOUNCEMENT = "RDS Server is on line.\r";

class CoderMode : public ServerFixture {
protected:
    // The encoder is made here and handed over only if the server asks for its port.
    void StartStation(const std::string& settings, CSimSerialCoder::Echo echo = CSimSerialCoder::Echo::Prompt,
                      bool stuck = false) {
        owned = std::make_unique<CSimSerialCoder>();
        coder = owned.get();
        coder->SetEcho(echo);
        coder->SetTransmitterStuck(stuck);
        coderOpener = [this] {
            PortOpenResult opened;
            opened.io = std::move(owned);
            opened.description = "sim";
            return opened;
        };
        StartWithFiles(QUIET_PORT + settings, "PI=1234\n");
    }
    // One receive from a client on 127.0.0.1, then the loop runs until settled() holds.
    void SendFromClient(const QByteArray& bytes, const std::function<bool()>& settled) {
        QTcpSocket client;
        ASSERT_TRUE(Connect(client));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !view.lists[ServerList::Connections].empty(); }, 10000));
        client.write(bytes);
        ASSERT_TRUE(client.waitForBytesWritten(5000));
        // Bounded so that a lost line fails instead of hanging.
        ASSERT_TRUE(QTest::qWaitFor(settled, 10000));
    }

    std::unique_ptr<CSimSerialCoder> owned;
    CSimSerialCoder* coder = nullptr;
};

}  // namespace

TEST_F(CoderMode, StartUpAnnouncesTheServerToTheEncoder) {
    StartStation(CODER_MODE);
    coder->Idle(2'000'000);  // the last byte may still be on the line
    // 22 characters, then the line end as CR (0x0D).
    EXPECT_EQ(coder->Received(), std::string("RDS Server is on line.") + '\x0D');
    EXPECT_EQ(coder->Lines(), std::vector<std::string>{"RDS Server is on line."});
    EXPECT_EQ(coder->GarbledCount(), 0);
    EXPECT_EQ(CountLog(MODE_LINE), 1);
    EXPECT_EQ(CountLog("Barramento I2C: sim:test - Codificador: sim"), 1);
    EXPECT_EQ(CountLogStarting("A porta SERIE"), 0);
}

TEST_F(CoderMode, ClientReceiveGoesToTheEncoderWholeAndIsNotRun) {
    StartStation(CODER_MODE);
    const std::size_t logBefore = view.allLog.size();
    // Trailing line ends and blanks are cut; the inner LF goes out as CR.
    SendFromClient("PI=C201\nTA=1 \r\n", [&] {
        coder->Idle(2'000'000);  // the last byte may still be on the line
        return coder->Received().size() >= ANNOUNCEMENT.size() + 12;
    });
    EXPECT_EQ(coder->Received(), ANNOUNCEMENT + "PI=C201\rTA=1");
    EXPECT_EQ(coder->Lines(), (std::vector<std::string>{"RDS Server is on line.", "PI=C201"}));
    EXPECT_EQ(dlg->Model().Station().Pi(), 0x1234);  // the model is not touched
    EXPECT_EQ(view.allLog.size(), logBefore);        // and nothing is logged
}

TEST_F(CoderMode, WithTheModeOffNoRegisterIsTouchedAndLinesRunHere) {
    StartStation("");
    SendFromClient("PI=C201\r\n", [&] { return dlg->Model().Station().Pi() == 0xC201; });
    EXPECT_EQ(coder->RegisterAccesses(), 0u);
    EXPECT_EQ(CountLog("PI=C201 - OK"), 1);
    EXPECT_EQ(CountLog(MODE_LINE), 0);
}

TEST_F(CoderMode, EncoderThatNeverEchoesStillGetsEveryCharacter) {
    StartStation(CODER_MODE, CSimSerialCoder::Echo::None);
    SendFromClient("RT1=\"AB\"", [&] { return coder->Received().size() >= ANNOUNCEMENT.size() + 8; });
    EXPECT_EQ(coder->Received(), ANNOUNCEMENT + "RT1=\"AB\"");
    EXPECT_EQ(CountLogStarting("A porta SERIE"), 0);
}

TEST_F(CoderMode, TransmitterThatNeverDrainsIsLoggedAndTheServerGoesOn) {
    StartStation(CODER_MODE, CSimSerialCoder::Echo::Prompt, true);
    const std::string silent = "A porta SERIE n\xE3o responde: ";
    // The announcement: one line for the whole text, not one per character.
    EXPECT_EQ(CountLog(silent + "23 caracteres para o codificador foram descartados."), 1);
    SendFromClient("PI=C201", [&] { return CountLogStarting(silent) == 2; });
    EXPECT_EQ(view.allLog.back(), silent + "7 caracteres para o codificador foram descartados.");
    EXPECT_TRUE(coder->Received().empty());
    EXPECT_EQ(dlg->Model().Station().Pi(), 0x1234);
    // The tick still runs: a whole sync round comes and goes.
    Ticks(CRdsServerDlg::SYNC_TICKS - 1);
    EXPECT_EQ(dlg->TicksUntilSync(), 1);
    Ticks(1);
    EXPECT_EQ(dlg->TicksUntilSync(), CRdsServerDlg::SYNC_TICKS);
    EXPECT_TRUE(view.timer && dlg->CommandServer().IsListening());
}

TEST_F(CoderMode, SerialPortThatCannotOpenIsLoggedAndLinesAreStillNotRun) {
    coderOpener = [] { return PortOpenResult::Failure("/dev/ttyS9: cannot open the serial device"); };
    Write("DEF.INI", QUIET_PORT + CODER_MODE);
    Start();
    EXPECT_EQ(CountLog("Porta SERIE recusada: /dev/ttyS9: cannot open the serial device"), 1);
    EXPECT_EQ(CountLog("A porta SERIE n\xE3o responde: 23 caracteres para o codificador foram descartados."), 1);
    EXPECT_TRUE(view.timer);
}
