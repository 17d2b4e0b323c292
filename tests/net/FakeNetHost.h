#pragma once
// A controller stand-in that records everything the network side asks of it.

#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CommandServer.h"
#include "NetHost.h"

struct ShownMessage {
    std::string caption;
    std::string text;
    MessageIcon icon;
};

class FakeNetHost : public INetHost {
public:
    // A few keywords of the command language, enough to tell " - OK" from " - ERROR".
    int ExecuteCommandLine(const std::string& line) override
    {
        executed.push_back(line);
        for (const char* keyword : {"PI=", "TA=", "TP=", "PS=", "PSN=", "TEXT=", "ENCODE"})
            if (line.rfind(keyword, 0) == 0)
                return 1;
        return 0;
    }
    void AddLogLine(const std::string& line) override { log.push_back(line); }
    void AddConnectionLine(const std::string& line) override { connections.push_back(line); }
    void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) override
    {
        messages.push_back({caption, text, icon});
    }
    std::string ApplicationName() override { return "Orvane"; }
    bool IsHardwareReady() override { return hardwareReady; }
    std::string GetClockText() override { return clockText; }
    void GetClockTime(int& h, int& m, int& s) override
    {
        h = hour;
        m = minute;
        s = second;
    }
    void SetSocketPicture(SocketPicture picture) override { pictures.push_back(picture); }
    void EnableControl(int id, bool on) override { enabled[id] = on; }
    int GetPort() override { return port; }
    bool IsExternalCoder() override { return externalCoder; }
    void SendToCoder(const std::string& text) override { coder.push_back(text); }
    void SetNextUpdateText(const std::string& text) override { nextUpdate.push_back(text); }
    std::string FindWorkingFile(const std::string& name) override
    {
        const auto path = std::filesystem::path(folder) / name;
        return (!folder.empty() && std::filesystem::exists(path)) ? path.string() : std::string();
    }

    std::vector<std::string> executed, log, connections, coder, nextUpdate;
    std::vector<ShownMessage> messages;
    std::vector<SocketPicture> pictures;
    std::map<int, bool> enabled;
    bool hardwareReady = false;
    bool externalCoder = false;
    std::string clockText = "12:34:56";
    int hour = 0, minute = 0, second = 0;
    int port = 0;  // the system picks
    std::string folder;
};

// The line-completion wait, run by hand.
class FakeLineTimer : public ILineTimer {
public:
    void Start() override
    {
        armed = true;
        ++calls;
    }
    void Stop() override
    {
        armed = false;
        ++calls;
    }
    bool armed = false;
    int calls = 0;  // each receive the server handles starts or stops the wait once
};

// Waits, bounded, for a condition that socket events will make true.
template <typename Pred>
bool WaitFor(Pred pred, int ms = 5000)
{
    return QTest::qWaitFor(pred, ms);
}

inline std::unique_ptr<QTcpSocket> ConnectClient(int port)
{
    auto client = std::make_unique<QTcpSocket>();
    client->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    WaitFor([&] { return client->state() == QAbstractSocket::ConnectedState; });
    return client;
}

inline void SendRaw(QTcpSocket& client, const std::string& bytes)
{
    client.write(bytes.data(), static_cast<qint64>(bytes.size()));
    client.flush();
}

// Everything a client reads until the server ends the connection.
inline std::string ReadToEnd(QTcpSocket& client, std::string got = {})
{
    WaitFor([&] {
        got += client.readAll().toStdString();
        return client.state() == QAbstractSocket::UnconnectedState;
    });
    got += client.readAll().toStdString();
    return got;
}
