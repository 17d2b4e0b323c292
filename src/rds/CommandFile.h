#pragma once
// The command file read at start-up: one command per line, ';' comments, and the two
// directives ".END" and ".ASYNCLOAD". Each command is logged with its result.

#include <string>

#include "CommandResult.h"
#include "LogSink.h"

class CRdsModel;
class CTitleTracker;

inline constexpr int COMMAND_LINE_PIECE = 255;  // longer lines are read in pieces of this size

// What the command file needs from whoever runs it (the controller or the offline tool).
class ICommandFileHost {
public:
    virtual ~ICommandFileHost() = default;
    virtual CommandResult ExecuteCommandLine(const std::string& line) = 0;
    virtual void AddLog(const std::string& line) = 0;
    virtual void SwitchOnAutoLoad() = 0;      // ".ASYNCLOAD"
    virtual void ResetRememberedTitle() = 0;  // before the first line
    virtual void Rebuild() = 0;               // after the last line
};

enum class CommandFileRead { Read, Missing, Unreadable };

// How the reading went. The model holds the station's data only after `Read`; a caller that
// writes the image somewhere durable should not replace a good copy after the other two.
struct CommandFileReading {
    CommandFileRead read = CommandFileRead::Read;
    std::string reason;  // CP1252, as logged after "ileg\xEDvel: "; empty unless Unreadable
};

// Runs the command file at `path` (already resolved in the working folder).
CommandFileReading ProcessCommandFile(const std::string& path, ICommandFileHost& host);

// A host made of the model, a log and a title tracker; ".ASYNCLOAD" sets `autoLoad`.
class CModelCommandFileHost : public ICommandFileHost {
public:
    CModelCommandFileHost(CRdsModel& model, ILogSink& log, CTitleTracker& titles, bool& autoLoad)
        : m_model(model), m_log(log), m_titles(titles), m_autoLoad(autoLoad) {}
    CommandResult ExecuteCommandLine(const std::string& line) override;
    void AddLog(const std::string& line) override { m_log.AddLog(line); }
    void SwitchOnAutoLoad() override { m_autoLoad = true; }
    void ResetRememberedTitle() override;
    void Rebuild() override;

private:
    CRdsModel& m_model;
    ILogSink& m_log;
    CTitleTracker& m_titles;
    bool& m_autoLoad;
};
