#pragma once
// The now-playing title: read from the media player's status file, cut into PS pages,
// and put on air when it changes.

#include <cstddef>
#include <cstdint>
#include <string>

#include "LogSink.h"

class CRdsModel;

inline constexpr int TITLE_LINE_LIMIT = 511;  // characters of a status-file line that are read

// The raw title of a status file: on its second line, between the first "FACE=>" and the
// first "</FONT>" after it. False when the file, the second line or a marker is missing, or
// when the path is not a regular file.
[[nodiscard]] bool ReadTitleFile(const std::string& path, std::string& rawTitle);

// 8-bit wrapping sum of the title's bytes.
[[nodiscard]] uint8_t TitleChecksum(const std::string& rawTitle);

// Text cut into PS pages of 8 characters joined by '|'; a page never starts with a blank.
[[nodiscard]] std::string PsPages(const std::string& text, std::size_t from = 0);

// The event log's line for a title put on air, with the title as FormatPsTitle left it.
[[nodiscard]] std::string TitleLogLine(const std::string& shownTitle);

// The PS form of a title: pages of 8 characters joined by '|'. `title` loses a ".mp*" or
// ".wa*" extension in place (that is the form the log shows); `checksum` is taken before.
[[nodiscard]] std::string FormatPsTitle(std::string& title, uint8_t& checksum);

// Remembers which title is on air, so a poll rebuilds the image only for a new one.
class CTitleTracker {
public:
    // One poll of the status file at `path`; true when it put a new title on air. Once a
    // client has sent a title, the file's title takes over again only when the file changes.
    bool Poll(const std::string& path, CRdsModel& model, ILogSink& log);
    // A client's TEXT= has put this raw title on air.
    void NoteCommandTitle(const std::string& rawTitle);
    // The command file starts afresh: the next non-empty title goes on air.
    void Reset();

    // The raw title last put on air; empty after Reset.
    [[nodiscard]] const std::string& AppliedTitle() const { return m_appliedTitle; }
    [[nodiscard]] uint8_t TitleSum() const { return m_titleSum; }

private:
    uint8_t m_titleSum = 0;      // checksum of the title last put on air
    std::string m_appliedTitle;  // raw title last put on air
    std::string m_fileTitle;     // raw title last read from the file
    bool m_commandTitleSeen = false;
};
