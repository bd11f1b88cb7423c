#ifndef PHRASEKEY_SECURE_WIPE_H
#define PHRASEKEY_SECURE_WIPE_H

#include <string.h>
#include <cstddef>

namespace phrasekey::detail {

// Overwrites `size` bytes at `data` with zeros; unlike memset, the compiler may not drop it even
// when the memory is never read again.
inline void secureWipe(void* data, std::size_t size) noexcept {
    if (size != 0) ::explicit_bzero(data, size);
}

}  // namespace phrasekey::detail

#endif  // PHRASEKEY_SECURE_WIPE_H
