/* The tree: every kind of value in a parameter and in a range cell, through a write and a
   read back; the getters of alternatives that are not set; the collections; and handles that
   outlive their parents. */
#include "Harness.h"

typedef union bits {
    double number;
    uint64_t pattern;
} bits;

/* One value of each kind, at the edges the format must carry. */
typedef struct value_row {
    const char* name;
    storagexml_kind kind;
    uint64_t number_bits; /* num */
    const char* text;     /* str */
    int flag;             /* bBool */
    int32_t code;         /* err */
    int64_t wide;         /* w */
} value_row;

static const value_row values[] = {
    {"num 2.5", STORAGEXML_KIND_NUM, 0x4004000000000000u, NULL, 0, 0, 0},
    {"num -0", STORAGEXML_KIND_NUM, 0x8000000000000000u, NULL, 0, 0, 0},
    {"num NaN", STORAGEXML_KIND_NUM, 0x7ff8000000000000u, NULL, 0, 0, 0},
    {"num -INF", STORAGEXML_KIND_NUM, 0xfff0000000000000u, NULL, 0, 0, 0},
    {"num 1e300", STORAGEXML_KIND_NUM, 0x7e37e43c8800759cu, NULL, 0, 0, 0},
    {"str", STORAGEXML_KIND_STR, 0, "  a&b<c>]]>\r\n\t\xc3\xa9\xe2\x82\xac ", 0, 0, 0},
    {"str empty", STORAGEXML_KIND_STR, 0, "", 0, 0, 0},
    {"bBool true", STORAGEXML_KIND_BOOL, 0, NULL, 1, 0, 0},
    {"bBool false", STORAGEXML_KIND_BOOL, 0, NULL, 0, 0, 0},
    {"err min", STORAGEXML_KIND_ERR, 0, NULL, 0, INT32_MIN, 0},
    {"err max", STORAGEXML_KIND_ERR, 0, NULL, 0, INT32_MAX, 0},
    {"w min", STORAGEXML_KIND_W, 0, NULL, 0, 0, INT64_MIN},
    {"w max", STORAGEXML_KIND_W, 0, NULL, 0, 0, INT64_MAX},
};
#define VALUE_COUNT (sizeof values / sizeof values[0])

static void set_value(storagexml_value* value, const value_row* row) {
    bits b;
    b.pattern = row->number_bits;
    switch (row->kind) {
    case STORAGEXML_KIND_NUM: CHECK(storagexml_value_set_num(value, b.number, NULL) == 0); break;
    case STORAGEXML_KIND_STR: CHECK(storagexml_value_set_str(value, row->text, text_length(row->text), NULL) == 0); break;
    case STORAGEXML_KIND_BOOL: CHECK(storagexml_value_set_bool(value, row->flag ? 7 : 0, NULL) == 0); break;
    case STORAGEXML_KIND_ERR: CHECK(storagexml_value_set_err(value, row->code, NULL) == 0); break;
    default: CHECK(storagexml_value_set_w(value, row->wide, NULL) == 0); break;
    }
}

static void check_value(const storagexml_value* value, const value_row* row) {
    bits b;
    int flag = -1;
    int32_t code = 0;
    int64_t wide = 0;
    char* text = NULL;
    size_t length = 0;
    harness_row(row->name);
    CHECK(storagexml_value_kind(value) == row->kind);
    switch (row->kind) {
    case STORAGEXML_KIND_NUM:
        CHECK(storagexml_value_num(value, &b.number, NULL) == 0);
        /* Any NaN reads back as a NaN; everything else bit for bit. */
        CHECK(b.pattern == row->number_bits || (row->number_bits == 0x7ff8000000000000u && b.number != b.number));
        break;
    case STORAGEXML_KIND_STR:
        CHECK(storagexml_value_str(value, &text, &length, NULL) == 0);
        CHECK_TEXT(text, length, row->text);
        break;
    case STORAGEXML_KIND_BOOL: CHECK(storagexml_value_bool(value, &flag, NULL) == 0 && flag == row->flag); break;
    case STORAGEXML_KIND_ERR: CHECK(storagexml_value_err(value, &code, NULL) == 0 && code == row->code); break;
    default: CHECK(storagexml_value_w(value, &wide, NULL) == 0 && wide == row->wide); break;
    }
}

