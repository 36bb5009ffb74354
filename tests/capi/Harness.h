// The C interface's tests: plain C99 that includes no C library header, so the same tests
// also run as a host with no C runtime at all (an MSVC-ABI program on Windows). What they need
// of the system comes from Platform.c (a C library) or PlatformBare.c (Windows, kernel32 only).
#ifndef STORAGEXML_CAPI_HARNESS_H
#define STORAGEXML_CAPI_HARNESS_H

#include <storagexml.h>

void harness_print(const char* text);
// The bytes of a file and a NUL, freed with harness_release; NULL when it cannot be read.
char* harness_load(const char* path, size_t* size);
void harness_release(char* bytes);

#define EXAMPLE(name) STORAGEXML_SOURCE_DIR "/examples/" name
#define SCRATCH(name) STORAGEXML_SCRATCH_DIR "/" name

#define HARNESS_TEXT(x) #x
#define HARNESS_LINE(x) HARNESS_TEXT(x)
// Counts and reports a failed check, with the table row being checked; returns `ok`.
int harness_check(int ok, const char* what);
#define CHECK(condition) harness_check((condition) != 0, __FILE__ ":" HARNESS_LINE(__LINE__) ": " #condition)
// Names the table row the checks that follow are about.
void harness_row(const char* row);

size_t text_length(const char* text);
int same_bytes(const char* a, size_t a_size, const char* b, size_t b_size);
int starts_with(const char* text, const char* prefix);
// Whether a text the library gave out is `expected`; frees it.
int text_is(char* text, size_t length, const char* expected);

// One level of an error chain: its kind, position and the start of its message.
typedef struct expected_level {
    storagexml_error_kind kind;
    long line, column;
    const char* message;
} expected_level;
// Whether *error is exactly that chain, outermost first; frees it, leaving *error NULL.
int chain_is(storagexml_error** error, const expected_level* levels, size_t count);
#define CHAIN_IS(error, levels) chain_is((error), (levels), sizeof(levels) / sizeof((levels)[0]))
// Whether *error is one level of that kind, at no position, its message starting so; frees it.
int error_is(storagexml_error** error, storagexml_error_kind kind, const char* message);
// Whether the message of the level of *error nearest the cause starts so; frees *error, leaving it NULL.
int cause_is(storagexml_error** error, const char* message);

// A document handed to the library in pieces of `chunk` bytes, from `at`; reading fails from `fail_at` on.
typedef struct feed {
    const char* bytes;
    size_t size, chunk, fail_at, at;
} feed;
int feed_read(void* context, char* buffer, size_t capacity, size_t* length);

typedef struct test_case {
    const char* name;
    void (*run)(void);
} test_case;
// Each suite ends with a case whose name is NULL.
extern const test_case documents[], tree[], boundary[];

// Runs every case, each of which must leave no object alive; returns the exit status.
int harness_run(void);

#endif
