#pragma once
// The parallel port through the Linux parport device (/dev/parportN): the port is claimed
// for the life of the object and its three registers reached by ioctl.

#include <cstdint>
#include <string>

#include "IPortIo.h"
#include "PortBackend.h"

// The system calls the backend makes; tests put recorders in their place.
struct PpdevCalls {
    int (*open)(const char* path, int flags) = nullptr;
    int (*ioctl)(int fd, unsigned long request, void* arg) = nullptr;
    int (*close)(int fd) = nullptr;
};

[[nodiscard]] PpdevCalls SystemPpdevCalls();

class CPpdevPort : public IPortIo {
public:
    // Opens and claims the device; on failure the result says why (missing device, no
    // permission, claimed by another program, not a parallel port).
    static PortOpenResult Open(const std::string& device, uint16_t basePort,
                               const PpdevCalls& calls = SystemPpdevCalls());

    // Takes over an open, claimed descriptor; Open is the way in.
    CPpdevPort(int fd, const PpdevCalls& calls, uint16_t base, uint8_t data);
    ~CPpdevPort() override;
    CPpdevPort(const CPpdevPort&) = delete;
    CPpdevPort& operator=(const CPpdevPort&) = delete;

    // Registers by offset from the base: 0 data, 1 status, 2 control; others read 0xFF.
    [[nodiscard]] uint8_t PortRead(uint16_t port) override;
    void PortWrite(uint16_t port, uint8_t value) override;
    void Spin(uint32_t count) override;
    void SetBasePort(uint16_t base) override { m_base = base; }

private:
    int m_fd;
    PpdevCalls m_calls;
    uint16_t m_base;
    uint8_t m_data;  // the data register cannot be read back through ppdev reliably
};
