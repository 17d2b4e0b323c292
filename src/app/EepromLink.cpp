#include "EepromLink.h"

#include "EepromMirror.h"

// Kept in this file alone: the transfers' view vocabulary stays out of the controller.
class CEepromViewAdapter : public IEepromView {
public:
    explicit CEepromViewAdapter(IServerView& view) : m_view(view) {}
    void Attach(const CEepromMirror* mirror) { m_mirror = mirror; }

    void AddLog(const std::string& line) override { m_view.AddLine(ServerList::Log, line); }
    void SetProgressRange(int maximum) override { m_view.SetProgressRange(0, maximum); }
    void SetProgressPosition(int position) override { m_view.SetProgressPos(position); }
    void SetProgressColour(BarColour c) override { m_view.SetProgressColour(c.red, c.green, c.blue); }
    void SetBusyPointer(bool busy) override { m_view.SetBusyPointer(busy); }
    void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) override {
        m_view.ShowMessage(caption, text, icon);
    }
    void DisableEepromControls() override {
        m_view.EnableControl(kIdAutoLoadBox, false);
        m_view.EnableControl(kIdForceWriteBox, false);
    }
    void DrawEepromMap() override {
        if (m_mirror != nullptr) m_view.DrawEepromMap(m_mirror->StateData(), m_mirror->GetEepromSize());
    }

private:
    IServerView& m_view;
    const CEepromMirror* m_mirror = nullptr;
};

uint8_t EeStateChanged() { return EeState::CHANGED; }

CEepromLink::CEepromLink(IServerView& view, std::unique_ptr<IPortIo> io)
    : m_io(std::move(io)),
      m_bus(m_io.get()),
      m_adapter(std::make_unique<CEepromViewAdapter>(view)),
      m_mirror(std::make_unique<CEepromMirror>(m_bus, *m_adapter)) {
    m_adapter->Attach(m_mirror.get());
}

CEepromLink::~CEepromLink() = default;

void CEepromLink::SetEepromSize(int size) { m_mirror->SetEepromSize(size); }

int CEepromLink::GetEepromSize() const { return m_mirror->GetEepromSize(); }

void CEepromLink::Settle(bool autoLoad, bool forceWrite) {
    m_mirror->SetAutoLoad(autoLoad);
    m_mirror->SetForceWrite(forceWrite);
}

void CEepromLink::ReadEeprom(bool autoLoad, bool forceWrite) {
    Settle(autoLoad, forceWrite);
    m_mirror->ReadEeprom();
}

void CEepromLink::SyncEeprom(bool autoLoad, bool forceWrite, const uint8_t* image, int length) {
    Settle(autoLoad, forceWrite);
    m_mirror->SyncEeprom(image, length);
}

void CEepromLink::EraseEeprom(bool autoLoad, bool forceWrite) {
    Settle(autoLoad, forceWrite);
    m_mirror->EraseEeprom();
}

bool CEepromLink::IsHardwareReady() const { return m_mirror->IsHardwareReady(); }

uint8_t CEepromLink::Target(int address) const { return m_mirror->Target(address); }

uint8_t CEepromLink::State(int address) const { return m_mirror->State(address); }
