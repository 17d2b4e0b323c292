#pragma once
// A controller stand-in that records what the network side asks of it, plus client helpers.

#include <gtest/gtest.h>

#include <QTcpSocket>
#include <QTest>
#include <functional>
#include <map>

#include "CommandServer.h"

using Lines = std::vector<std::string>;
using Controls = std::map<int, bool>;  // enabled or not, by control id

// It also runs the line-completion wait by hand, so tests never sleep for it.
class FakeNetHost : public INetHost, public ILineTimer {
public:
    // Enough of the command language to tell " - OK" from " - ERROR".
    CommandResult ExecuteCommandLine(const std::string& l) override {
        executed.push_back(l);
        if (onExecute) onExecute(l);
        return {l.find('=') != l.npos || l == "ENCODE", {}};
    }
    void AddLogLine(const std::string& line) override { log.push_back(line); }
    void AddConnectionLine(const std::string& line) override { connections.push_back(line); }
    void ShowMessage(const std::string& caption, const std::string& text, MessageIcon) override {
        messages.push_back(caption + ": " + text);
    }
    std::string ApplicationName() override { return "Orvane"; }
    bool IsHardwareReady() override { return hardwareReady; }
    std::string GetClockText() override { return "12:34:56"; }
    void GetClockTime(int& h, int& m, int& s) override {
        h = hms[0];
        m = hms[1];
        s = hms[2];
    }
    void SetSocketPicture(SocketPicture shown) override { picture = shown; }
    void EnableControl(int id, bool on) override { enabled[id] = on; }
    int GetPort() override { return port; }
    bool IsExternalCoder() override { return externalCoder; }
    void SendToCoder(const std::string& text) override { coder.push_back(text); }
    void SetNextUpdateText(const std::string& text) override { nextUpdate.push_back(text); }
    std::string FindWorkingFile(const std::string& name) override { return folder + "/" + name; }
    // Each receive the server handles starts or stops the wait exactly once.
    void Start() override {
        armed = true;
        ++timerCalls;
    }
    void Stop() override {
        armed = false;
        ++timerCalls;
    }

    std::function<void(const std::string&)> onExecute;  // runs inside a command, as a message box would
    Lines executed, log, connections, messages, coder, nextUpdate;
    SocketPicture picture = SocketPicture::Closed;
    Controls enabled;
    bool hardwareReady = false, externalCoder = false, armed = false;
    std::array<int, 3> hms{};      // the clock's hour, minute and second
    int port = 0, timerCalls = 0;  // port 0: the system picks
    std::string folder;
};

// A wait the test ends by calling the owner's time-out handler itself.
struct FakeTimer : IOneShotTimer {
    void Start() override { armed = true; }
    void Stop() override { armed = false; }
    bool armed = false;
};

inline std::unique_ptr<QTcpSocket> ConnectClient(int port) {
    auto client = std::make_unique<QTcpSocket>();
    client->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    EXPECT_TRUE(QTest::qWaitFor([&] { return client->state() == QAbstractSocket::ConnectedState; }));
    return client;
}

inline void SendRaw(QTcpSocket& client, const std::string& bytes) { client.write(bytes.data(), std::ssize(bytes)); }

// Everything a client reads until the server ends the connection.
inline std::string ReadToEnd(QTcpSocket& client) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return client.state() == QAbstractSocket::UnconnectedState; }));
    return client.readAll().toStdString();  // what came before the close is still there to read
}
