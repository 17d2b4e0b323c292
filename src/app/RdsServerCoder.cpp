// The controller's side of the older mode: the serial link to an external encoder.

#include "RdsServerDlg.h"

namespace {
constexpr const char* CODER_REFUSED = "Porta SERIE recusada: ";
constexpr const char* CODER_SILENT = "A porta SERIE n\xE3o responde: ";
constexpr const char* CODER_SILENT_END = " caracteres para o codificador foram descartados.";
}  // namespace

void CRdsServerDlg::InitCoderLink() {
    if (!m_externalCoder) return;
    PortOpenResult opened = m_env.openCoder ? m_env.openCoder() : PortOpenResult::Failure("no serial port backend");
    if (!opened.Ok()) {
        // The mode stays: lines from the network are not run here behind the operator's back.
        AddLog(CODER_REFUSED + opened.error);
        return;
    }
    m_coderIo = std::move(opened.io);
    m_coderLink.AttachIo(m_coderIo.get());
    m_coderLink.Init();
}

void CRdsServerDlg::SendToCoder(const std::string& text) {
    const CoderSendResult result = m_coderLink.Send(text);
    if (result.Stalled()) AddLog(CODER_SILENT + std::to_string(result.dropped) + CODER_SILENT_END);
}
