/* A C host of the installed C interface: reads a document, walks it, writes it back, and
   receives the whole failure chain of a broken one. Valid C99 and C++ alike. */
#include <storagexml.h>

#include <stdio.h>
#include <string.h>

static const char document[] =
    "<StorageArray><StorageItems><ClientID>c</ClientID><CatID>x</CatID><FunctionName>f</FunctionName>"
    "<KeyID>k</KeyID><parameters><num>2.5</num><ParamName>price</ParamName><isKey>false</isKey></parameters>"
    "</StorageItems><ClientID>c</ClientID><KeyID>k</KeyID></StorageArray>";

static int fail(const char* what) {
    fprintf(stderr, "c_consumer: %s\n", what);
    return 1;
}

static int run(void) {
    storagexml_array *array = NULL, *again = NULL;
    storagexml_error* error = NULL;
    const storagexml_error* level;
    char *text = NULL, *text_again = NULL;
    size_t length = 0, length_again = 0, levels = 0;
    int same;

    if (strcmp(storagexml_version(), "1.0.0") != 0) return fail("wrong version");
    if (storagexml_array_read_text(document, strlen(document), &array, &error) != 0) {
        fail(storagexml_error_message(error));
        storagexml_error_free(error);
        return 1;
    }
    if (storagexml_array_item_count(array) != 1) return fail("the item was not read");
    if (storagexml_array_write_text(array, &text, &length, NULL) != 0 ||
        storagexml_array_read_text(text, length, &again, NULL) != 0 ||
        storagexml_array_write_text(again, &text_again, &length_again, NULL) != 0) {
        return fail("the document did not write and read back");
    }
    same = length == length_again && memcmp(text, text_again, length) == 0 && text[length] == '\0';
    storagexml_free(text);
    storagexml_free(text_again);
    storagexml_array_free(again);
    storagexml_array_free(array);
    if (!same) return fail("the document did not read back equal");

    array = NULL;
    if (storagexml_array_read_text("<StorageArray><ClientID/></StorageArray>", STORAGEXML_NUL_TERMINATED, &array,
                                   &error) == 0 || array != NULL) {
        return fail("a document without KeyID was accepted");
    }
    for (level = error; storagexml_error_inner(level); level = storagexml_error_inner(level)) ++levels;
    same = levels == 1 && strcmp(storagexml_error_message(level), "Failed to find a required element [KeyID]") == 0 &&
           storagexml_error_line(error) == 1 && storagexml_error_column(error) == 1;
    storagexml_error_free(error);
    return same ? 0 : fail("the failure chain lost a level, a text or a position");
}

int main(void) {
    const int result = run();
    if (result == 0 && storagexml_live_object_count() != 0) return fail("objects leaked");
    return result;
}
