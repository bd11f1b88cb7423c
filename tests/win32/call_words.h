// Calls an exported entry with its arguments as 32-bit stack words, and tells how the entry left
// the stack: a callee-cleans (stdcall, thiscall) entry pops its arguments on return, a
// caller-cleans (cdecl) entry leaves them. The call goes through a few lines of assembly that
// measure the stack pointer around the call and put it back whatever the entry did, so a
// convention mismatch shows as a wrong count instead of a crash.
#pragma once

#include <cstddef>
#include <cstdint>

struct CallResult {
    double st0;       // the x87 result of an entry returning float or double (floatResult)
    uint32_t popped;  // bytes the entry took off the stack
    uint32_t eax;     // the integer or pointer result; bool is the low byte
    uint32_t edx;     // the high word of a 64-bit result
    uint32_t padding;

    uint64_t wide() const { return uint64_t{edx} << 32 | eax; }
};
static_assert(offsetof(CallResult, st0) == 0 && offsetof(CallResult, popped) == 8 &&
              offsetof(CallResult, eax) == 12 && offsetof(CallResult, edx) == 16);

// Pushes words[count - 1] .. words[0] (so words[0] is the first argument), loads ecx with
// `self` (the object of a thiscall member function), calls fn and fills *out. With floatResult
// the entry's st(0) is popped into out->st0. Caller-cleans itself.
extern "C" void kvCallWords(const void* fn, const uint32_t* words, uint32_t count, const void* self,
                            uint32_t floatResult, CallResult* out);
