#pragma once
// The simulated interface and X24C32 as the bus and EEPROM tests drive them: test images, an
// interface that writes down every register access, and the chip behind a bus master and the
// transfers wired as the server does, with every write cycle the chip completes recorded.

#include <algorithm>
#include <functional>
#include <vector>

#include "EepromMirror.h"
#include "SimParallelPort.h"

using Bytes = std::vector<uint8_t>;
using Addresses = std::vector<int>;

// Records of varied bytes, none 0xFF, so nothing matches a blank cell by accident.
inline Bytes MakeImage(int records, uint32_t x = 1) {
    Bytes image(static_cast<size_t>(records) * RECORD_BYTES);
    for (auto& b : image) b = static_cast<uint8_t>(((x = x * 1103515245u + 12345u) >> 16) % 0xFF);
    return image;
}

inline int CountOf(const uint8_t* chip) { return chip[0] | chip[1] << 8; }

// The count word, low byte first, and then the image's records.
inline bool Holds(const uint8_t* chip, const Bytes& image) {
    return CountOf(chip) == int(image.size()) / RECORD_BYTES && std::equal(image.begin(), image.end(), chip + 2);
}

// The simulated interface, writing down every register access and every wait.
struct TracedSim : CSimParallelPort {
    struct Event {
        char kind;
        uint16_t port;
        uint32_t value;
    };  // 'r'ead, 'w'rite or 's'pin
    uint8_t PortRead(uint16_t port) override {
        events.push_back({'r', port, CSimParallelPort::PortRead(port)});
        return events.back().value;
    }
    void PortWrite(uint16_t port, uint8_t value) override {
        events.push_back({'w', port, value});
        CSimParallelPort::PortWrite(port, value);
    }
    void Spin(uint32_t count) override {
        events.push_back({'s', 0, count});
        CSimParallelPort::Spin(count);
    }
    [[nodiscard]] std::vector<uint32_t> Of(char kind, uint16_t port = 0) const {
        std::vector<uint32_t> values;
        for (const Event& e : events)
            if (e.kind == kind && e.port == port) values.push_back(e.value);
        return values;
    }
    std::vector<Event> events;
};

struct ChipRig {
    // A blank chip, read whole.
    ChipRig() : ChipRig(CSimEeprom::SIZE) {}
    // A chip holding `old` behind its count; span: the bytes the server reads and may use.
    explicit ChipRig(const Bytes& old, int span = CSimEeprom::SIZE, WriteMode mode = WriteMode::Page) {
        const int records = static_cast<int>(old.size()) / RECORD_BYTES;
        sim.Chip().Poke(0, static_cast<uint8_t>(records & 0xFF));
        sim.Chip().Poke(1, static_cast<uint8_t>(records >> 8));
        for (size_t i = 0; i < old.size(); ++i) sim.Chip().Poke(static_cast<int>(2 + i), old[i]);
        mirror.SetWriteMode(mode);
        Open(span);
    }
    SyncReport Sync(const Bytes& image, VerifyScope scope = VerifyScope::StoredExtent) {
        commits.clear();
        return mirror.SyncEeprom(image.data(), static_cast<int>(image.size()), false, scope);
    }
    [[nodiscard]] bool Holds(const Bytes& image) const { return ::Holds(sim.Chip().Bytes().data(), image); }
    CSimParallelPort sim;
    CI2cPort bus{&sim};
    CSilentEepromView view;
    CEepromMirror mirror{bus, view};
    Addresses commits;  // the first address of every write cycle of the last sync
    std::function<void(int, const CSimEeprom::Content&)> onCommit;

private:
    explicit ChipRig(int span) { Open(span); }
    void Open(int span) {
        mirror.SetEepromSize(std::min(CSimEeprom::SIZE, span));
        mirror.ReadEeprom();
        sim.Chip().SetWriteObserver([this](int first, const CSimEeprom::Content& content) {
            commits.push_back(first);
            if (onCommit) onCommit(first, content);
        });
    }
};
