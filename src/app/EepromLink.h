#pragma once
// The controller's hold on the EEPROM: the port backend, the I2C bus and the mirror of the
// chip's content, with the mirror's reports going to the view.

#include <cstdint>
#include <memory>

#include "I2cPort.h"
#include "IPortIo.h"
#include "IServerView.h"

class CEepromMirror;

// The state code of a byte that the last synchronisation changed.
[[nodiscard]] uint8_t EeStateChanged();
class CEepromViewAdapter;

class CEepromLink {
public:
    // io may be null when no backend could be opened: nothing then answers on the bus.
    CEepromLink(IServerView& view, std::unique_ptr<IPortIo> io);
    ~CEepromLink();
    CEepromLink(const CEepromLink&) = delete;
    CEepromLink& operator=(const CEepromLink&) = delete;

    [[nodiscard]] CI2cPort& Bus() { return m_bus; }

    void SetEepromSize(int size);
    [[nodiscard]] int GetEepromSize() const;

    // Each transfer takes the check boxes as they stand now.
    void ReadEeprom(bool autoLoad, bool forceWrite);
    void SyncEeprom(bool autoLoad, bool forceWrite, const uint8_t* image, int length);
    void EraseEeprom(bool autoLoad, bool forceWrite);

    [[nodiscard]] bool IsHardwareReady() const;
    [[nodiscard]] uint8_t Target(int address) const;
    [[nodiscard]] uint8_t State(int address) const;

private:
    void Settle(bool autoLoad, bool forceWrite);

    std::unique_ptr<IPortIo> m_io;
    CI2cPort m_bus;
    std::unique_ptr<CEepromViewAdapter> m_adapter;
    std::unique_ptr<CEepromMirror> m_mirror;
};