/* An array of one item: a parameter per value, then a parameter holding a range of every value. */
static storagexml_array* array_of_every_value(void) {
    storagexml_array* array = NULL;
    storagexml_item* item = NULL;
    storagexml_param* param = NULL;
    storagexml_value* value = NULL;
    storagexml_range* range = NULL;
    size_t v;
    CHECK(storagexml_array_create(&array, NULL) == 0);
    CHECK(storagexml_array_add_item(array, &item, NULL) == 0);
    for (v = 0; v <= VALUE_COUNT; ++v) {
        CHECK(storagexml_item_add_param(item, &param, NULL) == 0);
        CHECK(storagexml_param_set_name(param, values[v % VALUE_COUNT].name, STORAGEXML_NUL_TERMINATED, NULL) == 0);
        CHECK(storagexml_param_value(param, &value, NULL) == 0);
        if (v < VALUE_COUNT) set_value(value, &values[v]);
        storagexml_param_free(param);
        if (v < VALUE_COUNT) storagexml_value_free(value);
    }
    CHECK(storagexml_range_create(&range, NULL) == 0);
    CHECK(storagexml_range_set_rows(range, INT32_MIN, NULL) == 0);
    CHECK(storagexml_range_set_columns(range, INT32_MAX, NULL) == 0);
    for (v = 0; v < VALUE_COUNT; ++v) {
        storagexml_value* cell = NULL;
        CHECK(storagexml_range_add_cell(range, &cell, NULL) == 0);
        set_value(cell, &values[v]);
        storagexml_value_free(cell);
    }
    CHECK(storagexml_value_set_range(value, range, NULL) == 0);
    storagexml_range_free(range);
    storagexml_value_free(value);
    storagexml_item_free(item);
    return array;
}

static void every_value_survives_a_write_and_a_read(void) {
    storagexml_array* built = array_of_every_value();
    storagexml_array* read = NULL;
    storagexml_item* item = NULL;
    storagexml_range* range = NULL;
    char *text = NULL, *again = NULL;
    size_t length = 0, again_length = 0, v;
    CHECK(storagexml_array_write_text(built, &text, &length, NULL) == 0);
    CHECK(text && storagexml_array_read_text(text, length, &read, NULL) == 0);
    CHECK(storagexml_array_write_text(read, &again, &again_length, NULL) == 0);
    CHECK(again && bytes_equal(text, length, again, again_length));
    CHECK(storagexml_array_item(read, 0, &item, NULL) == 0);
    CHECK(storagexml_item_param_count(item) == VALUE_COUNT + 1);
    for (v = 0; v <= VALUE_COUNT; ++v) {
        storagexml_param* param = NULL;
        storagexml_value* value = NULL;
        CHECK(storagexml_item_param(item, v, &param, NULL) == 0);
        CHECK(storagexml_param_value(param, &value, NULL) == 0);
        if (v < VALUE_COUNT) {
            check_value(value, &values[v]);
        } else {
            CHECK(storagexml_value_kind(value) == STORAGEXML_KIND_RANGE);
            CHECK(storagexml_value_range(value, &range, NULL) == 0);
        }
        storagexml_value_free(value);
        storagexml_param_free(param);
    }
    CHECK(storagexml_range_rows(range) == INT32_MIN && storagexml_range_columns(range) == INT32_MAX);
    CHECK(storagexml_range_cell_count(range) == VALUE_COUNT);
    for (v = 0; v < VALUE_COUNT; ++v) {
        storagexml_value* cell = NULL;
        CHECK(storagexml_range_cell(range, v, &cell, NULL) == 0);
        check_value(cell, &values[v]);
        storagexml_value_free(cell);
    }
    storagexml_free(text);
    storagexml_free(again);
    storagexml_range_free(range);
    storagexml_item_free(item);
    storagexml_array_free(read);
    storagexml_array_free(built);
}

static void getters_of_an_unset_alternative_refuse(void) {
    static const struct {
        const char* property;
        const char* message;
    } rows[] = {
        {"Num", "The Property GetNum is not valid. SetNum must be called first"},
        {"Str", "The Property GetStr is not valid. SetStr must be called first"},
        {"BBool", "The Property GetBBool is not valid. SetBBool must be called first"},
        {"Err", "The Property GetErr is not valid. SetErr must be called first"},
        {"W", "The Property GetW is not valid. SetW must be called first"},
    };
    storagexml_value* value = NULL;
    storagexml_range* range = (storagexml_range*)&value;
    size_t r;
    CHECK(storagexml_value_create(&value, NULL) == 0);
    CHECK(storagexml_value_kind(value) == STORAGEXML_KIND_UNSET);
    CHECK(storagexml_value_range(value, &range, NULL) == 0 && range == NULL);
    for (r = 0; r < sizeof rows / sizeof rows[0]; ++r) {
        storagexml_error* error = NULL;
        double number = 0;
        char* text = NULL;
        int flag = 0;
        int32_t code = 0;
        int64_t wide = 0;
        harness_row(rows[r].property);
        /* Holding another kind than the one asked for, each getter refuses. */
        if (r == 0) CHECK(storagexml_value_set_w(value, 1, NULL) == 0);
        if (r != 0) CHECK(storagexml_value_set_num(value, 1, NULL) == 0);
        switch (r) {
        case 0: CHECK(storagexml_value_num(value, &number, &error) != 0); break;
        case 1: CHECK(storagexml_value_str(value, &text, NULL, &error) != 0 && text == NULL); break;
        case 2: CHECK(storagexml_value_bool(value, &flag, &error) != 0); break;
        case 3: CHECK(storagexml_value_err(value, &code, &error) != 0); break;
        default: CHECK(storagexml_value_w(value, &wide, &error) != 0); break;
        }
        CHECK_ERROR(error, STORAGEXML_ERROR_INVALID_STATE, rows[r].message);
    }
    storagexml_value_free(value);
}

