#include "CommandServer.h"

#include <QTimer>
#include <functional>
#include <vector>

namespace {

class CQtLineTimer : public ILineTimer {
public:
    explicit CQtLineTimer(std::function<void()> onTimeout)
    {
        m_timer.setSingleShot(true);
        m_timer.setInterval(CCommandServer::kLineWaitMs);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, std::move(onTimeout));
    }
    void Start() override { m_timer.start(); }
    void Stop() override { m_timer.stop(); }

private:
    QTimer m_timer;
};

const char* const kPortTaken = "Imposs\xEDvel de criar o porto - pode estar atribu\xED" "do.";
const char* const kAddressWarning = "Valor de rede incorrecto. o IP dever\xE1 terminar com X.X.X.0";
const char* const kMaskWarning = "Esse valor de rede n\xE3o permite comunica\xE7\xE3o!";

}  // namespace

CCommandServer::CCommandServer(INetHost& host, ILineTimer* lineTimer) : m_host(host), m_lineTimer(lineTimer)
{
    if (!m_lineTimer) {
        m_ownTimer = std::make_unique<CQtLineTimer>([this] { OnLineTimeout(); });
        m_lineTimer = m_ownTimer.get();
    }
    m_listenSocket.SetCommandOwner(this);
    m_commandSocket.SetCommandOwner(this);
}

CCommandServer::~CCommandServer() = default;

std::string CCommandServer::BuildGreeting(bool hardwareReady, const std::string& connectionLine)
{
    std::string g = "Orvane Server versao 5.0\n\rRelease date 01-Julho-2002\n\r"
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

void CCommandServer::StartListening()
{
    m_host.EnableControl(kIdCloseButton, true);
    m_host.EnableControl(kIdConnectButton, false);
    if (!m_listening) {
        if (!m_listenSocket.Listen(m_host.GetPort(), kBacklog)) {
            m_host.ShowMessage(m_host.ApplicationName(), kPortTaken, MessageIcon::None);
            return;
        }
        m_listening = true;
    }
    ShowSocketState(false);
    m_host.EnableControl(kIdSocketState, true);
}

void CCommandServer::StopListening()
{
    m_host.EnableControl(kIdCloseButton, false);
    m_host.EnableControl(kIdConnectButton, true);
    if (m_listening) {
        // A command the client sent without a line end still counts.
        if (m_clientConnected)
            FlushHeld();
        m_listenSocket.Close();
        m_commandSocket.Close();
        m_clientConnected = false;
        m_listening = false;
        m_assembler.Reset();
    }
    m_host.SetSocketPicture(SocketPicture::Closed);
}

void CCommandServer::OnClientAccept()
{
    if (m_clientConnected)
        return;
    // The lamp and the flag follow a connection we really hold; a failed accept leaves the
    // listener free for the next client.
    if (!m_listenSocket.Accept(m_commandSocket))
        return;

    std::string address = "0.0.0.0";
    int port = 0;
    m_commandSocket.PeerAddress(address, port);
    const std::string connectionLine = m_host.GetClockText() + " # " + address + " @ " + std::to_string(port);
    m_host.AddConnectionLine(connectionLine);

    ShowSocketState(true);
    m_clientConnected = true;
    m_assembler.Reset();
    m_lineTimer->Stop();

    const std::string greeting = BuildGreeting(m_host.IsHardwareReady(), connectionLine);
    m_commandSocket.Send(greeting.data(), static_cast<int>(greeting.size()));
}

void CCommandServer::OnClientReceive()
{
    // Qt signals new data once however much arrived: keep taking receives until none is left.
    while (m_clientConnected && m_commandSocket.BytesAvailable() > 0) {
        const int n = m_commandSocket.Receive(m_rxBuffer.data(), static_cast<int>(CLineAssembler::kMaxLine));
        if (n <= 0)
            return;
        HandleReceive(n);
    }
}

void CCommandServer::HandleReceive(int length)
{
    if (m_host.IsExternalCoder()) {
        // The external coder takes each receive as it came.
        std::string line(m_rxBuffer.data(), static_cast<std::size_t>(length));
        TrimCommandLine(line);
        m_host.SendToCoder(line);
        return;
    }
    std::vector<std::string> lines;
    m_assembler.Feed(m_rxBuffer.data(), static_cast<std::size_t>(length), lines);
    for (const auto& line : lines)
        RunLine(line);
    if (m_assembler.HasHeld())
        m_lineTimer->Start();
    else
        m_lineTimer->Stop();
}

void CCommandServer::RunLine(const std::string& line)
{
    const CommandResult result = m_host.ExecuteCommandLine(line);
    m_host.AddLogLine(line + (result.executed == 1 ? " - OK" : " - ERROR"));
    if (!result.remark.empty())
        m_host.AddLogLine(result.remark);
}

void CCommandServer::FlushHeld()
{
    m_lineTimer->Stop();
    std::string line;
    if (m_assembler.TakeHeld(line))
        RunLine(line);
}

void CCommandServer::OnLineTimeout()
{
    if (m_clientConnected)
        FlushHeld();
}

void CCommandServer::OnClientClose()
{
    // Bytes that came with the close are commands like any others.
    OnClientReceive();
    if (m_clientConnected)
        FlushHeld();
    m_commandSocket.Close();
    StopListening();
    StartListening();
}

void CCommandServer::ShowSocketState(bool connected)
{
    m_host.SetSocketPicture(connected ? SocketPicture::Connected : SocketPicture::Listening);
}

bool CCommandServer::OnNetAddressChanged(const NetEntry& entry, NetEntry& corrected)
{
    if (!entry.complete)
        return false;
    if (m_warnAddress && entry.fields[3] != 0) {
        m_warnAddress = false;
        m_host.ShowMessage(m_host.ApplicationName(), kAddressWarning, MessageIcon::None);
    }
    corrected = entry;
    corrected.fields[3] = 0;
    return true;
}

void CCommandServer::OnNetMaskChanged(const NetEntry& entry)
{
    if (!entry.complete || !m_warnMask)
        return;
    for (int field : entry.fields)
        if (field != 255)
            return;
    m_warnMask = false;
    m_host.ShowMessage(m_host.ApplicationName(), kMaskWarning, MessageIcon::None);
}
