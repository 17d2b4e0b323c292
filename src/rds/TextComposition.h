#pragma once
// Puts the now-playing title into the PS pages and the two RadioTexts in place of "%TITLE%".

#include <array>
#include <optional>
#include <string>

#include "RdsTypes.h"
#include "StationData.h"

using RadioTextBuffer = std::array<char, RADIOTEXT_CHARS>;  // zero-filled after the text

// The texts the groups are coded from, as last composed.
struct ComposedText {
    std::string ps;                              // pages joined by '|'
    std::array<RadioTextBuffer, 2> radioText{};  // index as StationData::RadioTextSource
};

// The PS text of the source with the title put in; nullopt when the result would exceed
// PSN_SOURCE_LIMIT, and then the PS text on air stays as it was.
[[nodiscard]] std::optional<std::string> ComposePsText(const StationData& data);

[[nodiscard]] RadioTextBuffer ComposeRadioText(const std::string& source, const std::string& title);

// The first page typed in the PS source (the "%TITLE%" left out) that a PS cannot show in
// full, or an empty string when every page fits.
[[nodiscard]] std::string FirstLongPsPage(const std::string& source);
