/* One item at a time: the reader gives what a whole read gives, from every source, and the
   writer writes what a whole write writes, to a host's callback or to a file, all or nothing. */
#include "Harness.h"

/* What a writer handed to the host, up to a size no test document reaches. */
typedef struct sink {
    char bytes[16384];
    size_t size;
    int fail;
} sink;

static int sink_write(void* context, const char* data, size_t length) {
    sink* to = (sink*)context;
    size_t i;
    if (to->fail || length > sizeof to->bytes - to->size) return 1;
    for (i = 0; i < length; ++i) to->bytes[to->size + i] = data[i];
    to->size += length;
    return 0;
}

/* A document handed over whole, in pieces of at most 100 bytes. */
typedef struct source {
    const char* bytes;
    size_t size;
    size_t at;
} source;

static int source_read(void* context, char* buffer, size_t capacity, size_t* length) {
    source* from = (source*)context;
    size_t n = from->size - from->at, i;
    if (n > 100) n = 100;
    if (n > capacity) n = capacity;
    for (i = 0; i < n; ++i) buffer[i] = from->bytes[from->at + i];
    from->at += n;
    *length = n;
    return 0;
}

/* Reads every item and the array's fields into a new array, as a whole read would have them. */
static storagexml_array* read_through(storagexml_reader* reader) {
    storagexml_array* array = NULL;
    storagexml_item* item = NULL;
    storagexml_error* error = NULL;
    char* text = NULL;
    size_t length = 0;
    CHECK(storagexml_reader_client_id(reader, &text, &length, &error) != 0);
    CHECK_ERROR(error, STORAGEXML_ERROR_INVALID_STATE, "The array's fields follow its last item: read every item first");
    CHECK(storagexml_array_create(&array, NULL) == 0);
    while (CHECK(storagexml_reader_next(reader, &item, NULL) == 0) && item) {
        CHECK(storagexml_array_append_item(array, item, NULL) == 0);
        storagexml_item_free(item);
    }
    CHECK(storagexml_reader_client_id(reader, &text, &length, NULL) == 0);
    CHECK(storagexml_array_set_client_id(array, text, length, NULL) == 0);
    storagexml_free(text);
    CHECK(storagexml_reader_key_id(reader, &text, &length, NULL) == 0);
    CHECK(storagexml_array_set_key_id(array, text, length, NULL) == 0);
    storagexml_free(text);
    return array;
}

static void the_reader_reads_every_source_as_a_whole_read(void) {
    static const char* const paths[] = {EXAMPLE("inventory.xml"), EXAMPLE("ranges.xml")};
    static const char* const ways[] = {"file", "text", "callback"};
    size_t p, way;
    for (p = 0; p < sizeof paths / sizeof paths[0]; ++p) {
        size_t size = 0;
        char* bytes = harness_load(paths[p], &size);
        for (way = 0; bytes && way < 3; ++way) {
            storagexml_reader* reader = NULL;
            storagexml_array* array;
            source from;
            char* text = NULL;
            size_t length = 0;
            int opened;
            from.bytes = bytes;
            from.size = size;
            from.at = 0;
            harness_row(ways[way]);
            opened = way == 0   ? storagexml_reader_open_file(paths[p], &reader, NULL)
                     : way == 1 ? storagexml_reader_open_text(bytes, size, &reader, NULL)
                                : storagexml_reader_open_callback(source_read, &from, &reader, NULL);
            if (!CHECK(opened == 0)) continue;
            array = read_through(reader);
            CHECK(storagexml_reader_bytes_read(reader) == size);
            CHECK(storagexml_array_write_text(array, &text, &length, NULL) == 0);
            CHECK(text && bytes_equal(text, length, bytes, size));
            storagexml_free(text);
            storagexml_array_free(array);
            storagexml_reader_free(reader);
        }
        harness_release(bytes);
    }
}

static void a_reader_failure_stays(void) {
    static const expected_level missing_is_key[] = {
        {STORAGEXML_ERROR_VALIDATION, 2, 1, "Failed to process the child elements in element [StorageArray]"},
        {STORAGEXML_ERROR_VALIDATION, 3, 3, "Failed to process the child elements in element [StorageItems]"},
        {STORAGEXML_ERROR_VALIDATION, 13, 5, "Failed to process the child elements in element [parameters]"},
        {STORAGEXML_ERROR_VALIDATION, 13, 5, "Failed to find a required element [isKey]"},
    };
    storagexml_reader* reader = NULL;
    storagexml_item* item = (storagexml_item*)&reader;
    storagexml_error* error = NULL;
    int attempt;
    CHECK(storagexml_reader_open_file(EXAMPLE("bad-missing-iskey.xml"), &reader, NULL) == 0);
    for (attempt = 0; attempt < 2; ++attempt) {
        CHECK(storagexml_reader_next(reader, &item, &error) != 0);
        CHECK_CHAIN(error, missing_is_key);
    }
    CHECK(item == (storagexml_item*)&reader);
    storagexml_reader_free(reader);
    CHECK(storagexml_reader_open_file(SCRATCH("missing.xml"), &reader, &error) != 0);
    CHECK_ERROR(error, STORAGEXML_ERROR_GENERAL, "Cannot read the file [");
}

