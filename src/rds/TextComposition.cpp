#include "TextComposition.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char PLACEHOLDER[] = "%TITLE%";
constexpr size_t PLACEHOLDER_LENGTH = sizeof(PLACEHOLDER) - 1;
constexpr char PAGE_SEPARATOR = '|';

}  // namespace

std::optional<std::string> ComposePsText(const StationData& data) {
    const std::string& source = data.PsSource();
    if (source.empty()) return std::string();
    std::string text;
    size_t at = source.find(PLACEHOLDER);
    if (at == std::string::npos) {
        text = source;
    } else {
        std::string right = source.substr(at + PLACEHOLDER_LENGTH);
        // Without a title its own page disappears, and with it the separator that closed it.
        if (data.PsTitle().empty() && !right.empty() && right.front() == PAGE_SEPARATOR) right.erase(0, 1);
        text = source.substr(0, at) + data.PsTitle() + right;
        if (static_cast<int>(text.size()) > PSN_SOURCE_LIMIT) return std::nullopt;
    }
    if (!text.empty() && text.back() == PAGE_SEPARATOR) text.pop_back();
    return text;
}

RadioTextBuffer ComposeRadioText(const std::string& source, const std::string& title) {
    RadioTextBuffer composed{};
    // An empty source takes the text off air instead of leaving the old one there.
    if (source.empty()) return composed;
    std::string text = source;
    size_t at = text.find(PLACEHOLDER);
    if (at != std::string::npos) text.replace(at, PLACEHOLDER_LENGTH, title);
    std::memcpy(composed.data(), text.data(), std::min(text.size(), composed.size()));
    return composed;
}

std::string FirstLongPsPage(const std::string& source) {
    std::string typed = source;
    if (size_t at = typed.find(PLACEHOLDER); at != std::string::npos) typed.erase(at, PLACEHOLDER_LENGTH);
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(typed.find(PAGE_SEPARATOR, start), typed.size());
        if (end - start > static_cast<size_t>(PS_PAGE_CHARS)) return typed.substr(start, end - start);
        if (end == typed.size()) return {};
        start = end + 1;
    }
}
