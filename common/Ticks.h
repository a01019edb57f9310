#pragma once
// A 32-bit millisecond tick counter that wraps at 2^32, for step delays.
#include <cstdint>

uint32_t GetTickCount32();
// Tests shift the counter to exercise the wrap.
void SetTickOffsetForTest(uint32_t offset);
