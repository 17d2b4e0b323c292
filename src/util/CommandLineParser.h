#pragma once
// A program's command line as named options: AddValue("--dir", handler) for "--dir X" and
// "--dir=X", AddFlag("--help", handler) for switches, then Parse(args, error).

#include <functional>
#include <string>
#include <vector>

class CCommandLineParser {
public:
    // Takes the value; false with error set refuses it (an empty value reaches it too).
    using ValueHandler = std::function<bool(const std::string& value, std::string& error)>;
    using FlagHandler = std::function<void()>;
    // The message for an argument no option claims: whole as given, name without "=value".
    using UnknownMessage = std::function<std::string(const std::string& whole, const std::string& name)>;

    void AddValue(std::string name, ValueHandler handler);
    void AddFlag(std::string name, FlagHandler handler);
    void SetUnknownMessage(UnknownMessage message) { m_unknown = std::move(message); }

    // Stops at the first refused argument with a message for the person at the terminal:
    // "option X needs a value", "option X takes no value", or the unknown-argument message.
    [[nodiscard]] bool Parse(const std::vector<std::string>& args, std::string& error) const;

private:
    struct Option {
        std::string name;
        ValueHandler onValue;  // null for a flag
        FlagHandler onFlag;
    };
    [[nodiscard]] const Option* Find(const std::string& name) const;

    std::vector<Option> m_options;
    UnknownMessage m_unknown = [](const std::string& whole, const std::string&) {
        return "unknown option '" + whole + "'";
    };
};
