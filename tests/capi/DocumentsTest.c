/* Whole documents: every way of reading gives the same tree or the same error chain, and
   writing gives the library's own text, to memory or to a file, all or nothing. */
#include "Harness.h"

/* A document handed to the library `chunk` bytes at a time; reading fails at `fail_at`. */
typedef struct feed {
    const char* bytes;
    size_t size;
    size_t at;
    size_t chunk;
    size_t fail_at;
} feed;

static int feed_read(void* context, char* buffer, size_t capacity, size_t* length) {
    feed* source = (feed*)context;
    size_t n = source->size - source->at, i;
    if (source->at >= source->fail_at) return 1;
    if (n > source->chunk) n = source->chunk;
    if (n > capacity) n = capacity;
    for (i = 0; i < n; ++i) buffer[i] = source->bytes[source->at + i];
    source->at += n;
    *length = n;
    return 0;
}

/* The ways to read a document: the library reads the file, or is given its text, or is fed it. */
enum { WAY_FILE, WAY_TEXT, WAY_ONE_BYTE, WAY_BLOCKS, WAYS };
static const char* const way_names[WAYS] = {"file", "text", "fed a byte at a time", "fed in blocks"};

static int read_way(int way, const char* path, const char* bytes, size_t size, storagexml_array** out,
                    storagexml_error** error) {
    feed source;
    source.bytes = bytes;
    source.size = size;
    source.at = 0;
    source.chunk = way == WAY_ONE_BYTE ? 1 : 4096;
    source.fail_at = (size_t)-1;
    switch (way) {
    case WAY_FILE: return storagexml_array_read_file(path, out, error);
    case WAY_TEXT: return storagexml_array_read_text(bytes, size, out, error);
    default: return storagexml_array_read_callback(feed_read, &source, out, error);
    }
}

static void read_examples_back_byte_identical(void) {
    static const char* const paths[] = {EXAMPLE("inventory.xml"), EXAMPLE("ranges.xml")};
    size_t p;
    int way;
    for (p = 0; p < sizeof paths / sizeof paths[0]; ++p) {
        size_t size = 0;
        char* bytes = harness_load(paths[p], &size);
        CHECK(bytes != NULL);
        for (way = 0; bytes && way < WAYS; ++way) {
            storagexml_array* array = NULL;
            char* text = NULL;
            size_t length = 0;
            harness_row(way_names[way]);
            if (CHECK(read_way(way, paths[p], bytes, size, &array, NULL) == 0) &&
                CHECK(storagexml_array_write_text(array, &text, &length, NULL) == 0)) {
                CHECK(bytes_equal(text, length, bytes, size));
                CHECK(text[length] == '\0');
            }
            storagexml_free(text);
            storagexml_array_free(array);
        }
        harness_release(bytes);
    }
}

#define VALIDATION STORAGEXML_ERROR_VALIDATION
#define GENERAL STORAGEXML_ERROR_GENERAL

static const expected_level missing_is_key[] = {
    {VALIDATION, 2, 1, "Failed to process the child elements in element [StorageArray]"},
    {VALIDATION, 3, 3, "Failed to process the child elements in element [StorageItems]"},
    {VALIDATION, 13, 5, "Failed to process the child elements in element [parameters]"},
    {VALIDATION, 13, 5, "Failed to find a required element [isKey]"},
};
static const expected_level bad_number[] = {
    {VALIDATION, 2, 1, "Failed to process the child elements in element [StorageArray]"},
    {VALIDATION, 3, 3, "Failed to process the child elements in element [StorageItems]"},
    {VALIDATION, 13, 5, "Failed to process the child elements in element [parameters]"},
    {VALIDATION, 13, 5, "Failed to process the child elements in element [parameters]"},
    {GENERAL, 14, 7, "The text [19,90] is not a valid double"},
};
static const expected_level malformed[] = {
    {GENERAL, 9, 32, "Malformed XML: not well-formed (invalid token) at line 9, column 32"},
};
static const expected_level doctype[] = {
    {GENERAL, 2, 24, "DOCTYPE is not allowed at line 2, column 24"},
};

static void broken_documents_give_the_whole_chain(void) {
    static const struct {
        const char* path;
        const expected_level* levels;
        size_t count;
    } rows[] = {
        {EXAMPLE("bad-missing-iskey.xml"), missing_is_key, sizeof missing_is_key / sizeof missing_is_key[0]},
        {EXAMPLE("bad-number-text.xml"), bad_number, sizeof bad_number / sizeof bad_number[0]},
        {EXAMPLE("bad-malformed.xml"), malformed, 1},
        {EXAMPLE("bad-doctype.xml"), doctype, 1},
    };
    size_t r;
    int way;
    for (r = 0; r < sizeof rows / sizeof rows[0]; ++r) {
        size_t size = 0;
        char* bytes = harness_load(rows[r].path, &size);
        for (way = 0; bytes && way < WAYS; ++way) {
            storagexml_array* array = (storagexml_array*)&size; /* must stay as it is */
            storagexml_error* error = NULL;
            harness_row(way_names[way]);
            CHECK(read_way(way, rows[r].path, bytes, size, &array, &error) != 0);
            CHECK(array == (storagexml_array*)&size);
            check_chain(error, rows[r].levels, rows[r].count, __FILE__, __LINE__);
        }
        harness_release(bytes);
    }
}