static void set_valid_selects_and_unsets(void) {
    storagexml_value *value = NULL, *cell = NULL;
    storagexml_range* range = NULL;
    storagexml_error* error = NULL;
    double number = 1;
    CHECK(storagexml_value_create(&value, NULL) == 0);
    CHECK(storagexml_value_set_valid(value, STORAGEXML_KIND_NUM, 1, NULL) == 0);
    CHECK(storagexml_value_num(value, &number, NULL) == 0 && number == 0);
    CHECK(storagexml_value_set_valid(value, STORAGEXML_KIND_STR, 0, NULL) == 0);
    CHECK(storagexml_value_kind(value) == STORAGEXML_KIND_NUM);
    CHECK(storagexml_value_set_valid(value, STORAGEXML_KIND_NUM, 0, NULL) == 0);
    CHECK(storagexml_value_kind(value) == STORAGEXML_KIND_UNSET);

    CHECK(storagexml_range_create(&range, NULL) == 0);
    CHECK(storagexml_value_set_range(value, range, NULL) == 0);
    CHECK(storagexml_value_set_valid(value, STORAGEXML_KIND_W, 0, NULL) == 0);
    CHECK(storagexml_value_kind(value) == STORAGEXML_KIND_RANGE);
    CHECK(storagexml_value_set_valid(value, STORAGEXML_KIND_RANGE, 0, NULL) == 0);
    CHECK(storagexml_value_kind(value) == STORAGEXML_KIND_UNSET);
    CHECK(storagexml_value_set_valid(value, STORAGEXML_KIND_RANGE, 1, &error) != 0);
    CHECK_ERROR(error, STORAGEXML_ERROR_ARGUMENT, "storagexml_value_set_valid: a range is selected with");
    CHECK(storagexml_value_set_valid(value, 99, 1, &error) != 0);
    CHECK_ERROR(error, STORAGEXML_ERROR_ARGUMENT, "storagexml_value_set_valid: the kind 99 has no alternative");

    /* A cell holds the first five kinds only. */
    CHECK(storagexml_value_create_cell(&cell, NULL) == 0);
    CHECK(storagexml_value_set_range(cell, range, &error) != 0);
    CHECK_ERROR(error, STORAGEXML_ERROR_ARGUMENT, "storagexml_value_set_range: the value is a range cell");
    CHECK(storagexml_param_set_value((storagexml_param*)NULL, cell, &error) != 0);
    CHECK_ERROR(error, STORAGEXML_ERROR_ARGUMENT, "storagexml_param_set_value: the argument [param] is NULL");
    CHECK(storagexml_range_append_cell(range, value, &error) != 0);
    CHECK_ERROR(error, STORAGEXML_ERROR_ARGUMENT,
                "storagexml_range_append_cell: the value is a parameter's value, not a range cell");
    CHECK(storagexml_range_append_cell(range, cell, NULL) == 0 && storagexml_range_cell_count(range) == 1);
    storagexml_value_free(cell);
    storagexml_range_free(range);
    storagexml_value_free(value);
}

static void check_client_id(storagexml_array* array, size_t index, const char* expected) {
    storagexml_item* item = NULL;
    char* text = NULL;
    size_t length = 0;
    CHECK(storagexml_array_item(array, index, &item, NULL) == 0);
    CHECK(storagexml_item_client_id(item, &text, &length, NULL) == 0);
    CHECK_TEXT(text, length, expected);
    storagexml_item_free(item);
}

