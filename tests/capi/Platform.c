/* The tests' platform on a hosted C library; `capi_tests SUITE` runs one suite. */
#include "Harness.h"

#include <stdio.h>
#include <stdlib.h>

void harness_print(const char* text) {
    fputs(text, stdout);
    fflush(stdout);
}

char* harness_load(const char* path, size_t* size) {
    FILE* file = fopen(path, "rb");
    char* bytes = NULL;
    size_t length = 0;
    if (!file) return NULL;
    for (;;) {
        char* grown = realloc(bytes, length + 65537);
        size_t got;
        if (!grown) break;
        bytes = grown;
        got = fread(bytes + length, 1, 65536, file);
        length += got;
        if (got < 65536) {
            bytes[length] = '\0';
            *size = length;
            fclose(file);
            return bytes;
        }
    }
    free(bytes);
    fclose(file);
    return NULL;
}

void harness_release(char* bytes) { free(bytes); }

void harness_remove(const char* path) { remove(path); }

int main(int argc, char** argv) { return harness_run(argc > 1 ? argv[1] : NULL); }
