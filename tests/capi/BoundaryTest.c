// The boundary: a NULL where something belongs is an error naming the function and the
// argument, leaving the outputs untouched; failures of the runtime, running out of memory
// included, come back as errors; the error itself is optional.
#include "Harness.h"

static char untouched;
#define UNTOUCHED ((void*)&untouched)

static struct fixtures {
    storagexml_array* array;
    storagexml_param* param;
    storagexml_value* value;
    storagexml_reader* reader;
    storagexml_writer* writer;
} fixtures, *f = &fixtures;

// Row `row`: a call with one NULL argument, and the error it must give; -1 past the last row.
static int call_with_null(int row, const char** expected, storagexml_error** error) {
    storagexml_array* array = UNTOUCHED;
    storagexml_writer* writer = UNTOUCHED;
    char* text = UNTOUCHED;
    int result = -1;
#define ROW(n, message, call) \
    if (row == n) {           \
        *expected = message;  \
        result = call;        \
    }
    ROW(0, "storagexml_array_read_file: the argument [utf8_path] is NULL", storagexml_array_read_file(NULL, &array, error))
    ROW(1, "storagexml_array_read_text: the argument [text] is NULL", storagexml_array_read_text(NULL, 0, &array, error))
    ROW(2, "storagexml_array_read_text: the argument [out] is NULL", storagexml_array_read_text("<a/>", 4, NULL, error))
    ROW(3, "storagexml_array_write_text: the argument [array] is NULL", storagexml_array_write_text(NULL, &text, NULL, error))
    ROW(4, "storagexml_array_write_text: the argument [text] is NULL", storagexml_array_write_text(f->array, NULL, NULL, error))
    ROW(5, "storagexml_array_item: the argument [out] is NULL", storagexml_array_item(f->array, 0, NULL, error))
    ROW(6, "storagexml_array_append_item: the argument [item] is NULL", storagexml_array_append_item(f->array, NULL, error))
    ROW(7, "storagexml_param_set_value: the argument [value] is NULL", storagexml_param_set_value(f->param, NULL, error))
    ROW(8, "storagexml_value_num: the argument [out] is NULL", storagexml_value_num(f->value, NULL, error))
    ROW(9, "storagexml_range_append_cell: the argument [range] is NULL", storagexml_range_append_cell(NULL, f->value, error))
    ROW(10, "storagexml_reader_next: the argument [item] is NULL", storagexml_reader_next(f->reader, NULL, error))
    ROW(11, "storagexml_writer_open_file: the argument [utf8_path] is NULL", storagexml_writer_open_file(NULL, 0, &writer, error))
    ROW(12, "storagexml_writer_close: the argument [key_id] is NULL", storagexml_writer_close(f->writer, "c", 1, NULL, 0, error))
    ROW(13, "storagexml_item_cat_id: the argument [item] is NULL", storagexml_item_cat_id(NULL, &text, NULL, error))
    ROW(14, "storagexml_array_set_key_id: the argument [text] is NULL", storagexml_array_set_key_id(f->array, NULL, 0, error))
    ROW(15, "storagexml_reader_next_items: the argument [count] is NULL", storagexml_reader_next_items(f->reader, 1, &text, NULL, NULL, error))
    ROW(16, "storagexml_writer_write_items: the argument [text] is NULL", storagexml_writer_write_items(f->writer, NULL, 0, error))
#undef ROW
    CHECK(array == UNTOUCHED && writer == UNTOUCHED && text == UNTOUCHED);
    return result;
}

static void a_null_argument_is_an_error(void) {
    const char* expected = "";
    int row, result;
    CHECK(storagexml_array_create(&f->array, NULL) == 0 && storagexml_param_create(&f->param, NULL) == 0);
    CHECK(storagexml_value_create(&f->value, NULL) == 0 && storagexml_writer_open_check(&f->writer, NULL) == 0);
    CHECK(storagexml_reader_open_file(EXAMPLE("ranges.xml"), &f->reader, NULL) == 0);
    for (row = 0;; ++row) {
        storagexml_error* error = NULL;
        if ((result = call_with_null(row, &expected, &error)) < 0) break;
        harness_row(expected);
        CHECK(result != 0 && error_is(&error, STORAGEXML_ERROR_ARGUMENT, expected));
        CHECK(call_with_null(row, &expected, NULL) != 0);
    }
    CHECK(row == 17);
    storagexml_writer_free(f->writer);
    storagexml_reader_free(f->reader);
    storagexml_value_free(f->value);
    storagexml_param_free(f->param);
    storagexml_array_free(f->array);

    // Where nothing can fail, NULL gives 0; every free function takes NULL.
    CHECK(storagexml_array_item_count(NULL) == 0 && storagexml_item_param_count(NULL) == 0);
    CHECK(storagexml_param_is_key(NULL) == 0 && storagexml_value_kind(NULL) == STORAGEXML_KIND_UNSET);
    CHECK(storagexml_range_rows(NULL) == 0 && storagexml_range_cell_count(NULL) == 0);
    CHECK(storagexml_reader_bytes_read(NULL) == 0 && storagexml_error_inner(NULL) == NULL);
    CHECK(*storagexml_error_message(NULL) == '\0' && storagexml_error_line(NULL) == 0);
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
    // More memory than there is (AddressSanitizer stops the program instead of failing the
    // allocation), and a length no string can have.
#ifndef __SANITIZE_ADDRESS__
    CHECK(storagexml_value_set_str(value, "x", (size_t)1 << 50, &error) != 0);
    CHECK(error_is(&error, STORAGEXML_ERROR_OUT_OF_MEMORY, "Out of memory"));
#endif
    CHECK(storagexml_value_set_str(value, "x", (size_t)-2, &error) != 0);
    CHECK(storagexml_error_get_kind(error) == STORAGEXML_ERROR_OTHER && *storagexml_error_message(error));
    storagexml_error_free(error);
    CHECK(storagexml_value_kind(value) == STORAGEXML_KIND_UNSET);
    storagexml_value_free(value);
    CHECK(starts_with(storagexml_version(), "1.0.0") && starts_with(storagexml_target_namespace(), "urn:storagexml:storage"));
}

const test_case boundary[] = {
    {"a_null_argument_is_an_error", a_null_argument_is_an_error},
    {"failures_of_the_runtime_are_errors", failures_of_the_runtime_are_errors},
    {NULL, NULL},
};
