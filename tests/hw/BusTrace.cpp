#include "BusTrace.h"

#include <cstdio>

uint8_t CTracingPort::PortRead(uint16_t port) {
    const uint8_t value = m_inner.PortRead(port);
    m_events.push_back({PortEvent::Read, port, value, m_tag});
    return value;
}

void CTracingPort::PortWrite(uint16_t port, uint8_t value) {
    m_events.push_back({PortEvent::Write, port, value, m_tag});
    m_inner.PortWrite(port, value);
}

void CTracingPort::Spin(uint32_t count) {
    m_events.push_back({PortEvent::Spin, 0, count, m_tag});
    m_inner.Spin(count);
}

std::vector<std::string> DecodeBus(const std::vector<PortEvent>& events, uint16_t base) {
    std::vector<std::string> tokens;
    bool sda = true, scl = true, inTransfer = false;
    bool clockHigh = false, bit = true;
    std::vector<bool> bits;
    auto dropPartial = [&] {
        if (!bits.empty()) tokens.push_back("?" + std::to_string(bits.size()));
        bits.clear();
    };
    for (const PortEvent& e : events) {
        if (e.kind == PortEvent::Read && e.port == base + 1 && clockHigh) {
            bit = bit && (e.value & 0x80) != 0;  // the line is low if anyone pulls it
            continue;
        }
        if (e.kind != PortEvent::Write || e.port != base) continue;
        const bool newSda = (e.value & 0x01) == 0;
        const bool newScl = (e.value & 0x02) == 0;
        if (scl && newScl && sda != newSda) {
            dropPartial();
            clockHigh = false;
            if (!newSda) {
                tokens.push_back(inTransfer ? "Sr" : "S");
                inTransfer = true;
            } else {
                tokens.push_back("P");
                inTransfer = false;
            }
        } else if (!scl && newScl) {
            clockHigh = true;
            bit = newSda;
        } else if (scl && !newScl) {
            if (clockHigh && inTransfer) {
                bits.push_back(bit);
                if (bits.size() == 9) {
                    int value = 0;
                    for (int i = 0; i < 8; ++i) value = value << 1 | (bits[i] ? 1 : 0);
                    char token[8];
                    std::snprintf(token, sizeof token, "%02X%c", value, bits[8] ? '-' : '+');
                    tokens.push_back(token);
                    bits.clear();
                }
            }
            clockHigh = false;
        }
        sda = newSda;
        scl = newScl;
    }
    return tokens;
}

std::vector<int> AddressedBytes(const std::vector<std::string>& tokens) {
    std::vector<int> addresses;
    for (size_t i = 0; i + 2 < tokens.size(); ++i) {
        if (tokens[i] != "S") continue;
        const int device = std::stoi(tokens[i + 1].substr(0, 2), nullptr, 16);
        // An acknowledge poll is the device byte alone, followed at once by the stop.
        if ((device & 0xE1) != 0xA0 || tokens[i + 2].size() != 3 || tokens[i + 2][0] == '?') continue;
        const int low = std::stoi(tokens[i + 2].substr(0, 2), nullptr, 16);
        addresses.push_back(((device >> 1) & 0x0F) << 8 | low);
    }
    return addresses;
}
