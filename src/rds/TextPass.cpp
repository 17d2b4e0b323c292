#include "TextPass.h"

#include <cstring>

namespace {

constexpr char PAGE_SEPARATOR = '|';

enum class PsState { Reading, LastPageRead, Finished };
enum RtState { RT_IDLE = 0, RT_SENDING_0 = 1, RT_DONE_0 = 2, RT_SENDING_1 = 3, RT_FINISHED = 4 };

struct PsCursor {
    const char* text = nullptr;  // zero-terminated composed PS text
    const char* read = nullptr;  // start of the next page
    char page[PS_PAGE_CHARS] = {};
    int index = PS_PAGE_CHARS;  // next character pair; PS_PAGE_CHARS means load a page
    int repeat = 0;
    PsState state = PsState::Reading;

    void Restart() {
        read = text;
        index = PS_PAGE_CHARS;
        repeat = 0;
        state = PsState::Reading;
    }

    // Copies the next page, blank-padded; a page longer than a PS shows its first characters.
    void LoadPage() {
        int n = 0;
        const char* c = read;
        for (; *c != PAGE_SEPARATOR && *c != '\0'; ++c) {
            if (n < PS_PAGE_CHARS) page[n++] = *c;
        }
        if (*c == '\0') state = PsState::LastPageRead;
        read = c + 1;
        std::memset(page + n, ' ', static_cast<size_t>(PS_PAGE_CHARS - n));
        index = 0;
        repeat = 0;
    }
};

struct RtCursor {
    int state = RT_IDLE;
    const char* source = nullptr;
    int index = 0;

    // Moves past a RadioText that is empty; each is sent once, TXT0 first.
    void Advance(const ComposedText& texts) {
        if (state == RT_IDLE) Begin(texts.radioText[0].data(), RT_SENDING_0, RT_DONE_0);
        if (state == RT_DONE_0) Begin(texts.radioText[1].data(), RT_SENDING_1, RT_FINISHED);
    }
    void Begin(const char* text, int sending, int empty) {
        state = text[0] != '\0' ? sending : empty;
        source = text;
        index = 0;
    }
};

RtPlusTags RadioTextTags(const StationData& data, int index) {
    return TitleTags(data.RadioTextSource(index), data.RtTitle());
}

}  // namespace

void WriteTextPass(CImageWriter& writer, const StationData& data, const ComposedText& texts) {
    PsCursor ps;
    ps.text = texts.ps.c_str();
    ps.Restart();
    RtCursor rt;

    // Only the clock page switched on counts as a second page, so the name is repeated.
    const bool multiPage = data.GroupFlags() == FlagBit(GroupFlag::ClockPs) ||
                           std::strchr(ps.text, PAGE_SEPARATOR) != nullptr;
    const int repeat = data.PsRepeat();
    const int repeatLimit = repeat < 0x80 ? repeat
                                          : repeat - 0x100;  // read as a signed byte: 128 and up mean no repeat

    if (data.RtPlus() && !writer.WriteGroup(RtPlusAnnouncementGroup(data))) return;

    for (;;) {
        if (ps.state != PsState::Finished) {
            if (ps.index == PS_PAGE_CHARS && ps.state == PsState::LastPageRead) {
                ps.state = PsState::Finished;
            } else if (ps.index == PS_PAGE_CHARS) {
                ps.LoadPage();
            } else {
                const int i = ps.index;
                if (!writer.WriteGroup(PsGroup(data, i / 2, ps.page[i], ps.page[i + 1]))) return;
                ps.index += 2;
            }
            if (ps.index == PS_PAGE_CHARS && ps.repeat < repeatLimit && multiPage) {
                ++ps.repeat;
                ps.index = 0;
            }
        }

        rt.Advance(texts);
        if (rt.state == RT_SENDING_0 || rt.state == RT_SENDING_1) {
            if (rt.index >= RADIOTEXT_CHARS) {
                ++rt.state;
            } else {
                const int abFlag = rt.state == RT_SENDING_1 ? 1 : 0;
                if (!writer.WriteGroup(RadioTextGroup(data, abFlag, rt.index / 4, rt.source + rt.index))) return;
                rt.index += 4;
                // The tags follow their RadioText at once, so a receiver has the text they point into.
                const bool tagsDue = rt.index >= RADIOTEXT_CHARS && data.RtPlus();
                if (tagsDue && !writer.WriteGroup(RtPlusTagGroup(data, RadioTextTags(data, abFlag)))) return;
            }
            // RadioText still running: keep the station name coming between its groups.
            if (ps.state == PsState::Finished && rt.state != RT_FINISHED) ps.Restart();
        }

        if (ps.state == PsState::Finished && rt.state == RT_FINISHED) return;
    }
}
