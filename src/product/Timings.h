#pragma once

namespace product {

// The window's timers, in milliseconds, which every program and test reads from here. At 115200
// baud 8N1 one byte takes about 87 us, so the longest reply (47 bytes) crosses the line in about
// 4.1 ms: a 50 ms gap can only be the end of a reply.
inline constexpr int kReplySilenceMs = 50;     // Timer1: a reply is complete after this long quiet
inline constexpr int kPollPeriodMs = 200;      // Timer2: the request scheduler's tick
inline constexpr int kLoadTimeoutMs = 5000;    // Timer3: the configuration must arrive within this
inline constexpr int kTimer4IntervalMs = 500;  // Timer4: never started

}  // namespace product