static void collections_add_remove_and_refuse_bad_indexes(void) {
    static const char* const ids[] = {"0", "1", "2"};
    storagexml_array* array = NULL;
    storagexml_item* item = NULL;
    storagexml_param* param = NULL;
    storagexml_value* cell = NULL;
    storagexml_range* range = NULL;
    storagexml_error* error = NULL;
    size_t i;
    CHECK(storagexml_array_create(&array, NULL) == 0);
    for (i = 0; i < 3; ++i) {
        CHECK(storagexml_array_add_item(array, &item, NULL) == 0);
        CHECK(storagexml_item_set_client_id(item, ids[i], 1, NULL) == 0);
        storagexml_item_free(item);
    }
    CHECK(storagexml_item_create(&item, NULL) == 0);
    CHECK(storagexml_item_set_client_id(item, "made", STORAGEXML_NUL_TERMINATED, NULL) == 0);
    CHECK(storagexml_array_append_item(array, item, NULL) == 0);
    CHECK(storagexml_array_item_count(array) == 4);
    CHECK(storagexml_array_remove_item(array, 1, NULL) == 0);
    check_client_id(array, 0, "0");
    check_client_id(array, 1, "2");
    check_client_id(array, 2, "made");
    CHECK(storagexml_array_item(array, 3, &item, &error) != 0);
    CHECK_ERROR(error, STORAGEXML_ERROR_GENERAL,
                "The index 3 is outside the collection [StorageItems], which holds 3 item(s)");
    CHECK(storagexml_array_remove_item(array, (size_t)1 << 40, &error) != 0);
    CHECK_ERROR(error, STORAGEXML_ERROR_ARGUMENT, "storagexml_array_remove_item: the index 1099511627776 is larger");

    /* The parameters of an item and the cells of a range, as the items of an array. */
    CHECK(storagexml_item_add_param(item, &param, NULL) == 0);
    CHECK(storagexml_item_append_param(item, param, NULL) == 0);
    CHECK(storagexml_item_param_count(item) == 2);
    CHECK(storagexml_item_remove_param(item, 0, NULL) == 0 && storagexml_item_param_count(item) == 1);
    CHECK(storagexml_item_param(item, 1, &param, &error) != 0);
    CHECK_ERROR(error, STORAGEXML_ERROR_GENERAL, "The index 1 is outside the collection [parameters]");
    CHECK(storagexml_item_clear_params(item, NULL) == 0 && storagexml_item_param_count(item) == 0);
    CHECK(storagexml_range_create(&range, NULL) == 0);
    CHECK(storagexml_range_add_cell(range, &cell, NULL) == 0);
    CHECK(storagexml_range_append_cell(range, cell, NULL) == 0);
    CHECK(storagexml_range_remove_cell(range, 1, NULL) == 0 && storagexml_range_cell_count(range) == 1);
    CHECK(storagexml_range_remove_cell(range, 1, &error) != 0);
    CHECK_ERROR(error, STORAGEXML_ERROR_GENERAL, "The index 1 is outside the collection [arrRange_ChoiceA]");
    CHECK(storagexml_range_clear_cells(range, NULL) == 0 && storagexml_range_cell_count(range) == 0);

    CHECK(storagexml_array_clear_items(array, NULL) == 0 && storagexml_array_item_count(array) == 0);
    storagexml_value_free(cell);
    storagexml_range_free(range);
    storagexml_param_free(param);
    storagexml_item_free(item);
    storagexml_array_free(array);
}

static void handles_outlive_their_parents(void) {
    storagexml_array* array = read_example(EXAMPLE("ranges.xml"));
    storagexml_item* item = NULL;
    storagexml_param* param = NULL;
    storagexml_value *value = NULL, *cell = NULL;
    storagexml_range* range = NULL;
    char* text = NULL;
    size_t length = 0;
    CHECK(storagexml_array_item(array, 0, &item, NULL) == 0);
    CHECK(storagexml_item_param(item, 1, &param, NULL) == 0);
    CHECK(storagexml_param_value(param, &value, NULL) == 0);
    CHECK(storagexml_value_range(value, &range, NULL) == 0);
    storagexml_array_free(array);
    CHECK(storagexml_item_remove_param(item, 1, NULL) == 0);
    storagexml_item_free(item);
    storagexml_param_free(param);
    storagexml_value_free(value);
    CHECK(storagexml_range_cell(range, 3, &cell, NULL) == 0);
    storagexml_range_free(range);
    CHECK(storagexml_value_str(cell, &text, &length, NULL) == 0);
    CHECK_TEXT(text, length, "T-101");
    storagexml_value_free(cell);
}

static const test_case cases[] = {
    {"every_value_survives_a_write_and_a_read", every_value_survives_a_write_and_a_read},
    {"getters_of_an_unset_alternative_refuse", getters_of_an_unset_alternative_refuse},
    {"set_valid_selects_and_unsets", set_valid_selects_and_unsets},
    {"collections_add_remove_and_refuse_bad_indexes", collections_add_remove_and_refuse_bad_indexes},
    {"handles_outlive_their_parents", handles_outlive_their_parents},
};
SUITE(tree, cases);
