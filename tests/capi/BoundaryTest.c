/* The boundary: a NULL where something belongs is an error naming the function and the
   argument, leaving the outputs untouched; every failure, running out of memory included,
   comes back as an error; the error itself is optional. */
#include "Harness.h"

typedef struct fixtures {
    storagexml_array* array;
    storagexml_item* item;
    storagexml_param* param;
    storagexml_value* value;
    storagexml_range* range;
    storagexml_reader* reader;
    storagexml_writer* writer;
} fixtures;

/* What a call that fails must leave as it is. */
static char untouched;
#define UNTOUCHED ((void*)&untouched)

/* Calls the function of row `row` with one NULL argument; *expected is its error's message.
   Returns -1 past the last row. */
static int call_with_null(const fixtures* f, int row, const char** expected, storagexml_error** error) {
    storagexml_array* array = UNTOUCHED;
    storagexml_item* item = UNTOUCHED;
    storagexml_reader* reader = UNTOUCHED;
    storagexml_writer* writer = UNTOUCHED;
    char* text = UNTOUCHED;
    double number = 0;
    int result;
    switch (row) {
#define ROW(n, message, call) \
    case n:                   \
        *expected = message;  \
        result = call;        \
        break;
        ROW(0, "storagexml_array_read_file: the argument [utf8_path] is NULL",
            storagexml_array_read_file(NULL, &array, error))
        ROW(1, "storagexml_array_read_text: the argument [text] is NULL", storagexml_array_read_text(NULL, 0, &array, error))
        ROW(2, "storagexml_array_read_text: the argument [out] is NULL", storagexml_array_read_text("<a/>", 4, NULL, error))
        ROW(3, "storagexml_array_read_callback: the argument [read] is NULL",
            storagexml_array_read_callback(NULL, NULL, &array, error))
        ROW(4, "storagexml_array_write_text: the argument [array] is NULL",
            storagexml_array_write_text(NULL, &text, NULL, error))
        ROW(5, "storagexml_array_write_text: the argument [text] is NULL",
            storagexml_array_write_text(f->array, NULL, NULL, error))
        ROW(6, "storagexml_array_write_file: the argument [utf8_path] is NULL",
            storagexml_array_write_file(f->array, NULL, error))
        ROW(7, "storagexml_array_set_client_id: the argument [text] is NULL",
            storagexml_array_set_client_id(f->array, NULL, 0, error))
        ROW(8, "storagexml_array_item: the argument [out] is NULL", storagexml_array_item(f->array, 0, NULL, error))
        ROW(9, "storagexml_array_append_item: the argument [item] is NULL",
            storagexml_array_append_item(f->array, NULL, error))
        ROW(10, "storagexml_item_key_id: the argument [item] is NULL", storagexml_item_key_id(NULL, &text, NULL, error))
        ROW(11, "storagexml_item_add_param: the argument [out] is NULL", storagexml_item_add_param(f->item, NULL, error))
        ROW(12, "storagexml_param_set_name: the argument [param] is NULL",
            storagexml_param_set_name(NULL, "n", 1, error))
        ROW(13, "storagexml_param_set_value: the argument [value] is NULL",
            storagexml_param_set_value(f->param, NULL, error))
        ROW(14, "storagexml_value_num: the argument [out] is NULL", storagexml_value_num(f->value, NULL, error))
        ROW(15, "storagexml_value_set_w: the argument [value] is NULL", storagexml_value_set_w(NULL, 1, error))
        ROW(16, "storagexml_value_set_range: the argument [range] is NULL",
            storagexml_value_set_range(f->value, NULL, error))
        ROW(17, "storagexml_range_set_rows: the argument [range] is NULL", storagexml_range_set_rows(NULL, 1, error))
        ROW(18, "storagexml_range_append_cell: the argument [cell] is NULL",
            storagexml_range_append_cell(f->range, NULL, error))
        ROW(19, "storagexml_reader_open_text: the argument [text] is NULL",
            storagexml_reader_open_text(NULL, 1, &reader, error))
        ROW(20, "storagexml_reader_next: the argument [reader] is NULL", storagexml_reader_next(NULL, &item, error))
        ROW(21, "storagexml_reader_next: the argument [item] is NULL", storagexml_reader_next(f->reader, NULL, error))
        ROW(22, "storagexml_reader_key_id: the argument [text] is NULL",
            storagexml_reader_key_id(f->reader, NULL, NULL, error))
        ROW(23, "storagexml_writer_open_callback: the argument [write] is NULL",
            storagexml_writer_open_callback(NULL, NULL, 0, &writer, error))
        ROW(24, "storagexml_writer_write_item: the argument [item] is NULL",
            storagexml_writer_write_item(f->writer, NULL, error))
        ROW(25, "storagexml_writer_close: the argument [client_id] is NULL",
            storagexml_writer_close(f->writer, NULL, 0, "k", 1, error))
        ROW(26, "storagexml_writer_open_check: the argument [out] is NULL", storagexml_writer_open_check(NULL, error))
        ROW(27, "storagexml_value_set_num: the argument [value] is NULL", storagexml_value_set_num(NULL, number, error))
#undef ROW
    default: return -1;
    }
    CHECK(array == UNTOUCHED && item == UNTOUCHED && reader == UNTOUCHED && writer == UNTOUCHED &&
          text == UNTOUCHED);
    return result;
}

