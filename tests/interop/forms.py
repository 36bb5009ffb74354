#!/usr/bin/python3
"""Reads the JSON and CSV forms the library writes with Python's own readers.

forms.py schema SCHEMA FILE...  validates each JSON file against the JSON Schema
                                (2020-12); prints one line per file that does not
                                validate and exits 1 if any does not
forms.py csv FILE...            reads each file with the csv module and prints
                                each row on a line: its fields' UTF-8 bytes in hex
                                (- for an empty field),
                                separated by blanks
"""
import csv
import json
import sys

import jsonschema


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


def print_rows(paths):
    for path in paths:
        with open(path, encoding="utf-8", newline="") as f:
            for row in csv.reader(f, strict=True):
                print(" ".join(field.encode("utf-8").hex() or "-" for field in row))
    return 0


if __name__ == "__main__":
    if len(sys.argv) >= 3 and sys.argv[1] == "schema":
        sys.exit(check_schema(sys.argv[2], sys.argv[3:]))
    if len(sys.argv) >= 2 and sys.argv[1] == "csv":
        sys.exit(print_rows(sys.argv[2:]))
    sys.exit(__doc__)
