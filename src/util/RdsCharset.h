#pragma once
// Receivers read PS and RadioText in the RDS basic character set, not in code page 1252,
// so every character is translated at the moment it is coded into a group.

#include <array>
#include <cstdint>

// The RDS code of one CP1252 byte; characters the RDS set lacks become a space.
[[nodiscard]] uint8_t RdsCharFromCp1252(char c);

// The whole table, indexed by the CP1252 byte.
[[nodiscard]] const std::array<uint8_t, 256>& RdsCharsetTable();
