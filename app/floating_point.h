// The floating-point state the Windows program runs with, set by its entry
// point before anything else and by the Windows number check, so that both
// compute under the same rules.
//  - x87 (32-bit build: all double arithmetic): control word 0x037F, that is
//    every exception masked, round to nearest, 64-bit significand. It is the
//    state FNINIT gives and the one MinGW's start-up code set before the
//    program had its own entry point; Windows itself starts a process with
//    a 53-bit significand (0x027F).
//  - SSE (64-bit build: all double arithmetic): MXCSR as Windows sets it,
//    0x1F80, every exception masked, round to nearest, no flush to zero.
#pragma once

namespace app {

inline constexpr unsigned short kX87ControlWord = 0x037F;

inline void SetFloatingPointState() {
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
  __asm__ __volatile__("fninit");
#endif
}

}  // namespace app
