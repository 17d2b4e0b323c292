#pragma once
#include <string>

// Where the system reports what it did: the controller's event log, or stderr in the tool.
class ILogSink {
public:
    virtual ~ILogSink() = default;
    virtual void AddLog(const std::string& line) = 0;  // one CP1252 line, no line end
};
