/* An outside C program built against the installed libraries with pkg-config. */
#include <stdio.h>
#include <string.h>

#include <labrig/labrig.h>
#include <phrasekey/phrasekey.h>

int main(void) {
    char key[PHRASEKEY_KEY128_TEXT_SIZE];
    if (Passphrase128("test", key) != 1 || strcmp(key, "9fdf3bfdfb10afeb0925ef9605") != 0) {
        puts("consumer: wrong key");
        return 1;
    }
    if (VBLabrigDLLVersion() != 100 || VBChkPowMeter() != 1 || VBReadPowerMeter() != 1530) {
        puts("consumer: wrong library results");
        return 1;
    }
    puts("consumer (C): ok");
    return 0;
}
