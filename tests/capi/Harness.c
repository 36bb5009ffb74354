#include "Harness.h"

static int failures;
static const char* current_row = "";

int harness_check(int ok, const char* what) {
    if (ok) return 1;
    ++failures;
    harness_print(what);
    harness_print(*current_row ? " [row: " : "");
    harness_print(current_row);
    harness_print(*current_row ? "]\n" : "\n");
    return 0;
}

void harness_row(const char* row) { current_row = row; }

size_t text_length(const char* text) {
    size_t length = 0;
    while (text[length]) ++length;
    return length;
}

int same_bytes(const char* a, size_t a_size, const char* b, size_t b_size) {
    size_t i;
    for (i = 0; a_size == b_size && i < a_size; ++i) {
        if (a[i] != b[i]) return 0;
    }
    return a_size == b_size;
}

int starts_with(const char* text, const char* prefix) {
    size_t length = text_length(prefix);
    return text_length(text) >= length && same_bytes(text, length, prefix, length);
}

int chain_is(storagexml_error** error, const expected_level* levels, size_t count) {
    const storagexml_error* level = *error;
    size_t i;
    int ok = 1;
    for (i = 0; i < count && level; ++i, level = storagexml_error_inner(level)) {
        if (storagexml_error_get_kind(level) != levels[i].kind || storagexml_error_line(level) != levels[i].line ||
            storagexml_error_column(level) != levels[i].column ||
            !starts_with(storagexml_error_message(level), levels[i].message)) {
            harness_print("  at this level: ");
            harness_print(storagexml_error_message(level));
            harness_print("\n");
            ok = 0;
        }
    }
    storagexml_error_free(*error);
    *error = NULL;
    return ok && i == count && !level;
}

int error_is(storagexml_error** error, storagexml_error_kind kind, const char* message) {
    const expected_level level = {kind, 0, 0, message};
    return chain_is(error, &level, 1);
}

int cause_is(storagexml_error** error, const char* message) {
    const storagexml_error* cause = *error;
    int ok;
    while (storagexml_error_inner(cause)) cause = storagexml_error_inner(cause);
    ok = *error && starts_with(storagexml_error_message(cause), message);
    storagexml_error_free(*error);
    *error = NULL;
    return ok;
}

int text_is(char* text, size_t length, const char* expected) {
    int ok = text && same_bytes(text, length, expected, text_length(expected)) && !text[length];
    storagexml_free(text);
    return ok;
}

int feed_read(void* context, char* buffer, size_t capacity, size_t* length) {
    feed* source = (feed*)context;
    size_t n = source->size - source->at, i;
    if (source->at >= source->fail_at) return 1;
    n = n < source->chunk ? n : source->chunk;
    n = n < capacity ? n : capacity;
    for (i = 0; i < n; ++i) buffer[i] = source->bytes[source->at + i];
    source->at += n;
    *length = n;
    return 0;
}

int harness_run(void) {
    static const test_case* const suites[] = {documents, tree, boundary};
    const test_case* c;
    size_t s;
    for (s = 0; s < sizeof suites / sizeof suites[0]; ++s) {
        for (c = suites[s]; c->name; ++c) {
            const long live = storagexml_live_object_count();
            const int failed = failures;
            c->run();
            harness_row("");
            CHECK(storagexml_live_object_count() == live);
            harness_print(failures == failed ? "ok     " : "FAILED ");
            harness_print(c->name);
            harness_print("\n");
        }
    }
    return failures ? 1 : 0;
}
