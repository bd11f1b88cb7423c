/* Phrasekey: WEP keys made from a pass phrase.
 *
 * Passphrase64 makes four 40-bit keys, Passphrase128 one 104-bit key. Both write the keys as
 * lowercase hexadecimal text. Usable from C and C++. */
#ifndef PHRASEKEY_PHRASEKEY_H
#define PHRASEKEY_PHRASEKEY_H

#include <kvexport.h>

/* Bytes of output text, terminating NUL included: four 5-byte keys, and one 13-byte key. */
#define PHRASEKEY_KEY64_TEXT_SIZE 41
#define PHRASEKEY_KEY128_TEXT_SIZE 27

/* Writes the four 64-bit WEP keys of `phrase` (key 1 first, 10 hex digits each, no separators)
 * and a NUL to `out`, which holds at least PHRASEKEY_KEY64_TEXT_SIZE bytes. Any phrase, the empty
 * one included, gives keys. Returns 1. Safe to call from several threads at once. */
KV_EXTERN_C PHRASEKEY_API int KV_STDCALL Passphrase64(const char* phrase, char* out);

/* Writes the 128-bit WEP key of `phrase` (26 hex digits) and a NUL to `out`, which holds at
 * least PHRASEKEY_KEY128_TEXT_SIZE bytes, and returns 1. Only the first 64 characters count.
 * An empty phrase gives no key: `out` becomes the empty string and the result is 0. */
KV_EXTERN_C PHRASEKEY_API int KV_STDCALL Passphrase128(const char* phrase, char* out);

#ifdef __cplusplus

/* Returns 42. */
PHRASEKEY_API int KV_CDECL fnPhrasekey(void);

/* Starts at 0; the library itself neither reads nor writes it. */
extern PHRASEKEY_API int nPhrasekey;

/* An empty class: it holds no state and its operations do nothing. */
class PHRASEKEY_API CPhrasekey {
public:
    CPhrasekey();
    CPhrasekey& operator=(const CPhrasekey&);
};

#endif /* __cplusplus */

#endif /* PHRASEKEY_PHRASEKEY_H */
