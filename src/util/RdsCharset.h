#pragma once
// Receivers read PS and RadioText in the RDS basic character set, not in code page 1252:
// the coder translates every character as it codes it, the monitor translates back.

#include <array>
#include <cstdint>

// The RDS code of one CP1252 byte; characters the RDS set lacks become a space.
[[nodiscard]] uint8_t RdsCharFromCp1252(char c);

// The CP1252 byte of one RDS code; '\0' when the code page has no such character.
[[nodiscard]] char Cp1252FromRdsChar(uint8_t rds);

// The whole coding table, indexed by the CP1252 byte.
[[nodiscard]] const std::array<uint8_t, 256>& RdsCharsetTable();
