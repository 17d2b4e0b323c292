#pragma once
// The TCP command server: one client at a time, a greeting on connection, every line the
// client sends run on the model and logged, nothing sent back.

#include <array>
#include <memory>
#include <string>

#include "LineAssembler.h"
#include "NetHost.h"
#include "RdsSocket.h"

// Completes a held line piece when no more data follows. Tests drive it by hand.
class ILineTimer {
public:
    virtual ~ILineTimer() = default;
    virtual void Start() = 0;  // (re)starts the wait
    virtual void Stop() = 0;
};

// One of the two network address entries (1003, 1004) as the window holds it.
struct NetEntry {
    std::array<int, 4> fields{};
    bool complete = false;  // all four fields filled in
};

class CCommandServer : public ICommandOwner {
public:
    static constexpr int kLineWaitMs = 200;
    static constexpr int kBacklog = 5;

    // Without a timer of its own the server uses a Qt timer of kLineWaitMs.
    explicit CCommandServer(INetHost& host, ILineTimer* lineTimer = nullptr);
    ~CCommandServer() override;
    CCommandServer(const CCommandServer&) = delete;
    CCommandServer& operator=(const CCommandServer&) = delete;

    void StartListening();  // "Ligar", start-up, and after each client
    void StopListening();   // "Fechar", shutdown, and after each client

    void OnClientAccept() override;
    void OnClientReceive() override;
    void OnClientClose() override;
    // The line timer ran out: the held piece runs as it stands.
    void OnLineTimeout();

    // Address entry changed: the entry's new fields, the last one forced to 0.
    // Nothing is returned for an incomplete entry, which stays as it is.
    bool OnNetAddressChanged(const NetEntry& entry, NetEntry& corrected);
    // Mask entry changed: warns once about a mask that leaves no room for hosts.
    void OnNetMaskChanged(const NetEntry& entry);

    [[nodiscard]] bool IsListening() const { return m_listening; }
    [[nodiscard]] bool IsClientConnected() const { return m_clientConnected; }
    // The port the listener holds now (what a client must use when m_port is 0); 0 when down.
    [[nodiscard]] int BoundPort() const { return m_listenSocket.LocalPort(); }

    // The bytes sent to a client on connection.
    [[nodiscard]] static std::string BuildGreeting(bool hardwareReady, const std::string& connectionLine);

private:
    void ShowSocketState(bool connected);
    void HandleReceive(int length);
    void RunLine(const std::string& line);
    void FlushHeld();

    INetHost& m_host;
    std::unique_ptr<ILineTimer> m_ownTimer;
    ILineTimer* m_lineTimer;
    CRdsSocket m_listenSocket;
    CRdsSocket m_commandSocket;
    bool m_listening = false;
    bool m_clientConnected = false;
    bool m_warnAddress = true;
    bool m_warnMask = true;
    std::array<char, 2048> m_rxBuffer{};
    CLineAssembler m_assembler;
};
