#pragma once
// RT+ tags for the now-playing title: where artist and title stand in a RadioText, so that a
// receiver can show them in fields of their own. The groups that carry them are in Groups.h.

#include <string>

#include "StationData.h"

// RT+ content types (RDS Forum RT+ standard, annex A).
inline constexpr int RT_PLUS_DUMMY = 0;
inline constexpr int RT_PLUS_ITEM_TITLE = 1;
inline constexpr int RT_PLUS_ITEM_ARTIST = 4;
inline constexpr int RT_PLUS_LONG_TAG = 64;   // tag 1: 6-bit length marker
inline constexpr int RT_PLUS_SHORT_TAG = 32;  // tag 2: 5-bit length marker

// One tag: `length` characters from `start` of the RadioText; length 0 is the empty tag.
struct RtPlusTag {
    int contentType = RT_PLUS_DUMMY;
    int start = 0;
    int length = 0;
    bool operator==(const RtPlusTag&) const = default;
};

struct RtPlusTags {
    RtPlusTag first;   // the longer of the two
    RtPlusTag second;  // at most RT_PLUS_SHORT_TAG characters
    bool operator==(const RtPlusTags&) const = default;
};

// The tags for a RadioText composed from `source` with `title` in place of its first
// "%TITLE%": artist and title split at the first " - ", each clipped to the 64 characters.
// No placeholder or no title gives two empty tags.
[[nodiscard]] RtPlusTags TitleTags(const std::string& source, const std::string& title);
