#include "RtPlus.h"

#include <algorithm>

#include "RdsTypes.h"

namespace {

constexpr char PLACEHOLDER[] = "%TITLE%";
constexpr char ARTIST_SEPARATOR[] = " - ";

// What is left of a tag inside the RadioText; nothing left is the empty tag.
RtPlusTag Clipped(int contentType, int start, int length) {
    length = std::min(length, RADIOTEXT_CHARS - start);
    if (length <= 0) return {};
    return {contentType, start, length};
}

}  // namespace

RtPlusTags TitleTags(const std::string& source, const std::string& title) {
    const size_t at = source.find(PLACEHOLDER);
    if (at == std::string::npos || title.empty()) return {};
    const int start = static_cast<int>(at);
    const size_t dash = title.find(ARTIST_SEPARATOR);
    if (dash == std::string::npos) return {Clipped(RT_PLUS_ITEM_TITLE, start, static_cast<int>(title.size())), {}};

    const int artistLength = static_cast<int>(dash);
    const int titleStart = start + artistLength + static_cast<int>(sizeof(ARTIST_SEPARATOR) - 1);
    const RtPlusTag artist = Clipped(RT_PLUS_ITEM_ARTIST, start, artistLength);
    const RtPlusTag item = Clipped(RT_PLUS_ITEM_TITLE, titleStart,
                                   static_cast<int>(title.size()) - (titleStart - start));
    RtPlusTags tags = item.length > artist.length ? RtPlusTags{item, artist} : RtPlusTags{artist, item};
    // Both share 64 characters and a separator, so the shorter fits; kept safe all the same.
    tags.second.length = std::min(tags.second.length, RT_PLUS_SHORT_TAG);
    return tags;
}
