// Reading, cleaning and paging the now-playing title, and the poll that applies it.

#include "Title.h"

#include "RdsModel.h"
#include "RdsTypes.h"
#include "TextFile.h"

namespace {

constexpr char TITLE_START[] = "FACE=>";
constexpr char TITLE_END[] = "</FONT>";

}  // namespace

bool ReadTitleFile(const std::string& path, std::string& rawTitle) {
    // The poll runs on the tick: a FIFO in the status file's place must not stall it.
    FilePtr file = OpenRegularTextFile(path).file;
    if (!file) return false;
    std::string first;
    std::string second;
    // A status file still being written may hold its first line only.
    if (!ReadLinePiece(file.get(), TITLE_LINE_LIMIT, first) || std::feof(file.get())) return false;
    if (!ReadLinePiece(file.get(), TITLE_LINE_LIMIT, second)) return false;
    size_t start = second.find(TITLE_START);
    if (start == std::string::npos) return false;
    start += sizeof(TITLE_START) - 1;
    size_t end = second.find(TITLE_END, start);
    if (end == std::string::npos) return false;
    rawTitle = second.substr(start, end - start);
    return true;
}

uint8_t TitleChecksum(const std::string& rawTitle) {
    unsigned sum = 0;
    for (char c : rawTitle) sum += static_cast<unsigned char>(c);
    return static_cast<uint8_t>(sum);
}

std::string FormatPsTitle(std::string& title, uint8_t& checksum) {
    checksum = TitleChecksum(title);
    size_t dot = title.rfind('.');
    if (dot != std::string::npos && dot > 0 &&
        (title.compare(dot, 3, ".mp") == 0 || title.compare(dot, 3, ".wa") == 0)) {
        title.resize(dot);
    }
    // A leading '_' marks a playlist number of three characters.
    return PsPages(title, !title.empty() && title.front() == '_' ? 3 : 0);
}

std::string PsPages(const std::string& text, std::size_t from) {
    size_t pos = from;
    int n = pos < text.size() ? static_cast<int>(text.size() - pos) : 0;
    std::string pages;
    while (n > 0) {
        while (n > 0 && text[pos] == ' ') {
            ++pos;
            --n;
        }
        if (n > PS_PAGE_CHARS) {
            pages.append(text, pos, PS_PAGE_CHARS);
            pages.push_back('|');
        } else if (n > 0) {
            pages.append(text, pos, static_cast<size_t>(n));
        }
        pos += PS_PAGE_CHARS;
        n -= PS_PAGE_CHARS;
    }
    return pages;
}

std::string TitleLogLine(const std::string& shownTitle) { return "Set title = \"" + shownTitle + "\""; }

bool CTitleTracker::Poll(const std::string& path, CRdsModel& model, ILogSink& log) {
    std::string raw;
    if (!ReadTitleFile(path, raw)) return false;
    const bool fileChanged = raw != m_fileTitle;
    m_fileTitle = raw;
    // Two sources of one title: the later change wins, so an unchanged file leaves a
    // client's title on air.
    if (m_commandTitleSeen && !fileChanged) return false;
    model.SetRtTitle(raw);
    std::string shown = raw;
    uint8_t checksum = 0;
    model.SetPsTitle(FormatPsTitle(shown, checksum));
    // Compared as text: two titles with the same byte sum are still two titles.
    if (raw == m_appliedTitle) return false;
    m_appliedTitle = raw;
    m_titleSum = checksum;
    model.Rebuild();
    log.AddLog(TitleLogLine(shown));
    return true;
}

void CTitleTracker::NoteCommandTitle(const std::string& rawTitle) {
    m_appliedTitle = rawTitle;
    m_titleSum = TitleChecksum(rawTitle);
    m_commandTitleSeen = true;
}

void CTitleTracker::Reset() {
    m_titleSum = 0;
    m_appliedTitle.clear();
    m_fileTitle.clear();
    m_commandTitleSeen = false;
}
