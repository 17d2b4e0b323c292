#pragma once
// A port's registers by direct port instructions (ioperm + inb/outb): root and x86 only.
// The parallel port takes three registers from its base, the serial coder link eight.

#include <cstdint>

#include "IPortIo.h"
#include "PortBackend.h"

// The privileged calls the backend makes; tests put recorders in their place. On a
// processor without port instructions all three are null and opening fails cleanly.
struct DirectCalls {
    int (*ioperm)(unsigned long from, unsigned long count, int on) = nullptr;
    uint8_t (*inb)(uint16_t port) = nullptr;
    void (*outb)(uint8_t value, uint16_t port) = nullptr;
};

[[nodiscard]] DirectCalls SystemDirectCalls();

class CDirectPort : public IPortIo {
public:
    static constexpr unsigned long REGISTER_COUNT = 3;  // data, status, control

    // instead: the backend a refusal points the operator to.
    static PortOpenResult Open(uint16_t basePort, const DirectCalls& calls = SystemDirectCalls(),
                               unsigned long registerCount = REGISTER_COUNT,
                               const char* instead = "ppdev:/dev/parport0");

    // Takes over ports already granted by ioperm; Open is the way in.
    CDirectPort(const DirectCalls& calls, uint16_t base, unsigned long registerCount = REGISTER_COUNT);
    ~CDirectPort() override;
    CDirectPort(const CDirectPort&) = delete;
    CDirectPort& operator=(const CDirectPort&) = delete;

    // Absolute port addresses; outside the granted block reads give 0xFF, writes vanish.
    [[nodiscard]] uint8_t PortRead(uint16_t port) override;
    void PortWrite(uint16_t port, uint8_t value) override;
    void Spin(uint32_t count) override;
    // Moves the grant to the new block; if the system refuses, the port reads as absent.
    void SetBasePort(uint16_t base) override;

private:
    [[nodiscard]] bool Granted(uint16_t port) const;

    DirectCalls m_calls;
    uint16_t m_base;
    unsigned long m_count;
    bool m_granted = true;
};
