// The tests' platform on a C library.
#include "Harness.h"

#include <stdio.h>
#include <stdlib.h>

void harness_print(const char* text) {
    fputs(text, stdout);
    fflush(stdout);
}

char* harness_load(const char* path, size_t* size) {
    FILE* file = fopen(path, "rb");
    char* bytes = file ? malloc(1 << 20) : NULL;  // the examples are far smaller
    if (bytes) {
        *size = fread(bytes, 1, (1 << 20) - 1, file);
        bytes[*size] = '\0';
    }
    if (file) fclose(file);
    return bytes;
}

void harness_release(char* bytes) { free(bytes); }

int main(void) { return harness_run(); }
