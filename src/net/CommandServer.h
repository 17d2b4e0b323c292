#pragma once
// The TCP command server: one client at a time, a greeting on connection, every line the
// client sends run on the model and logged; nothing sent back unless a reply mode is set. Clients that come meanwhile
// wait on the one listener and are served in turn.

#include <array>
#include <memory>
#include <string>

#include "LineAssembler.h"
#include "NetHost.h"
#include "OneShotTimer.h"
#include "RdsSocket.h"
#include "ReplyMode.h"

// Completes a held line piece when no more data follows. Tests drive it by hand.
using ILineTimer = IOneShotTimer;

// The server's waits; any left out is a Qt timer of the server's own.
struct CommandTimers {
    IOneShotTimer* line = nullptr;         // kLineWaitMs: a held piece runs as it stands
    IOneShotTimer* listenRetry = nullptr;  // kListenRetryMs: another try at a taken port
    IOneShotTimer* idle = nullptr;         // kIdleMs: the served client has gone quiet
};

// One of the two network address entries (1003, 1004) as the window holds it.
struct NetEntry {
    std::array<int, 4> fields{};
    bool complete = false;  // all four fields filled in
};

class CCommandServer : public ICommandOwner {
public:
    static constexpr int kLineWaitMs = 200;
    static constexpr int kBacklog = 64;
    static constexpr int kListenRetryMs = 10000;
    static constexpr int kIdleMs = 60000;
    static constexpr int kMaxUnsentReplies = 4096;  // bytes a client may leave unread

    explicit CCommandServer(INetHost& host, ILineTimer* lineTimer = nullptr);
    CCommandServer(INetHost& host, const CommandTimers& timers);
    ~CCommandServer() override;
    CCommandServer(const CCommandServer&) = delete;
    CCommandServer& operator=(const CCommandServer&) = delete;

    // With a reply mode each line is answered and no greeting is sent (it would read as a reply).
    void SetReplyMode(ReplyMode mode) { m_replyMode = mode; }

    void StartListening();  // "Ligar" and start-up; a taken port is tried again until it is free
    void StopListening();   // "Fechar" and shutdown; waiting clients are closed too

    void OnClientAccept() override;
    void OnClientReceive() override;
    void OnClientClose() override;
    // The line timer ran out: the held piece runs as it stands.
    void OnLineTimeout();
    // The retry timer ran out: the taken port is tried again, without another message.
    void OnListenRetry();
    // The idle timer ran out: the served client gives way as soon as another one waits.
    void OnIdleTimeout();

    // Address entry changed: the entry's new fields, the last one forced to 0.
    // Nothing is returned for an incomplete entry, which stays as it is.
    bool OnNetAddressChanged(const NetEntry& entry, NetEntry& corrected);
    // Mask entry changed: warns once about a mask that leaves no room for hosts.
    void OnNetMaskChanged(const NetEntry& entry);

    [[nodiscard]] bool IsListening() const { return m_listening; }
    [[nodiscard]] bool IsClientConnected() const { return m_clientConnected; }
    // The port the listener holds now (what a client must use when m_port is 0); 0 when down.
    [[nodiscard]] int BoundPort() const { return m_listenSocket.LocalPort(); }
    // Accepted clients waiting for their turn.
    [[nodiscard]] int WaitingClients() const { return m_listenSocket.WaitingCount(); }

    // The bytes sent to a client on connection.
    [[nodiscard]] static std::string BuildGreeting(bool hardwareReady, const std::string& connectionLine);

private:
    bool TryListen();
    void ShowSocketState(bool connected);
    void ServeNext();
    void EndClient();
    void HandleReceive(int length);
    void WarnRunTogether(const char* data, int length);
    void RunLine(const std::string& line);
    void Reply(bool executed);
    void FlushHeld();

    INetHost& m_host;
    std::unique_ptr<IOneShotTimer> m_ownLineTimer;
    std::unique_ptr<IOneShotTimer> m_ownRetryTimer;
    std::unique_ptr<IOneShotTimer> m_ownIdleTimer;
    IOneShotTimer* m_lineTimer;
    IOneShotTimer* m_retryTimer;
    IOneShotTimer* m_idleTimer;
    CRdsSocket m_listenSocket;
    CRdsSocket m_commandSocket;
    bool m_listening = false;
    bool m_clientConnected = false;
    bool m_retrying = false;    // the port was taken; the retry timer runs
    bool m_clientIdle = false;  // the served client has sent nothing for kIdleMs
    bool m_warnAddress = true;
    bool m_warnMask = true;
    ReplyMode m_replyMode = ReplyMode::None;
    bool m_repliesDropped = false;  // logged once per connection
    std::array<char, 2048> m_rxBuffer{};
    CLineAssembler m_assembler;
};
