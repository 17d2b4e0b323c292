// Puts the now-playing title into the PS pages and the two RadioTexts in place of "%TITLE%".

#include <algorithm>
#include <cstring>
#include <string>

#include "RdsModel.h"

namespace {

constexpr char PLACEHOLDER[] = "%TITLE%";
constexpr size_t PLACEHOLDER_LENGTH = sizeof(PLACEHOLDER) - 1;
constexpr char PAGE_SEPARATOR = '|';

void ComposeOneRadioText(const std::string& source, const std::string& title,
                         std::array<char, CRdsModel::TXT_LIMIT>& composed) {
    composed.fill('\0');
    // An empty source takes the text off air instead of leaving the old one there.
    if (source.empty()) return;
    std::string text = source;
    size_t at = text.find(PLACEHOLDER);
    if (at != std::string::npos) text.replace(at, PLACEHOLDER_LENGTH, title);
    size_t n = std::min(text.size(), composed.size());
    std::memcpy(composed.data(), text.data(), n);
}

}  // namespace

void CRdsModel::Rebuild() {
    ResetLayout();
    ComposePsText();
    ComposeRadioText();
    BuildImage();
}

void CRdsModel::ComposePsText() {
    if (m_psnSource.empty()) {
        m_psnText.clear();
        return;
    }
    size_t at = m_psnSource.find(PLACEHOLDER);
    if (at == std::string::npos) {
        m_psnText = m_psnSource;
    } else {
        std::string left = m_psnSource.substr(0, at);
        std::string right = m_psnSource.substr(at + PLACEHOLDER_LENGTH);
        // Without a title its own page disappears, and with it the separator that closed it.
        if (m_psTitle.empty() && !right.empty() && right.front() == PAGE_SEPARATOR) right.erase(0, 1);
        std::string composed = left + m_psTitle + right;
        if (static_cast<int>(composed.size()) > PSN_LIMIT) return;
        m_psnText = std::move(composed);
    }
    if (!m_psnText.empty() && m_psnText.back() == PAGE_SEPARATOR) m_psnText.pop_back();
}

void CRdsModel::ComposeRadioText() {
    ComposeOneRadioText(m_txt1Source, m_rtTitle, m_txt1Text);
    ComposeOneRadioText(m_txt0Source, m_rtTitle, m_txt0Text);
}

void CRdsModel::SetRtTitle(const std::string& rawTitle) {
    // A leading '_' marks a playlist number of three characters ("_01Song").
    if (!rawTitle.empty() && rawTitle.front() == '_') {
        m_rtTitle = rawTitle.size() > 3 ? rawTitle.substr(3) : std::string();
    } else {
        m_rtTitle = rawTitle;
    }
}
