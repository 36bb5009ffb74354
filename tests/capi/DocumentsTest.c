// Documents, whole and one item at a time: every way of reading gives the same tree or the same
// error chain, and writing gives the library's own text, to memory, a callback or a file.
#include "Harness.h"

#define VALIDATION STORAGEXML_ERROR_VALIDATION
#define GENERAL STORAGEXML_ERROR_GENERAL

static const expected_level bad_number[] = {
    {VALIDATION, 2, 1, "Failed to process the child elements in element [StorageArray]"},
    {VALIDATION, 3, 3, "Failed to process the child elements in element [StorageItems]"},
    {VALIDATION, 13, 5, "Failed to process the child elements in element [parameters]"},
    {VALIDATION, 13, 5, "Failed to process the child elements in element [parameters]"},
    {GENERAL, 14, 7, "The text [19,90] is not a valid double"},
};
static const expected_level malformed[] = {{GENERAL, 9, 32, "Malformed XML: xmlParseEntityRef: no name"}};

// Reads the document at `path`, whose bytes are given: whole from the file, the text or fed
// (a byte at a time, or in blocks), or item by item from the file, the text or fed.
static int read_way(int way, const char* path, const char* bytes, size_t size, storagexml_array** out,
                    storagexml_error** error) {
    feed source = {bytes, size, way == 2 ? 1 : 100, (size_t)-1, 0};
    storagexml_reader* reader = NULL;
    storagexml_item* item = NULL;
    char* text = NULL;
    size_t length = 0;
    int failed;
    if (way < 4) {
        return way == 0   ? storagexml_array_read_file(path, out, error)
               : way == 1 ? storagexml_array_read_text(bytes, size, out, error)
                          : storagexml_array_read_callback(feed_read, &source, out, error);
    }
    CHECK((way == 4   ? storagexml_reader_open_file(path, &reader, NULL)
           : way == 5 ? storagexml_reader_open_text(bytes, size, &reader, NULL)
                      : storagexml_reader_open_callback(feed_read, &source, &reader, NULL)) == 0);
    CHECK(storagexml_reader_key_id(reader, &text, &length, error) != 0);
    CHECK(error_is(error, STORAGEXML_ERROR_INVALID_STATE, "The array's fields follow its last item"));
    *error = NULL;
    CHECK(storagexml_array_create(out, NULL) == 0);
    while (!(failed = storagexml_reader_next(reader, &item, error)) && item) {
        CHECK(storagexml_array_append_item(*out, item, NULL) == 0);
        storagexml_item_free(item);
    }
    // A failure stays: the next call fails the same way.
    if (failed) CHECK(storagexml_reader_next(reader, &item, NULL) != 0);
    if (!failed) CHECK(storagexml_reader_client_id(reader, &text, &length, NULL) == 0 &&
                       storagexml_array_set_client_id(*out, text, length, NULL) == 0);
    storagexml_free(text);
    if (!failed) CHECK(storagexml_reader_key_id(reader, &text, &length, NULL) == 0 &&
                       storagexml_array_set_key_id(*out, text, length, NULL) == 0);
    storagexml_free(text);
    if (!failed) CHECK(storagexml_reader_bytes_read(reader) == size);
    storagexml_reader_free(reader);
    if (failed) storagexml_array_free(*out);
    if (failed) *out = NULL;
    return failed;
}

static void every_way_of_reading_agrees(void) {
    static const char* const ways[] = {"file",   "text",          "fed by the byte", "fed in blocks",
                                       "reader", "reader (text)", "reader (fed)"};
    static const struct {
        const char* path;
        const expected_level* chain;  // NULL: the document reads and writes back byte for byte
        size_t levels;
    } rows[] = {
        {EXAMPLE("inventory.xml"), NULL, 0},
        {EXAMPLE("ranges.xml"), NULL, 0},
        {EXAMPLE("bad-number-text.xml"), bad_number, sizeof bad_number / sizeof bad_number[0]},
        {EXAMPLE("bad-malformed.xml"), malformed, 1},
    };
    size_t r, size = 0, length = 0;
    int way;
    for (r = 0; r < sizeof rows / sizeof rows[0]; ++r) {
        char* bytes = harness_load(rows[r].path, &size);
        for (way = 0; CHECK(bytes) && way < 7; ++way) {
            storagexml_array* array = NULL;
            storagexml_error* error = NULL;
            char* text = NULL;
            const int failed = read_way(way, rows[r].path, bytes, size, &array, &error);
            harness_row(ways[way]);
            CHECK(failed == (rows[r].chain != NULL) && (array == NULL) == failed);
            if (failed) CHECK(chain_is(&error, rows[r].chain, rows[r].levels));
            if (!failed) CHECK(storagexml_array_write_text(array, &text, &length, NULL) == 0 && text_is(text, length, bytes));
            storagexml_array_free(array);
        }
        harness_release(bytes);
    }
}

