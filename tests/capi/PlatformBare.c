/* The tests' platform on Windows with no C runtime at all, as an MSVC-ABI host of the C
   interface is built where only the compiler and the linker are at hand: kernel32 alone,
   declared here, and what a C runtime would otherwise define for the compiler. */
#include "Harness.h"

typedef unsigned long dword;
#define STD_OUTPUT_HANDLE ((dword)-11)
#define GENERIC_READ 0x80000000UL
#define FILE_SHARE_READ 1UL
#define OPEN_EXISTING 3UL
#define FILE_ATTRIBUTE_NORMAL 0x80UL
#define INVALID_HANDLE ((void*)(intptr_t)-1)

__declspec(dllimport) void* __stdcall GetStdHandle(dword which);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* data, dword size, dword* written, void* overlapped);
__declspec(dllimport) void* __stdcall CreateFileA(const char* path, dword access, dword share, void* security,
                                                  dword disposition, dword attributes, void* template_file);
__declspec(dllimport) int __stdcall ReadFile(void* file, void* data, dword size, dword* got, void* overlapped);
__declspec(dllimport) int __stdcall CloseHandle(void* handle);
__declspec(dllimport) int __stdcall DeleteFileA(const char* path);
__declspec(dllimport) void* __stdcall GetProcessHeap(void);
__declspec(dllimport) void* __stdcall HeapAlloc(void* heap, dword flags, size_t size);
__declspec(dllimport) void* __stdcall HeapReAlloc(void* heap, dword flags, void* memory, size_t size);
__declspec(dllimport) int __stdcall HeapFree(void* heap, dword flags, void* memory);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(unsigned code);

/* Marks a program that uses floating point; a C runtime would define it. */
int _fltused = 0;

/* The compiler may call these for copies and initializations; a C runtime would define them. */
void* memset(void* target, int byte, size_t size) {
    volatile unsigned char* to = (volatile unsigned char*)target;
    while (size--) *to++ = (unsigned char)byte;
    return target;
}

void* memcpy(void* target, const void* source, size_t size) {
    volatile unsigned char* to = (volatile unsigned char*)target;
    const unsigned char* from = (const unsigned char*)source;
    while (size--) *to++ = *from++;
    return target;
}

void harness_print(const char* text) {
    dword written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, (dword)text_length(text), &written, NULL);
}

char* harness_load(const char* path, size_t* size) {
    void* file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    char* bytes = NULL;
    size_t length = 0;
    dword got = 0;
    if (file == INVALID_HANDLE) return NULL;
    do {
        char* grown = bytes ? HeapReAlloc(GetProcessHeap(), 0, bytes, length + 65537)
                            : HeapAlloc(GetProcessHeap(), 0, length + 65537);
        if (grown) bytes = grown;
        if (!grown || !ReadFile(file, bytes + length, 65536, &got, NULL)) {
            harness_release(bytes);
            CloseHandle(file);
            return NULL;
        }
        length += got;
    } while (got > 0);
    CloseHandle(file);
    bytes[length] = '\0';
    *size = length;
    return bytes;
}

void harness_release(char* bytes) {
    if (bytes) HeapFree(GetProcessHeap(), 0, bytes);
}

void harness_remove(const char* path) { DeleteFileA(path); }

/* The entry point (lld-link /entry:harness_start): every suite, then the exit status. */
void harness_start(void) { ExitProcess((unsigned)harness_run(NULL)); }
