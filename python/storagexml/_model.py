"""The object model: plain dataclasses for the array, its items, parameters and ranges, and
their item description, the JSON text in which items cross the C interface in bulk."""

import dataclasses
import json
from itertools import starmap
from typing import Any, Dict, List, Union

__all__ = ["ErrorCode", "Range", "Parameter", "Item", "Array", "Cell", "Value"]


class ErrorCode(int):
    """A 32-bit error code (the ``err`` value), kept apart from a 64-bit integer (``w``, a plain ``int``).

    It is an ``int`` in every other respect: ``ErrorCode(7) == 7``.
    """

    __slots__ = ()

    def __repr__(self) -> str:
        return "ErrorCode(%d)" % self

    __str__ = int.__repr__


def _record(cls):
    """Makes `cls` a dataclass compared by value, with ``__slots__`` (as ``slots=True`` does from
    Python 3.10 on): smaller objects that are quicker to make, which matters by the million."""
    cls = dataclasses.dataclass(cls)
    names = tuple(field.name for field in dataclasses.fields(cls))
    namespace = {key: value for key, value in cls.__dict__.items() if key not in names + ("__dict__", "__weakref__")}
    namespace["__slots__"] = names
    slotted = type(cls)(cls.__name__, cls.__bases__, namespace)
    slotted.__qualname__ = cls.__qualname__
    return slotted


@_record
class Range:
    """A two-dimensional range: a row count, a column count and its cells in order.

    The counts are written as given; they are not compared with the number of cells.
    """

    rows: int
    columns: int
    cells: "List[Cell]" = dataclasses.field(default_factory=list)


# A range cell's value: float (num), str (str), bool (bBool), ErrorCode (err) or int (w).
Cell = Union[float, str, bool, ErrorCode, int]
# A parameter's value: a cell's kinds, or a Range.
Value = Union[float, str, bool, ErrorCode, int, Range]


@_record
class Parameter:
    """A named parameter of an item: its name, whether it is a key, and its value."""

    name: str
    is_key: bool
    value: Value


@_record
class Item:
    """A storage item: four strings and its parameters in order (a document needs at least one)."""

    client_id: str
    cat_id: str
    function_name: str
    key_id: str
    parameters: List[Parameter] = dataclasses.field(default_factory=list)


@_record
class Array:
    """A Storage document: a client id, a key id and its items in order."""

    client_id: str
    key_id: str
    items: List[Item] = dataclasses.field(default_factory=list)


# ---- The item description --------------------------------------------------------------------
# One JSON array per item, [client_id, cat_id, function_name, key_id, [[name, is_key, value]...]],
# with a double as a number that has a fraction or an exponent, a 64-bit integer as one that has
# neither, {"err": code} and {"Range": [rows, columns, [cells]]} (storagexml.h has the details).
# Python's json module reads and writes it in C, so the work per object left to Python is making
# it (reading) or taking it apart (writing).


def _decode_object(members: Dict[str, Any]) -> Any:
    code = members.get("err")
    if code is not None:
        return ErrorCode(code)
    rows, columns, cells = members["Range"]
    return Range(rows, columns, cells)


_decoder = json.JSONDecoder(object_hook=_decode_object)


def items_from_description(text: bytes) -> List[Item]:
    """The items a description holds."""
    return [Item(client, cat, function, key, list(starmap(Parameter, parameters)))
            for client, cat, function, key, parameters in _decoder.decode(text.decode("utf-8"))]


_encoder = json.JSONEncoder(ensure_ascii=False, check_circular=False, separators=(",", ":"))
_W_MIN, _W_MAX = -(1 << 63), (1 << 63) - 1
_ERR_MIN, _ERR_MAX = -(1 << 31), (1 << 31) - 1


def _type_error(what: str, expected: str, value: Any) -> TypeError:
    return TypeError("%s must be %s, not %s" % (what, expected, type(value).__name__))


def _text(value: Any, what: str) -> str:
    if type(value) is str or isinstance(value, str):
        return value
    raise _type_error(what, "str", value)


def _integer(value: int, low: int, high: int, what: str) -> int:
    if not low <= value <= high:
        raise ValueError("%s %d is outside the range %d..%d" % (what, value, low, high))
    return int(value)


def _described_value(value: Any, what: str, cell: bool = False) -> Any:
    # bool before int, ErrorCode before int: both are ints too.
    kind = type(value)
    if kind is float or kind is str or kind is bool:
        return value
    if kind is int:
        return _integer(value, _W_MIN, _W_MAX, "a 64-bit integer (w)")
    if isinstance(value, ErrorCode):
        return {"err": _integer(value, _ERR_MIN, _ERR_MAX, "an error code (err)")}
    if isinstance(value, int):
        return _integer(value, _W_MIN, _W_MAX, "a 64-bit integer (w)")
    if isinstance(value, (float, str)):
        return value
    if isinstance(value, Range) and not cell:
        if not isinstance(value.cells, (list, tuple)):
            raise _type_error(what + ".cells", "a list", value.cells)
        cells = [_described_value(cell, "a range cell", True) for cell in value.cells]
        return {"Range": [_count(value.rows, "Range.rows"), _count(value.columns, "Range.columns"), cells]}
    kinds = "float, str, bool, ErrorCode or int" if cell else "float, str, bool, ErrorCode, int or Range"
    raise _type_error(what, kinds, value)


def _count(value: Any, what: str) -> int:
    if isinstance(value, bool) or not isinstance(value, int):
        raise _type_error(what, "int", value)
    return _integer(value, _ERR_MIN, _ERR_MAX, what)


def _described_parameter(parameter: Any) -> list:
    if not isinstance(parameter, Parameter):
        raise _type_error("a parameter", "storagexml.Parameter", parameter)
    is_key = parameter.is_key
    if type(is_key) is not bool:
        raise _type_error("Parameter.is_key", "bool", is_key)
    value = parameter.value
    if type(value) is not float and type(value) is not str and type(value) is not bool:
        value = _described_value(value, "Parameter.value")
    return [_text(parameter.name, "Parameter.name"), is_key, value]


def _described_item(item: Any) -> list:
    if not isinstance(item, Item):
        raise _type_error("an item", "storagexml.Item", item)
    return [_text(item.client_id, "Item.client_id"), _text(item.cat_id, "Item.cat_id"),
            _text(item.function_name, "Item.function_name"), _text(item.key_id, "Item.key_id"),
            [_described_parameter(parameter) for parameter in item.parameters]]


def describe_items(items: List[Item]) -> bytes:
    """The description of `items`; TypeError or ValueError for what cannot be described.

    Text goes as it is, lone surrogates included, so that the library refuses what XML cannot
    carry with its own message.
    """
    return _encoder.encode([_described_item(item) for item in items]).encode("utf-8", "surrogatepass")