static void failing_sources_are_named(void) {
    static const char text[] = "<StorageArray><ClientID>c</ClientID><KeyID>k</KeyID></StorageArray>";
    storagexml_array* array = NULL;
    storagexml_error* error = NULL;
    feed source = {text, sizeof text - 1, 10, 0, 0};
    CHECK(storagexml_array_read_file(SCRATCH("missing.xml"), &array, &error) != 0);
    CHECK(error_is(&error, GENERAL, "Cannot read the file [" SCRATCH("missing.xml") "]"));
    // The host's stream fails: wherever that comes, it is the cause of the chain.
    for (source.fail_at = 0; source.fail_at < sizeof text; source.fail_at += 30, source.at = 0) {
        CHECK(storagexml_array_read_callback(feed_read, &source, &array, &error) != 0);
        CHECK(cause_is(&error, "Cannot read the input stream"));
    }
    CHECK(array == NULL);
}

// What a writer handed over.
static struct sink {
    char bytes[4096];
    size_t size;
    int fail;
} to;

static int sink_write(void* context, const char* data, size_t length) {
    size_t i;
    if (context != &to || to.fail || length > sizeof to.bytes - to.size) return 1;
    for (i = 0; i < length; ++i) to.bytes[to.size + i] = data[i];
    to.size += length;
    return 0;
}

// Writes `array` to `writer`: its item, then its fields "c" and "k"; returns the first failure.
static int write_items(storagexml_writer* writer, storagexml_array* array, storagexml_error** error) {
    storagexml_item* item = NULL;
    int failed = storagexml_array_item(array, 0, &item, NULL) || storagexml_writer_write_item(writer, item, error);
    storagexml_item_free(item);
    return failed || storagexml_writer_close(writer, "c", 1, "k-not-this", 1, error);
}

// Whether the file at `path` holds `length` bytes of `text`.
static int file_is(const char* path, const char* text, size_t length) {
    size_t size = 0;
    char* file = harness_load(path, &size);
    const int same = file && same_bytes(file, size, text, length);
    harness_release(file);
    return same;
}

