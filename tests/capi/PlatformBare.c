// The tests' platform on Windows with no C runtime at all, as an MSVC-ABI host of the C
// interface is built where only the compiler and the linker are at hand: kernel32 alone,
// declared here, and what a C runtime would otherwise define for the compiler (_fltused;
// memset and memcpy too, should the compiler ever call them).
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
__declspec(dllimport) void* __stdcall GetProcessHeap(void);
__declspec(dllimport) void* __stdcall HeapAlloc(void* heap, dword flags, size_t size);
__declspec(dllimport) int __stdcall HeapFree(void* heap, dword flags, void* memory);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(unsigned code);

// Marks a program that uses floating point; a C runtime would define it.
int _fltused = 0;

void harness_print(const char* text) {
    dword written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, (dword)text_length(text), &written, NULL);
}

char* harness_load(const char* path, size_t* size) {
    void* file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    char* bytes = file == INVALID_HANDLE ? NULL : HeapAlloc(GetProcessHeap(), 0, 1 << 20);  // the examples are far smaller
    dword got = 0;
    if (bytes && ReadFile(file, bytes, (1 << 20) - 1, &got, NULL)) {
        bytes[got] = '\0';
        *size = got;
    } else {
        harness_release(bytes);
        bytes = NULL;
    }
    if (file != INVALID_HANDLE) CloseHandle(file);
    return bytes;
}

void harness_release(char* bytes) {
    if (bytes) HeapFree(GetProcessHeap(), 0, bytes);
}

// The entry point (lld-link /entry:harness_start): every suite, then the exit status.
void harness_start(void) { ExitProcess((unsigned)harness_run()); }
