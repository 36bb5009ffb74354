// The tree: a copy made through every getter and setter writes as its source does, for every
// field and every kind of value; getters of what is not set; collections; handles that outlive
// their parents.
#include "Harness.h"

#define COPY_TEXT(get, set, from, to)                                                  \
    do {                                                                               \
        char* text_ = NULL;                                                            \
        size_t length_ = 0;                                                            \
        CHECK(get(from, &text_, &length_, NULL) == 0 && set(to, text_, length_, NULL) == 0); \
        storagexml_free(text_);                                                        \
    } while (0)

static void copy_value(storagexml_value* from, storagexml_value* to) {
    double number = 0;
    int flag = 0;
    int32_t code = 0;
    int64_t wide = 0;
    storagexml_range *range = NULL, *copy = NULL;
    storagexml_value *cell = NULL, *made = NULL;
    size_t c;
    switch (storagexml_value_kind(from)) {
    case STORAGEXML_KIND_NUM: CHECK(!storagexml_value_num(from, &number, NULL) && !storagexml_value_set_num(to, number, NULL)); break;
    case STORAGEXML_KIND_STR: COPY_TEXT(storagexml_value_str, storagexml_value_set_str, from, to); break;
    case STORAGEXML_KIND_BOOL: CHECK(!storagexml_value_bool(from, &flag, NULL) && !storagexml_value_set_bool(to, flag, NULL)); break;
    case STORAGEXML_KIND_ERR: CHECK(!storagexml_value_err(from, &code, NULL) && !storagexml_value_set_err(to, code, NULL)); break;
    case STORAGEXML_KIND_W: CHECK(!storagexml_value_w(from, &wide, NULL) && !storagexml_value_set_w(to, wide, NULL)); break;
    case STORAGEXML_KIND_RANGE:
        CHECK(!storagexml_value_range(from, &range, NULL) && !storagexml_range_create(&copy, NULL));
        CHECK(!storagexml_range_set_rows(copy, storagexml_range_rows(range), NULL) &&
              !storagexml_range_set_columns(copy, storagexml_range_columns(range), NULL));
        for (c = 0; c < storagexml_range_cell_count(range); ++c, cell = made = NULL) {
            // Cells made by the range, and made apart and appended.
            CHECK(!storagexml_range_cell(range, c, &cell, NULL));
            CHECK(c % 2 ? !storagexml_range_add_cell(copy, &made, NULL) : !storagexml_value_create_cell(&made, NULL));
            copy_value(cell, made);
            CHECK(c % 2 || !storagexml_range_append_cell(copy, made, NULL));
            storagexml_value_free(cell);
            storagexml_value_free(made);
        }
        CHECK(!storagexml_value_set_range(to, copy, NULL));
        break;
    default: CHECK(!"every value is set");
    }
    storagexml_range_free(range);
    storagexml_range_free(copy);
}

// Copies the array field by field; items, parameters and values alternately made by their
// parent and made apart.
static storagexml_array* copy_array(storagexml_array* from) {
    storagexml_array* to = NULL;
    size_t i, p;
    CHECK(!storagexml_array_create(&to, NULL));
    COPY_TEXT(storagexml_array_client_id, storagexml_array_set_client_id, from, to);
    COPY_TEXT(storagexml_array_key_id, storagexml_array_set_key_id, from, to);
    for (i = 0; i < storagexml_array_item_count(from); ++i) {
        storagexml_item *item = NULL, *made = NULL;
        CHECK(!storagexml_array_item(from, i, &item, NULL));
        CHECK(i % 2 ? !storagexml_array_add_item(to, &made, NULL) : !storagexml_item_create(&made, NULL));
        COPY_TEXT(storagexml_item_client_id, storagexml_item_set_client_id, item, made);
        COPY_TEXT(storagexml_item_cat_id, storagexml_item_set_cat_id, item, made);
        COPY_TEXT(storagexml_item_function_name, storagexml_item_set_function_name, item, made);
        COPY_TEXT(storagexml_item_key_id, storagexml_item_set_key_id, item, made);
        for (p = 0; p < storagexml_item_param_count(item); ++p) {
            storagexml_param *param = NULL, *copy = NULL;
            storagexml_value *value = NULL, *copied = NULL;
            CHECK(!storagexml_item_param(item, p, &param, NULL) && !storagexml_param_value(param, &value, NULL));
            CHECK(p % 2 ? !storagexml_item_add_param(made, &copy, NULL) : !storagexml_param_create(&copy, NULL));
            CHECK(p % 2 ? !storagexml_param_value(copy, &copied, NULL) : !storagexml_value_create(&copied, NULL));
            COPY_TEXT(storagexml_param_name, storagexml_param_set_name, param, copy);
            CHECK(!storagexml_param_set_is_key(copy, storagexml_param_is_key(param) * 3, NULL));
            copy_value(value, copied);
            CHECK(p % 2 || (!storagexml_param_set_value(copy, copied, NULL) && !storagexml_item_append_param(made, copy, NULL)));
            storagexml_value_free(copied);
            storagexml_value_free(value);
            storagexml_param_free(copy);
            storagexml_param_free(param);
        }
        CHECK(i % 2 || !storagexml_array_append_item(to, made, NULL));
        storagexml_item_free(made);
        storagexml_item_free(item);
    }
    return to;
}

