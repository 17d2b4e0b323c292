// The text pass: PS pages (group 0A) interleaved with the two RadioTexts (group 2A), so
// that a receiver sees the station name while a long RadioText is still coming in.

#include <cstring>

#include "RdsModel.h"

namespace {

constexpr int PS_CHARS = 8;
constexpr int RT_CHARS = 64;

enum class PsState { Reading, LastPageRead, Finished };
enum RtState { RT_IDLE = 0, RT_SENDING_0 = 1, RT_DONE_0 = 2, RT_SENDING_1 = 3, RT_FINISHED = 4 };

struct PsCursor {
    const char* text = nullptr;  // zero-terminated composed PS text
    const char* read = nullptr;  // start of the next page
    char page[PS_CHARS + 1] = {};
    int index = PS_CHARS;        // next character pair; PS_CHARS means load a page
    int repeat = 0;
    PsState state = PsState::Reading;

    void Restart() {
        read = text;
        index = PS_CHARS;
        repeat = 0;
        state = PsState::Reading;
    }

    // Copies the next page; false when it is longer than a PS can show.
    bool LoadPage() {
        int n = 0;
        for (;;) {
            const char c = read[n];
            if (c == '|' || c == '\0') {
                read += n + 1;
                if (c == '\0') {
                    state = PsState::LastPageRead;
                }
                break;
            }
            if (n == PS_CHARS) {
                return false;
            }
            page[n++] = c;
        }
        std::memset(page + n, ' ', static_cast<size_t>(PS_CHARS - n));
        page[PS_CHARS] = '\0';
        index = 0;
        repeat = 0;
        return true;
    }
};

}  // namespace

void CRdsModel::EncodeTextGroups() {
    PsCursor ps;
    ps.text = m_psnText.c_str();
    ps.Restart();
    int rtState = RT_IDLE;
    const char* rtSource = nullptr;
    int rtIndex = 0;

    const bool multiPage = m_groupFlags == 0x02 || std::strchr(ps.text, '|') != nullptr;
    const int repeatLimit = static_cast<int8_t>(m_psRepeat);  // 200 and up mean no repeat

    for (;;) {
        if (ps.state != PsState::Finished) {
            if (ps.index == PS_CHARS && ps.state == PsState::LastPageRead) {
                ps.state = PsState::Finished;
            } else if (ps.index == PS_CHARS) {
                if (!ps.LoadPage()) {
                    return;
                }
            } else {
                if (!EncodePsGroup(ps.index / 2, ps.page[ps.index], ps.page[ps.index + 1])) {
                    return;
                }
                ps.index += 2;
            }
            if (ps.index == PS_CHARS && ps.repeat < repeatLimit && multiPage) {
                ++ps.repeat;
                ps.index = 0;
            }
        }

        if (rtState == RT_IDLE) {
            rtState = m_txt0Text[0] != '\0' ? RT_SENDING_0 : RT_DONE_0;
            rtSource = m_txt0Text.data();
            rtIndex = 0;
        }
        if (rtState == RT_DONE_0) {
            rtState = m_txt1Text[0] != '\0' ? RT_SENDING_1 : RT_FINISHED;
            rtSource = m_txt1Text.data();
            rtIndex = 0;
        }
        if (rtState == RT_SENDING_0 || rtState == RT_SENDING_1) {
            if (rtIndex >= RT_CHARS) {
                ++rtState;
            } else {
                const int abFlag = rtState == RT_SENDING_1 ? 1 : 0;
                if (!EncodeRadioTextGroup(abFlag, rtIndex / 4, rtSource + rtIndex)) {
                    return;
                }
                rtIndex += 4;
            }
            // RadioText still running: keep the station name coming between its groups.
            if (ps.state == PsState::Finished && rtState != RT_FINISHED) {
                ps.Restart();
            }
        }

        if (ps.state == PsState::Finished && rtState == RT_FINISHED) {
            return;
        }
    }
}
