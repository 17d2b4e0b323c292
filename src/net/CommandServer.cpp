#include "CommandServer.h"

#include <algorithm>
#include <string>
#include <vector>

#include "CommandLanguage.h"

namespace {

const char* const kPortTaken =
    "Imposs\xEDvel de criar o porto - pode estar atribu\xED"
    "do.";
const char* const kAddressWarning = "Valor de rede incorrecto. o IP dever\xE1 terminar com X.X.X.0";
const char* const kMaskWarning = "Esse valor de rede n\xE3o permite comunica\xE7\xE3o!";
const char* const kIdleClosed = "Cliente sem enviar nada h\xE1 60 s com outro \xE0 espera: liga\xE7\xE3o fechada.";
const char* const kRepliesDropped =
    "Cliente n\xE3o l\xEA as respostas: mais de 4 KB por enviar, as seguintes s\xE3o descartadas.";
const char* const kRunTogether =
    "Aviso: comando sem fim de linha (CR ou LF) com texto depois do valor; corre tudo como uma s\xF3 linha.";

}  // namespace

CCommandServer::CCommandServer(INetHost& host, ILineTimer* lineTimer)
    : CCommandServer(host, CommandTimers{lineTimer, nullptr, nullptr}) {}

CCommandServer::CCommandServer(INetHost& host, const CommandTimers& timers)
    : m_host(host),
      m_lineTimer(OwnOrGiven(timers.line, m_ownLineTimer, kLineWaitMs, [this] { OnLineTimeout(); })),
      m_retryTimer(OwnOrGiven(timers.listenRetry, m_ownRetryTimer, kListenRetryMs, [this] { OnListenRetry(); })),
      m_idleTimer(OwnOrGiven(timers.idle, m_ownIdleTimer, kIdleMs, [this] { OnIdleTimeout(); })) {
    m_listenSocket.SetCommandOwner(this);
    m_commandSocket.SetCommandOwner(this);
}

CCommandServer::~CCommandServer() = default;

std::string CCommandServer::BuildGreeting(bool hardwareReady, const std::string& connectionLine) {
    std::string g =
        "Orvane Server versao 5.0\n\rRelease date 01-Julho-2002\n\r"
        "COMSER / DIRECT RDS ACCESS ( X24C32 ) / TIMESERVER\n\r\n\r";
    g += "Direitos de autor: Orvane Sistemas de Radiodifusao.\n\r";
    g += "Todos os direitos reservados.\n\r";
    g += "\n\r\n\aSTATUS :";
    g += hardwareReady ? "READY."
                       : "ERROR CONECTING EXTERNAL INTERFACE. -\n\r"
                         "Tem de reiniciar o ORVANE no servidor para verificar as ligacoes.\n\r";
    g += "\n\rYOUR SOCKET ADDRESS/CONNECTION: ";
    g += connectionLine;
    g += "\n\r";
    return g;
}

void CCommandServer::StartListening() {
    m_host.EnableControl(kIdCloseButton, true);
    m_host.EnableControl(kIdConnectButton, false);
    if (!m_listening && !TryListen()) {
        m_host.ShowMessage(m_host.ApplicationName(), kPortTaken, MessageIcon::None);
        // Headless there is no "Ligar": the port is tried again until whoever holds it lets go.
        m_retrying = true;
        m_retryTimer->Start();
        return;
    }
    ShowSocketState(m_clientConnected);
    m_host.EnableControl(kIdSocketState, true);
}

bool CCommandServer::TryListen() {
    if (!m_listenSocket.Listen(m_host.GetPort(), kBacklog)) return false;
    m_listening = true;
    // Said when nobody chose the port or after a wait for it: the only times it is news.
    if (m_retrying || m_host.GetPort() == 0)
        m_host.AddLogLine("Servidor de comandos \xE0 escuta no porto " + std::to_string(BoundPort()) + ".");
    m_retrying = false;
    m_retryTimer->Stop();
    return true;
}

void CCommandServer::OnListenRetry() {
    if (!m_retrying || m_listening) return;
    if (!TryListen()) {
        m_retryTimer->Start();
        return;
    }
    ShowSocketState(false);
    m_host.EnableControl(kIdSocketState, true);
}

void CCommandServer::StopListening() {
    m_host.EnableControl(kIdCloseButton, false);
    m_host.EnableControl(kIdConnectButton, true);
    m_retrying = false;
    m_retryTimer->Stop();
    if (m_listening) {
        // A command the client sent without a line end still counts.
        if (m_clientConnected) FlushHeld();
        m_listenSocket.Close();
        m_commandSocket.Close();
        m_clientConnected = false;
        m_listening = false;
        m_assembler.Reset();
        m_idleTimer->Stop();
    }
    m_host.SetSocketPicture(SocketPicture::Closed);
}

void CCommandServer::OnClientAccept() {
    if (!m_clientConnected) {
        ServeNext();
        return;
    }
    // Someone now waits behind a client that has long gone quiet.
    if (m_clientIdle) OnIdleTimeout();
}

