#pragma once
// The time server: once an hour, at a set minute, it sends "TIME=[hh.mm.ss.XX]" to every
// client of TIMECLI.TXT in turn. The controller's one-second tick paces the cycle.

#include <array>
#include <memory>
#include <string>

#include "NetHost.h"
#include "OneShotTimer.h"
#include "RdsSocket.h"
#include "TimeClients.h"

class CTimeServer : public ITimeOwner {
public:
    static constexpr int kTimeoutTicks = 15;  // abandoned when more ticks than this were waited
    static constexpr int kConnectLimitMs = 2000;

    // Without a connect timer of its own the server uses a Qt timer of kConnectLimitMs.
    explicit CTimeServer(INetHost& host, IOneShotTimer* connectTimer = nullptr);
    ~CTimeServer() override;
    CTimeServer(const CTimeServer&) = delete;
    CTimeServer& operator=(const CTimeServer&) = delete;

    // The tick's cycle step. True while a cycle is under way.
    bool TickCycle();
    // The tick's schedule step, at its end; starts a cycle at the set minute or when struck.
    void TickSchedule(bool timeServerActive);

    void StartTimeSync();
    void SendNextTimePacket();
    // "Enviar agora.": a cycle at the next tick, unless one runs already.
    void OnSendNow();

    void OnTimeConnect() override;
    void OnTimeConnectFailed(int errorCode) override;
    void OnTimeSendReady() override;
    // A client has not accepted within kConnectLimitMs: it is given up and the cycle moves on.
    void OnConnectTimeout();

    // ---- state, public for the controller (settings) and the tests ----
    int m_timeMinute = 0;
    bool m_strikeTimeServer = false;
    bool m_timeSentThisMinute = false;
    std::array<std::string, kMaxTimeClients> m_timeClients;
    int m_timeClientCount = 0;
    std::array<int, 5> m_timeClientAddress{};
    std::string m_timeLine;
    std::string m_timePacket;
    bool m_timeSending = false;
    bool m_timeStepDone = false;
    int m_sendTicks = 0;
    std::unique_ptr<CRdsSocket> m_timeSocket;

private:
    void NewTimeSocket();

    INetHost& m_host;
    std::unique_ptr<IOneShotTimer> m_ownConnectTimer;
    IOneShotTimer* m_connectTimer;
};
