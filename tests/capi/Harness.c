#include "Harness.h"

static int failures;
static const char* current_row = "";

static void print_number(long number) {
    char digits[24];
    size_t at = sizeof digits;
    unsigned long magnitude = number < 0 ? 0UL - (unsigned long)number : (unsigned long)number;
    digits[--at] = '\0';
    do {
        digits[--at] = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (number < 0) digits[--at] = '-';
    harness_print(digits + at);
}

int harness_check(int ok, const char* what, const char* file, int line) {
    if (ok) return 1;
    ++failures;
    harness_print(file);
    harness_print(":");
    print_number(line);
    harness_print(": failed: ");
    harness_print(what);
    if (*current_row) {
        harness_print(" [row: ");
        harness_print(current_row);
        harness_print("]");
    }
    harness_print("\n");
    return 0;
}

void harness_row(const char* row) { current_row = row; }

size_t text_length(const char* text) {
    size_t length = 0;
    while (text[length]) ++length;
    return length;
}

int bytes_equal(const char* a, size_t a_size, const char* b, size_t b_size) {
    size_t i;
    if (a_size != b_size) return 0;
    for (i = 0; i < a_size; ++i) {
        if (a[i] != b[i]) return 0;
    }
    return 1;
}

int text_equal(const char* a, const char* b) { return bytes_equal(a, text_length(a), b, text_length(b)); }

int text_starts(const char* text, const char* prefix) {
    size_t length = text_length(prefix);
    return text_length(text) >= length && bytes_equal(text, length, prefix, length);
}

static void print_level(const char* label, storagexml_error_kind kind, long line, long column, const char* message) {
    harness_print(label);
    print_number(kind);
    harness_print(" ");
    print_number(line);
    harness_print(":");
    print_number(column);
    harness_print(" ");
    harness_print(message);
    harness_print("\n");
}

int check_chain(storagexml_error* error, const expected_level* levels, size_t count, const char* file, int line) {
    const storagexml_error* level = error;
    size_t i;
    int ok = error != NULL;
    for (i = 0; i < count && level; ++i, level = storagexml_error_inner(level)) {
        if (storagexml_error_get_kind(level) != levels[i].kind || storagexml_error_line(level) != levels[i].line ||
            storagexml_error_column(level) != levels[i].column ||
            !text_starts(storagexml_error_message(level), levels[i].message)) {
            print_level("  expected ", levels[i].kind, levels[i].line, levels[i].column, levels[i].message);
            print_level("  got      ", storagexml_error_get_kind(level), storagexml_error_line(level),
                        storagexml_error_column(level), storagexml_error_message(level));
            ok = 0;
        }
    }
    if (i != count || level) ok = 0;
    storagexml_error_free(error);
    return harness_check(ok, "the error chain is as expected", file, line);
}

int check_error(storagexml_error* error, storagexml_error_kind kind, const char* message, const char* file, int line) {
    expected_level level;
    level.kind = kind;
    level.line = 0;
    level.column = 0;
    level.message = message;
    return check_chain(error, &level, 1, file, line);
}

int check_text(char* text, size_t length, const char* expected, const char* file, int line) {
    int ok = text && bytes_equal(text, length, expected, text_length(expected));
    if (!ok && text) {
        harness_print("  got [");
        harness_print(text);
        harness_print("]\n");
    }
    storagexml_free(text);
    return harness_check(ok, expected, file, line);
}

storagexml_array* read_example(const char* path) {
    storagexml_array* array = NULL;
    storagexml_error* error = NULL;
    if (!CHECK(storagexml_array_read_file(path, &array, &error) == 0)) {
        harness_print(storagexml_error_message(error));
        harness_print("\n");
        storagexml_error_free(error);
    }
    return array;
}

static const test_suite* const suites[] = {&documents, &tree, &streaming, &boundary};

int harness_run(const char* only) {
    size_t s, c, ran = 0;
    for (s = 0; s < sizeof suites / sizeof suites[0]; ++s) {
        const test_suite* suite = suites[s];
        if (only && !text_equal(only, suite->name)) continue;
        for (c = 0; c < suite->count; ++c) {
            const long live = storagexml_live_object_count();
            const int failed = failures;
            harness_row("");
            suite->cases[c].run();
            harness_row("");
            if (storagexml_live_object_count() != live) {
                CHECK(!"every object of the library is freed");
                harness_print("  objects left alive: ");
                print_number(storagexml_live_object_count() - live);
                harness_print("\n");
            }
            harness_print(failures == failed ? "ok     " : "FAILED ");
            harness_print(suite->name);
            harness_print(".");
            harness_print(suite->cases[c].name);
            harness_print("\n");
            ++ran;
        }
    }
    if (ran == 0) {
        harness_print("no such suite\n");
        return 2;
    }
    return failures ? 1 : 0;
}