void CCommandServer::ServeNext() {
    // The lamp and the flag follow a connection we really hold; a failed accept leaves the
    // listener free for the next client.
    if (!m_listenSocket.Accept(m_commandSocket)) return;

    std::string address = "0.0.0.0";
    int port = 0;
    m_commandSocket.PeerAddress(address, port);
    const std::string connectionLine = m_host.GetClockText() + " # " + address + " @ " + std::to_string(port);
    m_host.AddConnectionLine(connectionLine);

    ShowSocketState(true);
    m_clientConnected = true;
    m_clientIdle = false;
    m_assembler.Reset();
    m_lineTimer->Stop();
    m_idleTimer->Start();

    m_repliesDropped = false;
    if (m_replyMode != ReplyMode::None) return;
    const std::string greeting = BuildGreeting(m_host.IsHardwareReady(), connectionLine);
    m_commandSocket.Send(greeting.data(), static_cast<int>(greeting.size()));
}

void CCommandServer::OnIdleTimeout() {
    if (!m_clientConnected) return;
    m_clientIdle = true;
    if (m_listenSocket.WaitingCount() == 0) return;
    m_host.AddLogLine(kIdleClosed);
    EndClient();
}

void CCommandServer::OnClientReceive() {
    // Qt signals new data once however much arrived: keep taking receives until none is left.
    while (m_clientConnected && m_commandSocket.BytesAvailable() > 0) {
        const int n = m_commandSocket.Receive(m_rxBuffer.data(), static_cast<int>(CLineAssembler::kMaxLine));
        if (n <= 0) return;
        m_clientIdle = false;
        m_idleTimer->Start();
        HandleReceive(n);
    }
}

void CCommandServer::HandleReceive(int length) {
    if (m_host.IsExternalCoder()) {
        // The external coder takes each receive as it came.
        std::string line(m_rxBuffer.data(), static_cast<std::size_t>(length));
        TrimCommandLine(line);
        m_host.SendToCoder(line);
        return;
    }
    WarnRunTogether(m_rxBuffer.data(), length);
    std::vector<std::string> lines;
    m_assembler.Feed(m_rxBuffer.data(), static_cast<std::size_t>(length), lines);
    for (const auto& line : lines) RunLine(line);
    if (m_assembler.HasHeld()) m_lineTimer->Start();
    else m_lineTimer->Stop();
}

void CCommandServer::RunLine(const std::string& line) {
    const CommandResult result = m_host.ExecuteCommandLine(line);
    m_host.AddLogLine(CommandLogLine(line, result));
    if (!result.remark.empty()) m_host.AddLogLine(result.remark);
    Reply(result.executed == 1);
}

void CCommandServer::Reply(bool executed) {
    if (m_replyMode == ReplyMode::None || !m_clientConnected) return;
    // A client that never reads must not make the server hold its replies without end.
    if (m_commandSocket.UnsentBytes() > kMaxUnsentReplies) {
        if (!m_repliesDropped) m_host.AddLogLine(kRepliesDropped);
        m_repliesDropped = true;
        return;
    }
    const bool plus = m_replyMode == ReplyMode::Plus;
    const char* reply = executed ? (plus ? "+\r\n" : "OK\r\n") : (plus ? "!\r\n" : "NO\r\n");
    m_commandSocket.Send(reply, static_cast<int>(std::char_traits<char>::length(reply)));
}

void CCommandServer::FlushHeld() {
    m_lineTimer->Stop();
    std::string line;
    if (m_assembler.TakeHeld(line)) RunLine(line);
}

void CCommandServer::OnLineTimeout() {
    if (m_clientConnected) FlushHeld();
}

void CCommandServer::WarnRunTogether(const char* data, int length) {
    if (m_assembler.SawLineEnd()) return;
    const char* const stop = data + length;
    if (std::any_of(data, stop, [](char c) { return c == '\r' || c == '\n'; })) return;
    if (HasTextAfterFirstValue(std::string(data, stop))) m_host.AddLogLine(kRunTogether);
}

void CCommandServer::OnClientClose() {
    if (!m_clientConnected) return;
    // Bytes that came with the close are commands like any others.
    OnClientReceive();
    EndClient();
}

void CCommandServer::EndClient() {
    if (m_clientConnected) FlushHeld();
    m_commandSocket.Close();
    m_clientConnected = false;
    m_clientIdle = false;
    m_idleTimer->Stop();
    m_assembler.Reset();
    if (!m_listening) return;
    ShowSocketState(false);
    ServeNext();
}

void CCommandServer::ShowSocketState(bool connected) {
    m_host.SetSocketPicture(connected ? SocketPicture::Connected : SocketPicture::Listening);
}

bool CCommandServer::OnNetAddressChanged(const NetEntry& entry, NetEntry& corrected) {
    if (!entry.complete) return false;
    if (m_warnAddress && entry.fields[3] != 0) {
        m_warnAddress = false;
        m_host.ShowMessage(m_host.ApplicationName(), kAddressWarning, MessageIcon::None);
    }
    corrected = entry;
    corrected.fields[3] = 0;
    return true;
}

void CCommandServer::OnNetMaskChanged(const NetEntry& entry) {
    if (!entry.complete || !m_warnMask) return;
    for (int field : entry.fields)
        if (field != 255) return;
    m_warnMask = false;
    m_host.ShowMessage(m_host.ApplicationName(), kMaskWarning, MessageIcon::None);
}
