#ifndef PHRASEKEY_SECURE_WIPE_H
#define PHRASEKEY_SECURE_WIPE_H

#ifdef _WIN32
#include <windows.h>
#else
#include <string.h>
#endif
#include <cstddef>

namespace phrasekey::detail {

// Overwrites `size` bytes at `data` with zeros; unlike memset, the compiler may not drop it even
// when the memory is never read again.
inline void secureWipe(void* data, std::size_t size) noexcept {
#ifdef _WIN32
    if (size != 0) SecureZeroMemory(data, size);
#else
    if (size != 0) ::explicit_bzero(data, size);
#endif
}

}  // namespace phrasekey::detail

#endif  // PHRASEKEY_SECURE_WIPE_H
