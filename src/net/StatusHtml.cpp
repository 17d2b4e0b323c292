// The status page in HTML: plain markup with ids a script or a test can find, no scripts of
// its own, refreshed by the browser every few seconds.

#include <QByteArray>
#include <cstdio>

#include "Cp1252.h"
#include "StatusRender.h"

namespace {

constexpr const char* STYLE =
    "body{font-family:sans-serif;background:#32326a;color:#eee;margin:1em}"
    "section{background:#24244a;border-radius:6px;padding:.5em 1em;margin:.7em 0}"
    "h1{margin:.2em 0}h2{font-size:1.05em;margin:.3em 0}"
    ".ps{font-family:monospace;white-space:pre;background:#000;color:#7f7;padding:0 .3em;margin-right:.3em}"
    ".rt{font-family:monospace;white-space:pre-wrap}"
    "#eeprom-map{image-rendering:pixelated;width:520px;border:1px solid #888}"
    "#log{font-size:.85em;white-space:pre-wrap}"
    ".absent{color:#aaa;font-style:italic}";

std::string H(const std::string& cp1252) { return HtmlEscape(Cp1252ToUtf8(cp1252)); }

std::string Absent(const char* what) { return std::string("<span class=\"absent\">") + what + "</span>"; }

std::string OnAirSection(const std::optional<StatusOnAir>& onAir) {
    std::string h = "<section id=\"on-air\"><h2>No ar</h2>";
    if (!onAir) {
        return h + "<p id=\"on-air-absent\" class=\"absent\">Sem descodifica&ccedil;&atilde;o da imagem.</p></section>";
    }
    h += "<p>PI <span id=\"on-air-pi\">" + (onAir->pi ? HexWord(*onAir->pi) : Absent("-")) + "</span></p>";
    h += "<p>PS <span id=\"ps\">";
    for (const std::string& page : onAir->psPages) h += "<span class=\"ps\">" + H(page) + "</span>";
    h += "</span></p>";
    for (int i = 0; i < 2; ++i) {
        const auto& text = onAir->radioText[static_cast<size_t>(i)];
        const std::string id = "rt" + std::to_string(i);
        h += "<p>RT " + std::string(i == 0 ? "A" : "B") + " <span id=\"" + id + "\" class=\"rt\">" +
             (text ? H(*text) : Absent("n&atilde;o enviado")) + "</span></p>";
        if (const auto& tags = onAir->rtPlus[static_cast<size_t>(i)]) {
            h += "<p>RT+ " + std::string(i == 0 ? "A" : "B") + " <span id=\"rtplus" + std::to_string(i) +
                 "\" class=\"rt\">" + H(*tags) + "</span></p>";
        }
    }
    h += "<p>CT <span id=\"clock\">" + (onAir->clock ? H(*onAir->clock) : Absent("n&atilde;o enviado")) + "</span></p>";
    h += "<p>AF <span id=\"af\">";
    for (size_t i = 0; i < onAir->afKhz.size(); ++i) {
        const int khz = onAir->afKhz[i];
        char mhz[24];
        std::snprintf(mhz, sizeof mhz, "%s%d.%d", i == 0 ? "" : " ", khz / 1000, (khz % 1000) / 100);
        h += mhz;
    }
    if (onAir->afKhz.empty()) h += Absent("nenhuma");
    return h + "</span></p></section>";
}

std::string MapSection(const std::vector<uint8_t>& states) {
    const std::vector<uint8_t> bmp = EepromMapBmp(states);
    const QByteArray raw(reinterpret_cast<const char*>(bmp.data()), static_cast<qsizetype>(bmp.size()));
    return "<section><h2>EEPROM (" + std::to_string(states.size()) +
           " bytes)</h2><img id=\"eeprom-map\" alt=\"mapa da EEPROM\" style=\"height:" +
           std::to_string(4 * MapRows(static_cast<int>(states.size()))) + "px\" src=\"data:image/bmp;base64," +
           raw.toBase64().toStdString() + "\"></section>";
}

std::string SyncSection(const StatusSnapshot& s) {
    std::string h = "<section><h2>&Uacute;ltima sincroniza&ccedil;&atilde;o</h2><p id=\"last-sync\">";
    if (s.lastSync) {
        h += H(s.lastSync->time) + " &mdash; <span id=\"sync-changed\">" + std::to_string(s.lastSync->bytesChanged) +
             "</span> bytes alterados, <span id=\"sync-failures\">" + std::to_string(s.lastSync->failures) +
             "</span> falhas";
    } else {
        h += Absent("nenhuma desde o arranque");
    }
    h += "</p><p>Cliente ligado: <span id=\"client\">" + (s.client.empty() ? Absent("nenhum") : H(s.client)) +
         "</span></p></section>";
    return h;
}

}  // namespace

std::string StatusHtml(const StatusSnapshot& s) {
    std::string h = "<!DOCTYPE html>\n<html lang=\"pt\"><head><meta charset=\"utf-8\">";
    h += "<meta http-equiv=\"refresh\" content=\"" + std::to_string(STATUS_REFRESH_SECONDS) + "\">";
    h += "<title>Orvane - " + H(s.stationName) + "</title><style>" + STYLE + "</style></head><body>";
    h += "<h1 id=\"station\">" + H(s.stationName) + "</h1>";
    h += "<p>PI <span id=\"pi\">" + HexWord(s.pi) + "</span> &middot; " + H(s.time) +
         " &middot; tick <span id=\"ticks\">" + std::to_string(s.ticks) + "</span></p>";
    h += OnAirSection(s.onAir);
    h += MapSection(s.eepromStates);
    h += SyncSection(s);
    h += "<section><h2>Registo</h2><pre id=\"log\">";
    for (const std::string& line : s.log) h += H(line) + "\n";
    h += "</pre></section></body></html>\n";
    return h;
}