static void written_documents(void) {
#define ROOT "<mstns:StorageArray xmlns:xs=\"http://www.w3.org/2001/XMLSchema-instance\" " \
             "xmlns:mstns=\"urn:storagexml:storage\">"
#define ITEM "<mstns:StorageItems><mstns:ClientID/><mstns:CatID/><mstns:FunctionName/><mstns:KeyID/><mstns:parameters>" \
             "<mstns:bBool>true</mstns:bBool><mstns:ParamName/><mstns:isKey>false</mstns:isKey></mstns:parameters></mstns:StorageItems>"
#define FIELDS "<mstns:ClientID>c</mstns:ClientID><mstns:KeyID>k</mstns:KeyID></mstns:StorageArray>"
    static const char* const layouts[] = {ROOT ITEM FIELDS, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" ROOT ITEM FIELDS};
    storagexml_array* array = NULL;
    storagexml_item* item = NULL;
    storagexml_param* param = NULL;
    storagexml_value* value = NULL;
    storagexml_writer* writer = NULL;
    storagexml_error* error = NULL;
    char *text = NULL, *indented = NULL;
    size_t length = 0;
    unsigned flags;
    CHECK(!storagexml_array_create(&array, NULL) && !storagexml_array_add_item(array, &item, NULL));
    CHECK(!storagexml_item_add_param(item, &param, NULL) && !storagexml_param_value(param, &value, NULL));
    CHECK(!storagexml_value_set_bool(value, 1, NULL) && !storagexml_array_set_client_id(array, "c", STORAGEXML_NUL_TERMINATED, NULL));
    CHECK(!storagexml_array_set_key_id(array, "k-not-this", 1, NULL));
    // Compact, and with the declaration; to text, to a file, and item by item to a callback.
    for (flags = 0; flags <= STORAGEXML_WRITE_DECLARATION; flags += STORAGEXML_WRITE_DECLARATION, to.size = 0) {
        harness_row(layouts[flags / 2]);
        CHECK(!storagexml_array_write_text_options(array, flags, &text, &length, NULL) && text_is(text, length, layouts[flags / 2]));
        CHECK(!storagexml_array_write_file_options(array, SCRATCH("written.xml"), flags, NULL));
        CHECK(file_is(SCRATCH("written.xml"), layouts[flags / 2], length));
        CHECK(!storagexml_writer_open_callback(sink_write, &to, flags, &writer, NULL) && !write_items(writer, array, NULL));
        CHECK(same_bytes(to.bytes, to.size, layouts[flags / 2], length));
        storagexml_writer_free(writer);
    }
    harness_row("");
    CHECK(storagexml_array_write_text_options(array, 4, &text, &length, &error) != 0);
    CHECK(error_is(&error, STORAGEXML_ERROR_ARGUMENT, "storagexml_array_write_text_options: the flags 4 hold a bit"));
    // Indented, item by item to a file: nothing changes at the path unless the writer closes.
    CHECK(!storagexml_array_write_text(array, &indented, &length, NULL));
    CHECK(!storagexml_writer_open_file(SCRATCH("written.xml"), STORAGEXML_WRITE_DEFAULT, &writer, NULL));
    storagexml_writer_free(writer);
    CHECK(file_is(SCRATCH("written.xml"), layouts[1], text_length(layouts[1])));
    CHECK(!storagexml_writer_open_file(SCRATCH("written.xml"), STORAGEXML_WRITE_DEFAULT, &writer, NULL));
    CHECK(!write_items(writer, array, NULL) && file_is(SCRATCH("written.xml"), indented, length));
    storagexml_writer_free(writer);

    // Failures: the host's callback; an item without parameters, which leaves the file as it was
    // and stops a writer for good.
    to.fail = 1;
    CHECK(!storagexml_writer_open_callback(sink_write, &to, 0, &writer, NULL) && write_items(writer, array, &error));
    CHECK(cause_is(&error, "Cannot write the output stream"));
    storagexml_writer_free(writer);
    CHECK(!storagexml_item_clear_params(item, NULL) && storagexml_array_write_file(array, SCRATCH("written.xml"), &error));
    CHECK(cause_is(&error, "The collection [parameters] holds 0 item(s), fewer than its minimum of 1"));
    CHECK(file_is(SCRATCH("written.xml"), indented, length));
    CHECK(!storagexml_writer_open_check(&writer, NULL) && write_items(writer, array, &error));
    CHECK(cause_is(&error, "The collection [parameters]") && storagexml_writer_write_item(writer, item, NULL));
    CHECK(storagexml_writer_close(writer, "c", 1, "k", 1, &error) != 0);
    CHECK(error_is(&error, STORAGEXML_ERROR_INVALID_STATE, "The document writer failed earlier"));
    storagexml_writer_free(writer);
    storagexml_free(indented);
    storagexml_value_free(value);
    storagexml_param_free(param);
    storagexml_item_free(item);
    storagexml_array_free(array);
}

// Items in bulk: described as the reader reads them, and written back from their description
// byte for byte; a failure after some items of a batch comes with the next call; a description
// the builder cannot take is an argument error, a value or item the library refuses fails as
// the setters and the writer do.
static void items_in_bulk(void) {
    static const char* const paths[] = {EXAMPLE("inventory.xml"), EXAMPLE("ranges.xml")};
    static const char ranges[] =
        "[[\"lab-3\",\"measurements\",\"Calibration\",\"run-0042\",[[\"readings\",false,{\"Range\":[2,2,[0.5,1.25,"
        "-0.03,Infinity]]}],[\"status\",false,{\"Range\":[3,3,[\"sensor\",\"ok\",\"code\",\"T-101\",true,{\"err\":0},"
        "\"T-102\",false,{\"err\":-7}]]}],[\"epochNanos\",true,-9223372036854775808]]]]";
#define GOOD_ITEM "<StorageItems><ClientID/><CatID/><FunctionName/><KeyID/><parameters><w>1</w><ParamName/>"
    static const char second_fails[] = "<StorageArray>" GOOD_ITEM "<isKey>1</isKey></parameters></StorageItems>"
                                       GOOD_ITEM "</parameters></StorageItems></StorageArray>";
#define ONE(value) "[[\"c\",\"k\",\"f\",\"k\",[[\"p\",true," value "]]]]"
    static const struct {
        const char* description;
        storagexml_error_kind kind;  // of the outermost level; the message is the cause's
        const char* message;
    } refused[] = {
        {"[1]", STORAGEXML_ERROR_ARGUMENT, "storagexml_writer_write_items: the item description holds something else "
                                           "at byte 1 (item 0) where an item, an array belongs"},
        {"[[\"c\"", STORAGEXML_ERROR_ARGUMENT, "storagexml_writer_write_items: the item description is not JSON at byte 5"},
        {ONE("18446744073709551616"), STORAGEXML_ERROR_ARGUMENT, "storagexml_writer_write_items: the item description "
                                     "holds something else at byte 29 (item 0, parameter 0) where an integer inside the 64-bit range"},
        {ONE("{\"err\":2147483648}"), STORAGEXML_ERROR_ARGUMENT, "storagexml_writer_write_items: the item description "
                                     "holds something else at byte 36 (item 0, parameter 0) where an integer inside the 32-bit"},
        {ONE("{\"Range\":[1,1,[{\"Range\":[]}]]}"), STORAGEXML_ERROR_ARGUMENT, "storagexml_writer_write_items: the "
                                     "item description holds something else at byte 52 (item 0, parameter 0) where the key \"err\""},
        {ONE("\"\\u0001\""), STORAGEXML_ERROR_GENERAL, "The text of [str] holds the character U+0001 (byte 0), which XML cannot carry"},
        {ONE("null"), STORAGEXML_ERROR_VALIDATION, "This element is a choice, and as such must have at one (and only one) valid item"},
        {"[[\"c\",\"k\",\"f\",\"k\",[[\"p\",true]]]]", STORAGEXML_ERROR_ARGUMENT, "storagexml_writer_write_items: the "
                                     "item description holds something else at byte 29 (item 0, parameter 0) where a string (the name)"},
        {"[[\"c\",\"k\",\"f\",\"k\",[]]]", STORAGEXML_ERROR_VALIDATION, "The collection [parameters] holds 0 item(s)"},
    };
    storagexml_reader* reader = NULL;
    storagexml_writer* writer = NULL;
    storagexml_error* error = NULL;
    char *text = NULL, *client = NULL, *key = NULL;
    size_t r, size = 0, length = 0, count = 0, client_length = 0, key_length = 0;
    for (r = 0, to.size = 0, to.fail = 0; r < sizeof paths / sizeof paths[0]; ++r, to.size = 0) {
        char* bytes = harness_load(paths[r], &size);
        harness_row(paths[r]);
        CHECK(bytes && !storagexml_reader_open_text(bytes, size, &reader, NULL));
        CHECK(!storagexml_writer_open_callback(sink_write, &to, STORAGEXML_WRITE_DEFAULT, &writer, NULL));
        while (CHECK(!storagexml_reader_next_items(reader, 1, &text, &length, &count, NULL)) && count) {
            if (r == 1) CHECK(same_bytes(text, length, ranges, sizeof ranges - 1));
            CHECK(!storagexml_writer_write_items(writer, text, length, NULL));
            storagexml_free(text);
        }
        CHECK(text_is(text, length, "[]"));
        CHECK(!storagexml_reader_client_id(reader, &client, &client_length, NULL));
        CHECK(!storagexml_reader_key_id(reader, &key, &key_length, NULL));
        CHECK(!storagexml_writer_close(writer, client, client_length, key, key_length, NULL));
        CHECK(bytes && same_bytes(to.bytes, to.size, bytes, size));
        storagexml_free(client);
        storagexml_free(key);
        storagexml_writer_free(writer);
        storagexml_reader_free(reader);
        harness_release(bytes);
    }

    harness_row("the second item fails");
    CHECK(!storagexml_reader_open_text(second_fails, STORAGEXML_NUL_TERMINATED, &reader, NULL));
    CHECK(!storagexml_reader_next_items(reader, 10, &text, &length, &count, NULL) && count == 1);
    storagexml_free(text);
    CHECK(storagexml_reader_next_items(reader, 10, &text, &length, &count, &error) && count == 1);
    CHECK(cause_is(&error, "Failed to find a required element [isKey]"));
    CHECK(storagexml_reader_next_items(reader, 0, &text, &length, &count, &error));
    CHECK(error_is(&error, STORAGEXML_ERROR_ARGUMENT, "storagexml_reader_next_items: the argument [max_items] is 0"));
    storagexml_reader_free(reader);

    for (r = 0; r < sizeof refused / sizeof refused[0]; ++r) {
        harness_row(refused[r].description);
        CHECK(!storagexml_writer_open_check(&writer, NULL));
        CHECK(storagexml_writer_write_items(writer, refused[r].description, STORAGEXML_NUL_TERMINATED, &error));
        CHECK(storagexml_error_get_kind(error) == refused[r].kind && cause_is(&error, refused[r].message));
        storagexml_writer_free(writer);
    }
}

const test_case documents[] = {
    {"every_way_of_reading_agrees", every_way_of_reading_agrees},
    {"failing_sources_are_named", failing_sources_are_named},
    {"written_documents", written_documents},
    {"items_in_bulk", items_in_bulk},
    {NULL, NULL},
};
