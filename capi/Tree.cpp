// The tree: creating objects, their fields, their children, and the values
// of parameters and range cells. Each function forwards to the C++ class its
// handle stands for.
#include "Boundary.h"

using namespace StorageXmlC;
using Storage::CArrRange;
using Storage::CArrRange_ChoiceA;
using Storage::CCParams;
using Storage::CCParams_ChoiceA;
using Storage::CScalarChoice;
using Storage::CStorageArray;
using Storage::CStorageItem;

namespace {

template <class Handle, class Make>
int Create(Make make, Handle** out, storagexml_error** error, const char* function) {
    return Call(error, function, [&] {
        Require(out, "out");
        *out = Give<Handle>(make());
    });
}

template <class Handle, class Class>
int GetText(const Handle* handle, std::string (Class::*getter)(), char** text, std::size_t* length,
            storagexml_error** error, const char* function) {
    return Call(error, function, [&] {
        auto& object = Get(handle);
        Require(text, "text");
        GiveText((object.*getter)(), text, length);
    });
}

template <class Handle, class Class>
int SetText(Handle* handle, void (Class::*setter)(std::string), const char* text, std::size_t length,
            storagexml_error** error, const char* function) {
    return Call(error, function, [&] { (Get(handle).*setter)(Text(text, length, "text")); });
}

// The children of an object, in a typed collection that `collection` gives.
template <class Child, class Owner, class Collection>
int ChildAt(Owner* owner, Collection collection, std::size_t index, Child** out, storagexml_error** error,
            const char* function) {
    return Call(error, function, [&] {
        auto& object = Get(owner);
        Require(out, "out");
        *out = Give<Child>((object.*collection)()->Item(Index(index)));
    });
}

template <class Child, class Owner, class Collection>
int AddChild(Owner* owner, Collection collection, Child** out, storagexml_error** error, const char* function) {
    return Call(error, function, [&] {
        auto& object = Get(owner);
        Require(out, "out");
        *out = Give<Child>((object.*collection)()->Add());
    });
}

template <class Owner, class Collection, class Typed>
int AppendChild(Owner* owner, Collection collection, Typed typed, storagexml_error** error, const char* function) {
    return Call(error, function, [&] {
        auto& object = Get(owner);
        (object.*collection)()->Add(typed());
    });
}

template <class Owner, class Collection>
int RemoveChild(Owner* owner, Collection collection, std::size_t index, storagexml_error** error,
                const char* function) {
    return Call(error, function, [&] { (Get(owner).*collection)()->Remove(Index(index)); });
}

template <class Owner, class Collection>
int ClearChildren(Owner* owner, Collection collection, storagexml_error** error, const char* function) {
    return Call(error, function, [&] { (Get(owner).*collection)()->Clear(); });
}

template <class Owner, class Collection>
std::size_t CountChildren(const Owner* owner, Collection collection) {
    return Query(std::size_t{0}, [&] { return static_cast<std::size_t>((Get(owner).*collection)()->GetCount()); });
}

// What a value handle stands for, as each call needs it.
CScalarChoice& Scalars(const storagexml_value* value) {
    auto* choice = dynamic_cast<CScalarChoice*>(&Get(value));
    if (!choice) throw ArgumentError{"the handle is not a value"};
    return *choice;
}

CCParams_ChoiceA& ParamValue(const storagexml_value* value) {
    auto* choice = dynamic_cast<CCParams_ChoiceA*>(&Get(value));
    if (!choice) throw ArgumentError{"the value is a range cell, which holds no range"};
    return *choice;
}

CArrRange_ChoiceA& Cell(const storagexml_value* value, const char* name) {
    auto* cell = dynamic_cast<CArrRange_ChoiceA*>(&Get(value, name));
    if (!cell) throw ArgumentError{"the value is a parameter's value, not a range cell"};
    return *cell;
}

template <class T>
int GetScalar(const storagexml_value* value, T (CScalarChoice::*getter)(), T* out, storagexml_error** error,
              const char* function) {
    return Call(error, function, [&] {
        auto& choice = Scalars(value);
        Require(out, "out");
        *out = (choice.*getter)();
    });
}

template <class T>
int SetScalar(storagexml_value* value, void (CScalarChoice::*setter)(T), T number, storagexml_error** error,
              const char* function) {
    return Call(error, function, [&] { (Scalars(value).*setter)(number); });
}

} // namespace

