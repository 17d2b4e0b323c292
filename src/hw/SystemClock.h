#pragma once
// The PC's clock as the RDS side reads it: local wall time from the system's time zone,
// daylight saving included, and the same instant in UTC.

#include <ctime>
#include <string>

#include "IClock.h"

class CSystemClock : public IClock {
public:
    [[nodiscard]] ClockReading Read() override;
};

// The reading of the instant `t`, as the system's time zone shows it.
[[nodiscard]] ClockReading ClockReadingAt(std::time_t t);

// The reading of a local wall time written "YYYY-MM-DD HH:MM" (seconds 0) in the system's
// time zone. False, with `error` saying why, for a malformed text or a time the zone skips.
bool ClockReadingForLocalTime(const std::string& text, ClockReading& reading, std::string& error);
