/* Compiled as C: the public header and its C entries must work without C++. */
#include <phrasekey/phrasekey.h>

int key64FromC(const char* phrase, char* out) {
    return Passphrase64(phrase, out);
}

int key128FromC(const char* phrase, char* out) {
    return Passphrase128(phrase, out);
}