/* Writes the items of `array` with `writer` and closes it with the array's fields. */
static int write_items(storagexml_writer* writer, storagexml_array* array, storagexml_error** error) {
    size_t i;
    int failed = 0;
    for (i = 0; !failed && i < storagexml_array_item_count(array); ++i) {
        storagexml_item* item = NULL;
        CHECK(storagexml_array_item(array, i, &item, NULL) == 0);
        failed = storagexml_writer_write_item(writer, item, error);
        storagexml_item_free(item);
    }
    return failed ? failed : storagexml_writer_close(writer, "lab-3", 5, "calibration-2024", 16, error);
}

static void the_writer_writes_what_a_whole_write_writes(void) {
    static const unsigned layouts[] = {STORAGEXML_WRITE_DEFAULT, 0};
    static sink to;
    storagexml_array* array = read_example(EXAMPLE("ranges.xml"));
    storagexml_writer* writer = NULL;
    char *whole = NULL, *file = NULL;
    size_t l, length = 0, size = 0;
    for (l = 0; l < 2; ++l) {
        to.size = 0;
        to.fail = 0;
        CHECK(storagexml_writer_open_callback(sink_write, &to, layouts[l], &writer, NULL) == 0);
        CHECK(write_items(writer, array, NULL) == 0);
        storagexml_writer_free(writer);
        CHECK(storagexml_array_write_text_options(array, layouts[l], &whole, &length, NULL) == 0);
        CHECK(whole && bytes_equal(to.bytes, to.size, whole, length));
        storagexml_free(whole);
    }

    /* To a file: nothing is there until the writer is closed, nor after a writer freed open. */
    harness_remove(SCRATCH("streamed.xml"));
    CHECK(storagexml_writer_open_file(SCRATCH("streamed.xml"), STORAGEXML_WRITE_DEFAULT, &writer, NULL) == 0);
    storagexml_writer_free(writer);
    CHECK(harness_load(SCRATCH("streamed.xml"), &size) == NULL);
    CHECK(storagexml_writer_open_file(SCRATCH("streamed.xml"), STORAGEXML_WRITE_DEFAULT, &writer, NULL) == 0);
    CHECK(write_items(writer, array, NULL) == 0);
    storagexml_writer_free(writer);
    file = harness_load(SCRATCH("streamed.xml"), &size);
    whole = harness_load(EXAMPLE("ranges.xml"), &length);
    CHECK(file && whole && bytes_equal(file, size, whole, length));
    harness_release(file);
    harness_release(whole);
    storagexml_array_free(array);
}

static void writer_failures(void) {
    static const expected_level no_parameters[] = {
        {STORAGEXML_ERROR_VALIDATION, 0, 0, "Failed to convert the element [StorageArray] to XML"},
        {STORAGEXML_ERROR_VALIDATION, 0, 0, "Failed to convert the element [StorageItems] to XML"},
        {STORAGEXML_ERROR_GENERAL, 0, 0, "The collection [parameters] holds 0 item(s), fewer than its minimum of 1"},
    };
    static sink to;
    storagexml_array* array = read_example(EXAMPLE("ranges.xml"));
    storagexml_writer* writer = NULL;
    storagexml_item* item = NULL;
    storagexml_error* error = NULL;
    const storagexml_error* cause;

    /* The host's callback fails: so does the writer, at the latest when it closes. */
    to.size = 0;
    to.fail = 1;
    CHECK(storagexml_writer_open_callback(sink_write, &to, 0, &writer, NULL) == 0);
    CHECK(write_items(writer, array, &error) != 0);
    for (cause = error; storagexml_error_inner(cause);) cause = storagexml_error_inner(cause);
    CHECK(text_equal(storagexml_error_message(cause), "Cannot write the output stream"));
    storagexml_error_free(error);
    storagexml_writer_free(writer);

    /* A checking writer refuses an item without parameters, and then everything. */
    CHECK(storagexml_writer_open_check(&writer, NULL) == 0);
    CHECK(storagexml_array_add_item(array, &item, NULL) == 0);
    CHECK(write_items(writer, array, &error) != 0);
    CHECK_CHAIN(error, no_parameters);
    CHECK(storagexml_writer_write_item(writer, item, &error) != 0);
    CHECK_ERROR(error, STORAGEXML_ERROR_INVALID_STATE, "The document writer failed earlier");
    storagexml_writer_free(writer);
    storagexml_item_free(item);
    storagexml_array_free(array);
}

static const test_case cases[] = {
    {"the_reader_reads_every_source_as_a_whole_read", the_reader_reads_every_source_as_a_whole_read},
    {"a_reader_failure_stays", a_reader_failure_stays},
    {"the_writer_writes_what_a_whole_write_writes", the_writer_writes_what_a_whole_write_writes},
    {"writer_failures", writer_failures},
};
SUITE(streaming, cases);
