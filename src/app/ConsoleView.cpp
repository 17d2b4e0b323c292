#include "ConsoleView.h"

#include <QCoreApplication>

#include "Cp1252.h"

namespace {

std::string Printable(const std::string& prefix, const std::string& cp1252) {
    // A remote client or a song title must not drive the operator's terminal or split a line:
    // control bytes show as the replacement character.
    std::string text = prefix;
    for (const char c : Cp1252ToUtf8(cp1252)) {
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) text += "\xEF\xBF\xBD";
        else text.push_back(c);
    }
    text.push_back('\n');
    return text;
}

std::string DropNotice(long dropped) {
    return Printable("[log] ", std::to_string(dropped) +
                                   " linhas perdidas: a sa\xED"
                                   "da n\xE3o foi lida a tempo.");
}

// Lines already in the stream's own buffer go out before the queue's, in order.
int FlushedFd(std::FILE* stream) {
    std::fflush(stream);
    return fileno(stream);
}

}  // namespace

CConsoleView::CConsoleView(std::FILE* out, std::FILE* err, std::size_t queueLimit)
    : m_out(FlushedFd(out), DropNotice, queueLimit), m_err(FlushedFd(err), DropNotice, queueLimit) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (m_onTick) m_onTick();
    });
}

void CConsoleView::SetTickHandler(std::function<void()> onTick) { m_onTick = std::move(onTick); }

void CConsoleView::AddLine(ServerList list, const std::string& line) {
    switch (list) {
    case ServerList::Log:
        WriteLine(m_out, "[log] ", line);
        break;
    case ServerList::Connections:
        WriteLine(m_out, "[conn] ", line);
        break;
    case ServerList::Dump:
        WriteLine(m_out, "[dump] ", line);
        break;
    }
}

void CConsoleView::ShowOnAir(const OnAirReport& report) {
    for (const std::string& line : OnAirLines(report)) WriteLine(m_out, "[onair] ", line);
}

void CConsoleView::ShowMessage(const std::string& caption, const std::string& text, MessageIcon) {
    // One line per box: the line breaks of the window's text become blanks.
    std::string flat;
    flat.reserve(text.size());
    for (const char c : text) {
        if (c == '\n' || c == '\r') {
            if (!flat.empty() && flat.back() != ' ') flat.push_back(' ');
        } else {
            flat.push_back(c);
        }
    }
    while (!flat.empty() && flat.back() == ' ') flat.pop_back();
    const std::string shownCaption = caption.empty() ? std::string(kApplicationName) : caption;
    WriteLine(m_err, "[msg] ", shownCaption + ": " + flat);
}

void CConsoleView::StartTickTimer(int periodMs) { m_timer.start(periodMs); }

void CConsoleView::StopTickTimer() { m_timer.stop(); }

void CConsoleView::EndRun(int exitCode) {
    m_timer.stop();
    m_exitCode = exitCode;
    QCoreApplication::exit(exitCode);
}

void CConsoleView::FlushOutput(int timeoutMs) {
    m_out.Flush(timeoutMs);
    m_err.Flush(timeoutMs);
}

void CConsoleView::WriteLine(CNonBlockingOutput& stream, const std::string& prefix, const std::string& cp1252) {
    stream.WriteLine(Printable(prefix, cp1252));
}
