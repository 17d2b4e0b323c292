#pragma once
// The list of time clients (TIMECLI.TXT) and the time packet sent to each of them.

#include <array>
#include <cstdio>
#include <string>

inline constexpr int kMaxTimeClients = 32;
inline constexpr int kTimeLineSize = 256;  // a line, its line end and the closing zero

// Four address numbers and a port, as "%d.%d.%d.%d@%d" reads them: each number may follow
// blanks, anything after the port is ignored, and nothing is range-checked here.
bool ParseTimeClient(const char* line, std::array<int, 5>& numbers);

// Whether the numbers make an IPv4 address and a port that a connect can use.
[[nodiscard]] bool IsUsableTimeClient(const std::array<int, 5>& numbers);

// The kept form of a client line: trailing bytes below 0x20 and 0x80..0xFF removed, a trailing
// blank kept, the first byte never removed.
[[nodiscard]] std::string TrimTimeClientLine(const char* line);

// Reads up to kMaxTimeClients client lines from an open file, skipping comments and lines
// that do not parse. Returns how many were stored.
int ReadTimeClients(std::FILE* file, std::array<std::string, kMaxTimeClients>& clients);

// "TIME=[hh.mm.ss.XX]" with XX the hour, minute and second XORed together.
[[nodiscard]] std::string FormatTimePacket(int hour, int minute, int second);

// The first four numbers printed back as a dotted address.
[[nodiscard]] std::string FormatDottedAddress(const std::array<int, 5>& numbers);
