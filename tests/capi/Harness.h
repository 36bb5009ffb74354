/* The C interface's tests: plain C99 that includes no C library header, so
   that the same tests also run as a host with no C runtime at all (an
   MSVC-ABI program on Windows). What they need of the system comes from
   Platform.c (a hosted C library) or PlatformBare.c (Windows, no C runtime). */
#ifndef STORAGEXML_CAPI_HARNESS_H
#define STORAGEXML_CAPI_HARNESS_H

#include <storagexml.h>

/* ---- The platform ---- */

/* Writes text to the standard output. */
void harness_print(const char* text);
/* The bytes of the file at `path`, followed by a NUL, freed with harness_release; NULL when it cannot be read. */
char* harness_load(const char* path, size_t* size);
void harness_release(char* bytes);
/* Removes the file at `path`, if there is one. */
void harness_remove(const char* path);

/* ---- Files the tests use ---- */

#define EXAMPLE(name) STORAGEXML_SOURCE_DIR "/examples/" name
#define SCRATCH(name) STORAGEXML_SCRATCH_DIR "/" name

/* ---- Checks ---- */

/* Counts a failed check and reports it with the table row being checked; returns `ok`. */
int harness_check(int ok, const char* what, const char* file, int line);
#define CHECK(condition) harness_check((condition) != 0, #condition, __FILE__, __LINE__)
/* Names the table row that the checks that follow are about ("" for none). */
void harness_row(const char* row);

size_t text_length(const char* text);
int bytes_equal(const char* a, size_t a_size, const char* b, size_t b_size);
int text_equal(const char* a, const char* b);
/* Whether `text` begins with `prefix`. */
int text_starts(const char* text, const char* prefix);

/* One level of an expected error chain. */
typedef struct expected_level {
    storagexml_error_kind kind;
    long line;
    long column;
    const char* message;
} expected_level;

/* Checks the whole chain of `error`, outermost first (`count` levels), and frees it. */
int check_chain(storagexml_error* error, const expected_level* levels, size_t count, const char* file, int line);
#define CHECK_CHAIN(error, levels) \
    check_chain((error), (levels), sizeof(levels) / sizeof((levels)[0]), __FILE__, __LINE__)
/* Checks a one-level error of `kind` whose message begins with `message`, and frees it. */
int check_error(storagexml_error* error, storagexml_error_kind kind, const char* message, const char* file, int line);
#define CHECK_ERROR(error, kind, message) check_error((error), (kind), (message), __FILE__, __LINE__)
/* Checks that a text the library gave out is `expected`, and frees it. */
int check_text(char* text, size_t length, const char* expected, const char* file, int line);
#define CHECK_TEXT(text, length, expected) check_text((text), (length), (expected), __FILE__, __LINE__)

/* Reads the file at `path` with the library, or NULL after a failed check. */
storagexml_array* read_example(const char* path);

/* ---- Suites ---- */

typedef struct test_case {
    const char* name;
    void (*run)(void);
} test_case;

typedef struct test_suite {
    const char* name;
    const test_case* cases;
    size_t count;
} test_suite;

#define SUITE(name, cases) const test_suite name = {#name, cases, sizeof(cases) / sizeof((cases)[0])}

extern const test_suite documents;
extern const test_suite tree;
extern const test_suite streaming;
extern const test_suite boundary;

/* Runs every case of every suite, or of the suite named `only`, each of which must leave no
   object of the library alive; returns the exit status. */
int harness_run(const char* only);

#endif