static void unreadable_sources_are_named(void) {
    static const char text[] = "<StorageArray><ClientID>c</ClientID><KeyID>k</KeyID></StorageArray>";
    storagexml_array* array = NULL;
    storagexml_error* error = NULL;
    feed source;
    CHECK(storagexml_array_read_file(SCRATCH("missing.xml"), &array, &error) != 0);
    CHECK_ERROR(error, GENERAL, "Cannot read the file [" SCRATCH("missing.xml") "]");

    /* A failure of the host's stream, wherever it comes, is the cause of the chain. */
    for (source.fail_at = 0; source.fail_at < sizeof text; source.fail_at += 20) {
        const storagexml_error* cause;
        source.bytes = text;
        source.size = sizeof text - 1;
        source.at = 0;
        source.chunk = 10;
        error = NULL;
        CHECK(storagexml_array_read_callback(feed_read, &source, &array, &error) != 0);
        for (cause = error; storagexml_error_inner(cause);) cause = storagexml_error_inner(cause);
        CHECK(text_equal(storagexml_error_message(cause), "Cannot read the input stream"));
        storagexml_error_free(error);
    }
    CHECK(array == NULL);
}

static storagexml_array* small_array(void) {
    storagexml_array* array = NULL;
    CHECK(storagexml_array_create(&array, NULL) == 0);
    CHECK(storagexml_array_set_client_id(array, "c", STORAGEXML_NUL_TERMINATED, NULL) == 0);
    CHECK(storagexml_array_set_key_id(array, "k-ignored", 1, NULL) == 0);
    return array;
}

static void write_options_lay_the_document_out(void) {
#define ROOT "mstns:StorageArray xmlns:xs=\"http://www.w3.org/2001/XMLSchema-instance\" " \
             "xmlns:mstns=\"urn:storagexml:storage\""
#define DECLARATION "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
#define FIELDS "<mstns:ClientID>c</mstns:ClientID><mstns:KeyID>k</mstns:KeyID>"
#define INDENTED "\n  <mstns:ClientID>c</mstns:ClientID>\n  <mstns:KeyID>k</mstns:KeyID>\n"
    static const struct {
        unsigned flags;
        const char* text;
    } rows[] = {
        {0, "<" ROOT ">" FIELDS "</mstns:StorageArray>"},
        {STORAGEXML_WRITE_DECLARATION, DECLARATION "<" ROOT ">" FIELDS "</mstns:StorageArray>"},
        {STORAGEXML_WRITE_INDENT, "<" ROOT ">" INDENTED "</mstns:StorageArray>\n"},
        {STORAGEXML_WRITE_DEFAULT, DECLARATION "\n<" ROOT ">" INDENTED "</mstns:StorageArray>\n"},
    };
    storagexml_array* array = small_array();
    storagexml_error* error = NULL;
    char* text = NULL;
    size_t r, length = 0;
    for (r = 0; r < sizeof rows / sizeof rows[0]; ++r) {
        char* file;
        size_t size = 0;
        CHECK(storagexml_array_write_text_options(array, rows[r].flags, &text, &length, NULL) == 0);
        CHECK_TEXT(text, length, rows[r].text);
        CHECK(storagexml_array_write_file_options(array, SCRATCH("layout.xml"), rows[r].flags, NULL) == 0);
        file = harness_load(SCRATCH("layout.xml"), &size);
        CHECK(file && bytes_equal(file, size, rows[r].text, text_length(rows[r].text)));
        harness_release(file);
    }
    text = NULL;
    CHECK(storagexml_array_write_text_options(array, 4, &text, &length, &error) != 0);
    CHECK_ERROR(error, STORAGEXML_ERROR_ARGUMENT,
                "storagexml_array_write_text_options: the flags 4 hold a bit that is no write flag");
    CHECK(text == NULL);
    storagexml_array_free(array);
}

static void a_failed_file_write_changes_nothing(void) {
    static const expected_level no_parameters[] = {
        {VALIDATION, 0, 0, "Failed to convert the element [StorageArray] to XML"},
        {VALIDATION, 0, 0, "Failed to convert the element [StorageItems] to XML"},
        {GENERAL, 0, 0, "The collection [parameters] holds 0 item(s), fewer than its minimum of 1"},
    };
    storagexml_array* array = small_array();
    storagexml_item* item = NULL;
    storagexml_error* error = NULL;
    char *before, *after;
    size_t before_size = 0, after_size = 0;
    harness_remove(SCRATCH("kept.xml"));
    CHECK(storagexml_array_write_file(array, SCRATCH("kept.xml"), NULL) == 0);
    before = harness_load(SCRATCH("kept.xml"), &before_size);
    CHECK(before != NULL);

    CHECK(storagexml_array_add_item(array, &item, NULL) == 0);
    CHECK(storagexml_array_write_file(array, SCRATCH("kept.xml"), &error) != 0);
    CHECK_CHAIN(error, no_parameters);
    after = harness_load(SCRATCH("kept.xml"), &after_size);
    CHECK(after && before && bytes_equal(after, after_size, before, before_size));

    CHECK(storagexml_array_write_file(array, SCRATCH("no-such-folder/out.xml"), &error) != 0);
    storagexml_error_free(error);
    harness_release(before);
    harness_release(after);
    storagexml_item_free(item);
    storagexml_array_free(array);
}

static const test_case cases[] = {
    {"read_examples_back_byte_identical", read_examples_back_byte_identical},
    {"broken_documents_give_the_whole_chain", broken_documents_give_the_whole_chain},
    {"unreadable_sources_are_named", unreadable_sources_are_named},
    {"write_options_lay_the_document_out", write_options_lay_the_document_out},
    {"a_failed_file_write_changes_nothing", a_failed_file_write_changes_nothing},
};
SUITE(documents, cases);
