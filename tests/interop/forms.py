#!/usr/bin/python3
"""Reads the JSON and CSV forms the library writes with Python's own readers.

forms.py schema SCHEMA FILE...        validates each JSON file against the JSON Schema
                                      (2020-12); prints one line per file that does not
                                      validate and exits 1 if any does not
forms.py csv CSV JSON [CSV JSON]...   reads each CSV file with the csv module and holds
                                      its rows against the JSON form of the same tree:
                                      a header, then a row per parameter; prints one line
                                      per file that differs and exits 1 if any does
"""
import csv
import json
import math
import struct
import sys

import jsonschema

HEADER = ["item", "ClientID", "CatID", "FunctionName", "KeyID", "ParamName", "isKey", "type", "value"]


def check_schema(schema_path, paths):
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    failed = 0
    for path in paths:
        with open(path, encoding="utf-8") as f:
            errors = list(validator.iter_errors(json.load(f)))
        if errors:
            failed += 1
            first = errors[0]
            print(f"{path}: {first.message} at {list(first.absolute_path)}")
    print(f"{len(paths) - failed} of {len(paths)} valid")
    return 1 if failed else 0


def load_json(text):
    """A JSON text with its numbers kept as their texts, so that no value is rounded or loses its sign."""
    return json.loads(text, parse_float=str, parse_int=str)


def double(text):
    """The bits of the double a text gives (INF, -INF and NaN included); any NaN alike."""
    value = float(text)
    return "NaN" if math.isnan(value) else struct.pack("<d", value)


def expected_rows(document):
    yield HEADER
    for index, item in enumerate(document["StorageItems"]):
        for parameter in item["parameters"]:
            kind, value = next((key, value) for key, value in parameter.items() if key not in ("ParamName", "isKey"))
            yield [str(index), item["ClientID"], item["CatID"], item["FunctionName"], item["KeyID"],
                   parameter["ParamName"], "true" if parameter["isKey"] else "false", kind, value]


def same_row(row, expected):
    """Whether a CSV row holds the expected fields, its value in its XML lexical form (a range as its JSON)."""
    if len(row) != len(expected) or row[:-1] != expected[:-1]:
        return False
    kind, text, value = expected[7], row[8], expected[8]
    if kind == "num":
        return double(text) == double(value)
    if kind == "bBool":
        return text == ("true" if value else "false")
    if kind == "Range":
        return load_json(text) == value
    return text == value


def check_csv(paths):
    failed = 0
    for csv_path, json_path in zip(paths[::2], paths[1::2]):
        with open(json_path, encoding="utf-8") as f:
            expected = list(expected_rows(load_json(f.read())))
        with open(csv_path, encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f, strict=True))
        differing = [(row, want) for row, want in zip(rows, expected) if not same_row(row, want)]
        if differing or len(rows) != len(expected):
            failed += 1
            print(f"{csv_path}: {len(rows)} rows for {len(expected)}; first differing row and its fields",
                  differing[:1])
    print(f"{len(paths) // 2 - failed} of {len(paths) // 2} as their JSON")
    return 1 if failed else 0


if __name__ == "__main__":
    if len(sys.argv) >= 3 and sys.argv[1] == "schema":
        sys.exit(check_schema(sys.argv[2], sys.argv[3:]))
    if len(sys.argv) >= 2 and sys.argv[1] == "csv" and len(sys.argv) % 2 == 0:
        sys.exit(check_csv(sys.argv[2:]))
    sys.exit(__doc__)
