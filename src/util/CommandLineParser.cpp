#include "CommandLineParser.h"

void CCommandLineParser::AddValue(std::string name, ValueHandler handler) {
    m_options.push_back({std::move(name), std::move(handler), nullptr});
}

void CCommandLineParser::AddFlag(std::string name, FlagHandler handler) {
    m_options.push_back({std::move(name), nullptr, std::move(handler)});
}

const CCommandLineParser::Option* CCommandLineParser::Find(const std::string& name) const {
    for (const Option& option : m_options)
        if (option.name == name) return &option;
    return nullptr;
}

bool CCommandLineParser::Parse(const std::vector<std::string>& args, std::string& error) const {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        // Only long options carry "=value"; "-o=x" stays one unknown word, as does "demo=1".
        const auto eq = name.find('=');
        const bool inlineValue = name.rfind("--", 0) == 0 && eq != std::string::npos;
        if (inlineValue) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const Option* option = Find(name);
        if (option != nullptr && option->onValue) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    error = "option " + name + " needs a value";
                    return false;
                }
                value = args[++i];
            }
            if (!option->onValue(value, error)) return false;
        } else if (inlineValue) {
            error = "option " + name + " takes no value";
            return false;
        } else if (option != nullptr) {
            option->onFlag();
        } else {
            error = m_unknown(args[i], name);
            return false;
        }
    }
    return true;
}