static void a_copy_through_every_getter_and_setter_writes_the_same(void) {
    // Every kind, at edges a conversion could lose.
    static const char every_kind[] =
        "<StorageArray><StorageItems><ClientID>c</ClientID><CatID> a&amp;b&lt;c&gt;]]&gt;&#13;\xc3\xa9 </CatID>"
        "<FunctionName>f</FunctionName><KeyID>k</KeyID><parameters><num>-0</num><ParamName>p</ParamName>"
        "<isKey>true</isKey></parameters><parameters><Range><err>-2147483648</err><w>-9223372036854775808</w>"
        "<bBool>true</bBool><str>s</str><num>NaN</num><rows>2147483647</rows><columns>-2147483648</columns>"
        "</Range><ParamName>r</ParamName><isKey>false</isKey></parameters></StorageItems>"
        "<ClientID>ac</ClientID><KeyID>ak</KeyID></StorageArray>";
    static const char* const paths[] = {EXAMPLE("inventory.xml"), EXAMPLE("ranges.xml"), NULL};
    size_t r, length = 0, copy_length = 0;
    for (r = 0; r < 3; ++r) {
        storagexml_array *array = NULL, *copy;
        char *text = NULL, *copy_text = NULL;
        harness_row(paths[r] ? paths[r] : "every kind");
        CHECK(paths[r] ? !storagexml_array_read_file(paths[r], &array, NULL)
                       : !storagexml_array_read_text(every_kind, STORAGEXML_NUL_TERMINATED, &array, NULL));
        copy = copy_array(array);
        CHECK(!storagexml_array_write_text(array, &text, &length, NULL) &&
              !storagexml_array_write_text(copy, &copy_text, &copy_length, NULL));
        CHECK(text && copy_text && same_bytes(text, length, copy_text, copy_length));
        storagexml_free(text);
        storagexml_free(copy_text);
        storagexml_array_free(copy);
        storagexml_array_free(array);
    }
}

static void unset_alternatives(void) {
    storagexml_value *value = NULL, *cell = NULL;
    storagexml_range* range = (storagexml_range*)&value;
    storagexml_error* error = NULL;
    double number = 1;
    // Nothing set: a getter refuses with the core's error, a range is NULL.
    CHECK(!storagexml_value_create(&value, NULL) && storagexml_value_kind(value) == STORAGEXML_KIND_UNSET);
    CHECK(!storagexml_value_range(value, &range, NULL) && range == NULL && storagexml_value_num(value, &number, &error));
    CHECK(error_is(&error, STORAGEXML_ERROR_INVALID_STATE, "The Property GetNum is not valid. SetNum must be called first"));
    // Selecting a kind gives its default value; unsetting another kind changes nothing.
    CHECK(!storagexml_value_set_valid(value, STORAGEXML_KIND_NUM, 1, NULL) && !storagexml_value_num(value, &number, NULL));
    CHECK(number == 0 && !storagexml_value_set_valid(value, STORAGEXML_KIND_STR, 0, NULL));
    CHECK(!storagexml_value_set_valid(value, STORAGEXML_KIND_NUM, 0, NULL) && storagexml_value_kind(value) == STORAGEXML_KIND_UNSET);
    CHECK(!storagexml_range_create(&range, NULL) && !storagexml_value_set_range(value, range, NULL));
    CHECK(!storagexml_value_set_valid(value, STORAGEXML_KIND_W, 0, NULL) && storagexml_value_kind(value) == STORAGEXML_KIND_RANGE);
    CHECK(!storagexml_value_set_valid(value, STORAGEXML_KIND_RANGE, 0, NULL) && storagexml_value_kind(value) == STORAGEXML_KIND_UNSET);
    CHECK(storagexml_value_set_valid(value, 99, 1, &error) != 0);
    CHECK(error_is(&error, STORAGEXML_ERROR_ARGUMENT, "storagexml_value_set_valid: the kind 99 has no alternative"));
    // A range cell holds the five scalar kinds only, and a range only cells.
    CHECK(!storagexml_value_create_cell(&cell, NULL) && storagexml_value_set_range(cell, range, &error) != 0);
    CHECK(error_is(&error, STORAGEXML_ERROR_ARGUMENT, "storagexml_value_set_range: the value is a range cell"));
    CHECK(storagexml_range_append_cell(range, value, &error) != 0);
    CHECK(error_is(&error, STORAGEXML_ERROR_ARGUMENT, "storagexml_range_append_cell: the value is a parameter's value"));
    storagexml_value_free(cell);
    storagexml_range_free(range);
    storagexml_value_free(value);
}