static void a_null_argument_is_an_error(void) {
    fixtures f;
    const char* expected = "";
    int row, result;
    CHECK(storagexml_array_create(&f.array, NULL) == 0);
    CHECK(storagexml_array_add_item(f.array, &f.item, NULL) == 0);
    CHECK(storagexml_item_add_param(f.item, &f.param, NULL) == 0);
    CHECK(storagexml_param_value(f.param, &f.value, NULL) == 0);
    CHECK(storagexml_range_create(&f.range, NULL) == 0);
    CHECK(storagexml_reader_open_file(EXAMPLE("ranges.xml"), &f.reader, NULL) == 0);
    CHECK(storagexml_writer_open_check(&f.writer, NULL) == 0);
    for (row = 0;; ++row) {
        storagexml_error* error = NULL;
        if ((result = call_with_null(&f, row, &expected, &error)) < 0) break;
        harness_row(expected);
        CHECK(result != 0);
        CHECK_ERROR(error, STORAGEXML_ERROR_ARGUMENT, expected);
        CHECK(call_with_null(&f, row, &expected, NULL) != 0);
    }
    CHECK(row == 28);
    storagexml_writer_free(f.writer);
    storagexml_reader_free(f.reader);
    storagexml_range_free(f.range);
    storagexml_value_free(f.value);
    storagexml_param_free(f.param);
    storagexml_item_free(f.item);
    storagexml_array_free(f.array);
}

static void null_handles_where_nothing_can_fail(void) {
    CHECK(storagexml_array_item_count(NULL) == 0);
    CHECK(storagexml_item_param_count(NULL) == 0);
    CHECK(storagexml_param_is_key(NULL) == 0);
    CHECK(storagexml_value_kind(NULL) == STORAGEXML_KIND_UNSET);
    CHECK(storagexml_range_rows(NULL) == 0 && storagexml_range_columns(NULL) == 0);
    CHECK(storagexml_range_cell_count(NULL) == 0);
    CHECK(storagexml_reader_bytes_read(NULL) == 0);
    CHECK(text_equal(storagexml_error_message(NULL), "") && storagexml_error_inner(NULL) == NULL);
    CHECK(storagexml_error_line(NULL) == 0 && storagexml_error_column(NULL) == 0);
    storagexml_free(NULL);
    storagexml_error_free(NULL);
    storagexml_array_free(NULL);
    storagexml_item_free(NULL);
    storagexml_param_free(NULL);
    storagexml_value_free(NULL);
    storagexml_range_free(NULL);
    storagexml_reader_free(NULL);
    storagexml_writer_free(NULL);
}

static void failures_of_the_runtime_are_errors(void) {
    storagexml_value* value = NULL;
    storagexml_error* error = NULL;
    CHECK(storagexml_value_create(&value, NULL) == 0);
    /* More memory than there is (AddressSanitizer stops the program instead of failing an
       allocation), and a length no string can have. */
#ifndef STORAGEXML_SANITIZED
    CHECK(storagexml_value_set_str(value, "x", (size_t)1 << 50, &error) != 0);
    CHECK_ERROR(error, STORAGEXML_ERROR_OUT_OF_MEMORY, "Out of memory");
#endif
    CHECK(storagexml_value_set_str(value, "x", (size_t)-2, &error) != 0);
    CHECK(storagexml_error_get_kind(error) == STORAGEXML_ERROR_OTHER && *storagexml_error_message(error));
    storagexml_error_free(error);
    CHECK(storagexml_value_kind(value) == STORAGEXML_KIND_UNSET);
    storagexml_value_free(value);
}

static void version_and_namespace(void) {
    CHECK(text_equal(storagexml_version(), "1.0.0"));
    CHECK(text_equal(storagexml_target_namespace(), "urn:storagexml:storage"));
}

static const test_case cases[] = {
    {"a_null_argument_is_an_error", a_null_argument_is_an_error},
    {"null_handles_where_nothing_can_fail", null_handles_where_nothing_can_fail},
    {"failures_of_the_runtime_are_errors", failures_of_the_runtime_are_errors},
    {"version_and_namespace", version_and_namespace},
};
SUITE(boundary, cases);
