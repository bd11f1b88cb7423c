// An outside C++ program built against the installed libraries with find_package().
#include <cstdio>
#include <cstring>

#include <labrig/labrig.h>
#include <phrasekey/phrasekey.h>

int main() {
    char keys[41];
    char key[27];
    Passphrase64("test", keys);
    Passphrase128("test", key);
    if (std::strlen(keys) != 40 || std::strcmp(key, "9fdf3bfdfb10afeb0925ef9605") != 0) {
        std::puts("consumer: wrong keys");
        return 1;
    }
    if (fnPhrasekey() != 42 || LabrigDLLVersion() != 100 || ChkPowMeter() != 1 ||
        ReadPowerMeter() != 1530) {
        std::puts("consumer: wrong library results");
        return 1;
    }
    std::puts("consumer (C++): ok");
    return 0;
}