extern "C" {

// ---- Arrays ----

int storagexml_array_create(storagexml_array** out, storagexml_error** error) {
    return Create(CStorageArray::CreateInstance, out, error, __func__);
}
void storagexml_array_free(storagexml_array* array) { Drop(array); }
int storagexml_array_client_id(const storagexml_array* array, char** text, std::size_t* length,
                               storagexml_error** error) {
    return GetText(array, &CStorageArray::GetClientID, text, length, error, __func__);
}
int storagexml_array_set_client_id(storagexml_array* array, const char* text, std::size_t length,
                                   storagexml_error** error) {
    return SetText(array, &CStorageArray::SetClientID, text, length, error, __func__);
}
int storagexml_array_key_id(const storagexml_array* array, char** text, std::size_t* length,
                            storagexml_error** error) {
    return GetText(array, &CStorageArray::GetKeyID, text, length, error, __func__);
}
int storagexml_array_set_key_id(storagexml_array* array, const char* text, std::size_t length,
                                storagexml_error** error) {
    return SetText(array, &CStorageArray::SetKeyID, text, length, error, __func__);
}
std::size_t storagexml_array_item_count(const storagexml_array* array) {
    return CountChildren(array, &CStorageArray::GetStorageItems);
}
int storagexml_array_item(storagexml_array* array, std::size_t index, storagexml_item** out,
                          storagexml_error** error) {
    return ChildAt(array, &CStorageArray::GetStorageItems, index, out, error, __func__);
}
int storagexml_array_add_item(storagexml_array* array, storagexml_item** out, storagexml_error** error) {
    return AddChild(array, &CStorageArray::GetStorageItems, out, error, __func__);
}
int storagexml_array_append_item(storagexml_array* array, storagexml_item* item, storagexml_error** error) {
    return AppendChild(array, &CStorageArray::GetStorageItems, [&] { return &Get(item); }, error, __func__);
}
int storagexml_array_remove_item(storagexml_array* array, std::size_t index, storagexml_error** error) {
    return RemoveChild(array, &CStorageArray::GetStorageItems, index, error, __func__);
}
int storagexml_array_clear_items(storagexml_array* array, storagexml_error** error) {
    return ClearChildren(array, &CStorageArray::GetStorageItems, error, __func__);
}

// ---- Items ----

int storagexml_item_create(storagexml_item** out, storagexml_error** error) {
    return Create(CStorageItem::CreateInstance, out, error, __func__);
}
void storagexml_item_free(storagexml_item* item) { Drop(item); }
int storagexml_item_client_id(const storagexml_item* item, char** text, std::size_t* length,
                              storagexml_error** error) {
    return GetText(item, &CStorageItem::GetClientID, text, length, error, __func__);
}
int storagexml_item_set_client_id(storagexml_item* item, const char* text, std::size_t length,
                                  storagexml_error** error) {
    return SetText(item, &CStorageItem::SetClientID, text, length, error, __func__);
}
int storagexml_item_cat_id(const storagexml_item* item, char** text, std::size_t* length, storagexml_error** error) {
    return GetText(item, &CStorageItem::GetCatID, text, length, error, __func__);
}
int storagexml_item_set_cat_id(storagexml_item* item, const char* text, std::size_t length,
                               storagexml_error** error) {
    return SetText(item, &CStorageItem::SetCatID, text, length, error, __func__);
}
int storagexml_item_function_name(const storagexml_item* item, char** text, std::size_t* length,
                                  storagexml_error** error) {
    return GetText(item, &CStorageItem::GetFunctionName, text, length, error, __func__);
}
int storagexml_item_set_function_name(storagexml_item* item, const char* text, std::size_t length,
                                      storagexml_error** error) {
    return SetText(item, &CStorageItem::SetFunctionName, text, length, error, __func__);
}
int storagexml_item_key_id(const storagexml_item* item, char** text, std::size_t* length, storagexml_error** error) {
    return GetText(item, &CStorageItem::GetKeyID, text, length, error, __func__);
}
int storagexml_item_set_key_id(storagexml_item* item, const char* text, std::size_t length,
                               storagexml_error** error) {
    return SetText(item, &CStorageItem::SetKeyID, text, length, error, __func__);
}
std::size_t storagexml_item_param_count(const storagexml_item* item) {
    return CountChildren(item, &CStorageItem::GetParameters);
}
int storagexml_item_param(storagexml_item* item, std::size_t index, storagexml_param** out,
                          storagexml_error** error) {
    return ChildAt(item, &CStorageItem::GetParameters, index, out, error, __func__);
}
int storagexml_item_add_param(storagexml_item* item, storagexml_param** out, storagexml_error** error) {
    return AddChild(item, &CStorageItem::GetParameters, out, error, __func__);
}
int storagexml_item_append_param(storagexml_item* item, storagexml_param* param, storagexml_error** error) {
    return AppendChild(item, &CStorageItem::GetParameters, [&] { return &Get(param); }, error, __func__);
}
int storagexml_item_remove_param(storagexml_item* item, std::size_t index, storagexml_error** error) {
    return RemoveChild(item, &CStorageItem::GetParameters, index, error, __func__);
}
int storagexml_item_clear_params(storagexml_item* item, storagexml_error** error) {
    return ClearChildren(item, &CStorageItem::GetParameters, error, __func__);
}

// ---- Parameters ----

int storagexml_param_create(storagexml_param** out, storagexml_error** error) {
    return Create(CCParams::CreateInstance, out, error, __func__);
}
void storagexml_param_free(storagexml_param* param) { Drop(param); }
int storagexml_param_name(const storagexml_param* param, char** text, std::size_t* length,
                          storagexml_error** error) {
    return GetText(param, &CCParams::GetParamName, text, length, error, __func__);
}
int storagexml_param_set_name(storagexml_param* param, const char* text, std::size_t length,
                              storagexml_error** error) {
    return SetText(param, &CCParams::SetParamName, text, length, error, __func__);
}
int storagexml_param_is_key(const storagexml_param* param) {
    return Query(0, [&] { return Get(param).GetIsKey() ? 1 : 0; });
}
int storagexml_param_set_is_key(storagexml_param* param, int is_key, storagexml_error** error) {
    return Call(error, __func__, [&] { Get(param).SetIsKey(is_key != 0); });
}
int storagexml_param_value(storagexml_param* param, storagexml_value** out, storagexml_error** error) {
    return Call(error, __func__, [&] {
        auto& object = Get(param);
        Require(out, "out");
        *out = Give<storagexml_value>(object.GetCParams_ChoiceA());
    });
}
int storagexml_param_set_value(storagexml_param* param, storagexml_value* value, storagexml_error** error) {
    return Call(error, __func__, [&] {
        auto& object = Get(param);
        object.SetCParams_ChoiceA(&ParamValue(value));
    });
}

// ---- Values ----

int storagexml_value_create(storagexml_value** out, storagexml_error** error) {
    return Create(CCParams_ChoiceA::CreateInstance, out, error, __func__);
}
int storagexml_value_create_cell(storagexml_value** out, storagexml_error** error) {
    return Create(CArrRange_ChoiceA::CreateInstance, out, error, __func__);
}
void storagexml_value_free(storagexml_value* value) { Drop(value); }

storagexml_kind storagexml_value_kind(const storagexml_value* value) {
    return Query(STORAGEXML_KIND_UNSET, [&] {
        CScalarChoice& choice = Scalars(value);
        if (choice.IsValidNum()) return STORAGEXML_KIND_NUM;
        if (choice.IsValidStr()) return STORAGEXML_KIND_STR;
        if (choice.IsValidBBool()) return STORAGEXML_KIND_BOOL;
        if (choice.IsValidErr()) return STORAGEXML_KIND_ERR;
        if (choice.IsValidW()) return STORAGEXML_KIND_W;
        auto* parameterValue = dynamic_cast<CCParams_ChoiceA*>(&choice);
        return parameterValue && parameterValue->GetRange() ? STORAGEXML_KIND_RANGE : STORAGEXML_KIND_UNSET;
    });
}

// The kind comes as an int: a host may pass any number, which no enum type of C++ can hold.
int storagexml_value_set_valid(storagexml_value* value, int kind, int valid, storagexml_error** error) {
    return Call(error, __func__, [&] {
        CScalarChoice& choice = Scalars(value);
        const bool on = valid != 0;
        switch (kind) {
        case STORAGEXML_KIND_NUM: choice.SetValidNum(on); return;
        case STORAGEXML_KIND_STR: choice.SetValidStr(on); return;
        case STORAGEXML_KIND_BOOL: choice.SetValidBBool(on); return;
        case STORAGEXML_KIND_ERR: choice.SetValidErr(on); return;
        case STORAGEXML_KIND_W: choice.SetValidW(on); return;
        case STORAGEXML_KIND_RANGE: {
            CCParams_ChoiceA& parameterValue = ParamValue(value);
            if (on) throw ArgumentError{"a range is selected with storagexml_value_set_range"};
            if (parameterValue.GetRange()) parameterValue.SetRange(nullptr);
            return;
        }
        case STORAGEXML_KIND_UNSET: break;
        }
        throw ArgumentError{"the kind " + std::to_string(kind) + " has no alternative to select"};
    });
}

int storagexml_value_num(const storagexml_value* value, double* out, storagexml_error** error) {
    return GetScalar(value, &CScalarChoice::GetNum, out, error, __func__);
}
int storagexml_value_set_num(storagexml_value* value, double number, storagexml_error** error) {
    return SetScalar(value, &CScalarChoice::SetNum, number, error, __func__);
}
int storagexml_value_str(const storagexml_value* value, char** text, std::size_t* length, storagexml_error** error) {
    return Call(error, __func__, [&] {
        CScalarChoice& choice = Scalars(value);
        Require(text, "text");
        GiveText(choice.GetStr(), text, length);
    });
}
int storagexml_value_set_str(storagexml_value* value, const char* text, std::size_t length,
                             storagexml_error** error) {
    return Call(error, __func__, [&] {
        CScalarChoice& choice = Scalars(value);
        choice.SetStr(Text(text, length, "text"));
    });
}
int storagexml_value_bool(const storagexml_value* value, int* out, storagexml_error** error) {
    return Call(error, __func__, [&] {
        CScalarChoice& choice = Scalars(value);
        Require(out, "out");
        *out = choice.GetBBool() ? 1 : 0;
    });
}
int storagexml_value_set_bool(storagexml_value* value, int flag, storagexml_error** error) {
    return Call(error, __func__, [&] { Scalars(value).SetBBool(flag != 0); });
}
int storagexml_value_err(const storagexml_value* value, std::int32_t* out, storagexml_error** error) {
    return Call(error, __func__, [&] {
        CScalarChoice& choice = Scalars(value);
        Require(out, "out");
        *out = static_cast<std::int32_t>(choice.GetErr());
    });
}
int storagexml_value_set_err(storagexml_value* value, std::int32_t code, storagexml_error** error) {
    return Call(error, __func__, [&] { Scalars(value).SetErr(code); });
}
int storagexml_value_w(const storagexml_value* value, std::int64_t* out, storagexml_error** error) {
    return GetScalar(value, &CScalarChoice::GetW, out, error, __func__);
}
int storagexml_value_set_w(storagexml_value* value, std::int64_t number, storagexml_error** error) {
    return SetScalar(value, &CScalarChoice::SetW, number, error, __func__);
}
int storagexml_value_range(storagexml_value* value, storagexml_range** out, storagexml_error** error) {
    return Call(error, __func__, [&] {
        CCParams_ChoiceA& parameterValue = ParamValue(value);
        Require(out, "out");
        *out = Give<storagexml_range>(parameterValue.GetRange());
    });
}
int storagexml_value_set_range(storagexml_value* value, storagexml_range* range, storagexml_error** error) {
    return Call(error, __func__, [&] {
        CCParams_ChoiceA& parameterValue = ParamValue(value);
        parameterValue.SetRange(&Get(range));
    });
}

// ---- Ranges ----

int storagexml_range_create(storagexml_range** out, storagexml_error** error) {
    return Create(CArrRange::CreateInstance, out, error, __func__);
}
void storagexml_range_free(storagexml_range* range) { Drop(range); }
std::int32_t storagexml_range_rows(const storagexml_range* range) {
    return Query(std::int32_t{0}, [&] { return static_cast<std::int32_t>(Get(range).GetRows()); });
}
int storagexml_range_set_rows(storagexml_range* range, std::int32_t rows, storagexml_error** error) {
    return Call(error, __func__, [&] { Get(range).SetRows(rows); });
}
std::int32_t storagexml_range_columns(const storagexml_range* range) {
    return Query(std::int32_t{0}, [&] { return static_cast<std::int32_t>(Get(range).GetColumns()); });
}
int storagexml_range_set_columns(storagexml_range* range, std::int32_t columns, storagexml_error** error) {
    return Call(error, __func__, [&] { Get(range).SetColumns(columns); });
}
std::size_t storagexml_range_cell_count(const storagexml_range* range) {
    return CountChildren(range, &CArrRange::GetArrRange_ChoiceA);
}
int storagexml_range_cell(storagexml_range* range, std::size_t index, storagexml_value** out,
                          storagexml_error** error) {
    return ChildAt(range, &CArrRange::GetArrRange_ChoiceA, index, out, error, __func__);
}
int storagexml_range_add_cell(storagexml_range* range, storagexml_value** out, storagexml_error** error) {
    return AddChild(range, &CArrRange::GetArrRange_ChoiceA, out, error, __func__);
}
int storagexml_range_append_cell(storagexml_range* range, storagexml_value* cell, storagexml_error** error) {
    return AppendChild(range, &CArrRange::GetArrRange_ChoiceA, [&] { return &Cell(cell, "cell"); }, error,
                       __func__);
}
int storagexml_range_remove_cell(storagexml_range* range, std::size_t index, storagexml_error** error) {
    return RemoveChild(range, &CArrRange::GetArrRange_ChoiceA, index, error, __func__);
}
int storagexml_range_clear_cells(storagexml_range* range, storagexml_error** error) {
    return ClearChildren(range, &CArrRange::GetArrRange_ChoiceA, error, __func__);
}

} // extern "C"