static void collections_and_handles_that_outlive_their_parents(void) {
    storagexml_array* array = NULL;
    storagexml_item* item = NULL;
    storagexml_param* param = NULL;
    storagexml_value* value = NULL;
    storagexml_range* range = NULL;
    storagexml_error* error = NULL;
    char* text = NULL;
    size_t length = 0;
    CHECK(!storagexml_array_read_file(EXAMPLE("inventory.xml"), &array, NULL) && !storagexml_item_create(&item, NULL));
    CHECK(!storagexml_item_set_key_id(item, "made", 4, NULL) && !storagexml_array_append_item(array, item, NULL));
    storagexml_item_free(item);
    CHECK(storagexml_array_item_count(array) == 3 && !storagexml_array_remove_item(array, 0, NULL));
    CHECK(!storagexml_array_item(array, 1, &item, NULL) && !storagexml_item_key_id(item, &text, &length, NULL));
    CHECK(text_is(text, length, "made"));
    storagexml_item_free(item);
    CHECK(storagexml_array_item(array, 2, &item, &error) != 0);
    CHECK(error_is(&error, STORAGEXML_ERROR_GENERAL, "The index 2 is outside the collection [StorageItems], which holds 2"));
    CHECK(storagexml_array_remove_item(array, (size_t)1 << 40, &error) != 0);
    CHECK(error_is(&error, STORAGEXML_ERROR_ARGUMENT, "storagexml_array_remove_item: the index 1099511627776 is larger"));

    // A child's handle outlives its parent's handle and its removal from the parent.
    CHECK(!storagexml_array_item(array, 0, &item, NULL) && !storagexml_item_param(item, 2, &param, NULL));
    storagexml_array_free(array);
    CHECK(storagexml_item_param_count(item) == 5 && !storagexml_item_remove_param(item, 2, NULL));
    CHECK(!storagexml_item_clear_params(item, NULL) && storagexml_item_param_count(item) == 0);
    CHECK(storagexml_item_param(item, 0, &param, &error) != 0);
    CHECK(error_is(&error, STORAGEXML_ERROR_GENERAL, "The index 0 is outside the collection [parameters]"));
    storagexml_item_free(item);
    CHECK(!storagexml_param_value(param, &value, NULL));
    storagexml_param_free(param);
    CHECK(storagexml_value_kind(value) == STORAGEXML_KIND_NUM);
    storagexml_value_free(value);
    CHECK(!storagexml_range_create(&range, NULL) && !storagexml_range_add_cell(range, &value, NULL));
    storagexml_value_free(value);
    CHECK(!storagexml_range_add_cell(range, &value, NULL) && !storagexml_range_remove_cell(range, 0, NULL));
    CHECK(storagexml_range_remove_cell(range, 1, &error) != 0);
    CHECK(error_is(&error, STORAGEXML_ERROR_GENERAL, "The index 1 is outside the collection [arrRange_ChoiceA]"));
    CHECK(!storagexml_range_clear_cells(range, NULL) && storagexml_range_cell_count(range) == 0);
    storagexml_range_free(range);
    CHECK(!storagexml_value_set_num(value, 1, NULL) && storagexml_value_kind(value) == STORAGEXML_KIND_NUM);
    storagexml_value_free(value);
}

const test_case tree[] = {
    {"a_copy_through_every_getter_and_setter_writes_the_same", a_copy_through_every_getter_and_setter_writes_the_same},
    {"unset_alternatives", unset_alternatives},
    {"collections_and_handles_that_outlive_their_parents", collections_and_handles_that_outlive_their_parents},
    {NULL, NULL},
};
