#pragma once
// The busy wait of the real port backends: 10 ns of the steady clock per count.

#include <chrono>
#include <cstdint>

inline void SpinSteady(uint32_t count) {
    if (count == 0) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::nanoseconds(10) * count;
    while (std::chrono::steady_clock::now() < deadline) {
    }
}
