#include "CoderBackend.h"

#include "DirectPort.h"
#include "TtyUart.h"
#include "UartRegisters.h"

bool ParseCoderOption(const std::string& text, CoderOption& option, std::string& error) {
    if (text == "sim" || text == "direct") {
        option = {text == "sim" ? CoderKind::Sim : CoderKind::Direct, {}};
        return true;
    }
    if (text.rfind("tty:", 0) == 0 && text.size() > 4) {
        option = {CoderKind::Tty, text.substr(4)};
        return true;
    }
    error = "unknown coder link \"" + text + "\": use sim, tty:DEVICE or direct";
    return false;
}

PortOpenResult OpenHardwareCoder(const CoderOption& option) {
    switch (option.kind) {
    case CoderKind::Tty:
        return CTtyUart::Open(option.device);
    case CoderKind::Direct:
        return CDirectPort::Open(uart::COM1_BASE, SystemDirectCalls(), uart::REGISTER_COUNT, "tty:/dev/ttyS0");
    case CoderKind::Sim:
        break;
    }
    return PortOpenResult::Failure("the simulated encoder is not a hardware port");
}
