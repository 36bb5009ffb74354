"""The storagexml package: documents read and written every way, values of every kind bit for
bit, failures as the C++ library reports them, and arguments it refuses."""
import dataclasses
import errno
import gc
import io
import math
import os
import random
import struct
import subprocess

import pytest

import storagexml as sx
from conftest import BAD, GOOD


def double(bits):
    return struct.unpack("<d", struct.pack("<Q", bits))[0]


def same(a, b):
    """Equal with the same types (ErrorCode, int and bool apart), doubles bit for bit, any NaN as NaN."""
    if type(a) is not type(b):
        return False
    if isinstance(a, float):
        return struct.pack("<d", a) == struct.pack("<d", b) or math.isnan(a) and math.isnan(b)
    if isinstance(a, list):
        return len(a) == len(b) and all(map(same, a, b))
    if dataclasses.is_dataclass(a):
        return all(same(getattr(a, field.name), getattr(b, field.name)) for field in dataclasses.fields(a))
    return a == b


STRINGS = ["", "  blanks around  ", "\r\n\t\r", "&<>\"']]>", "Crème brûlée ☕ 𝄞", "\x7f\x85\u2028\ufffd\U0010ffff",
           "x" * 5000]
SCALARS = ([0.0, -0.0, 5e-324, -2.2250738585072014e-308, 1.7976931348623157e308, 0.1, 1 / 3, 1e21, math.inf,
            -math.inf, math.nan] + [double(random.Random(7).getrandbits(64) >> shift) for shift in range(0, 64, 3)]
           + STRINGS + [True, False, 0, -(1 << 63), (1 << 63) - 1, sx.ErrorCode(-(1 << 31)), sx.ErrorCode((1 << 31) - 1)])


def every_kind():
    """An array holding every kind of value at its edges, ranges of every kind of cell included."""
    items = []
    for i, value in enumerate(SCALARS):
        parameters = [sx.Parameter(STRINGS[i % len(STRINGS)], i % 2 == 0, value)]
        if i % 5 == 0:
            parameters.append(sx.Parameter("range", True, sx.Range(2, 3, SCALARS[i:i + 6])))
        items.append(sx.Item(STRINGS[i % len(STRINGS)], "cat", "fn", "key-%d" % i, parameters))
    return sx.Array("client \r\n", "", items)


def item(value=1.5, **fields):
    return dataclasses.replace(sx.Item("c", "k", "f", "k", [sx.Parameter("p", False, value)]), **fields)


@pytest.mark.parametrize("path", GOOD, ids=lambda path: path.name)
def test_examples_read_every_way_and_write_back_as_they_are(path):
    data = path.read_bytes()
    array = sx.load(path)
    assert sx.dumps(array).encode() == data
    assert sx.loads(data) == sx.loads(data.decode()) == sx.load(str(path)) == array
    with open(path, "rb") as stream:
        assert sx.load(stream) == array
    with sx.iter_items(path) as items:
        assert items.client_id is None
        assert list(items) == array.items and (items.client_id, items.key_id) == (array.client_id, array.key_id)


def test_every_kind_of_value_round_trips(tmp_path):
    array = every_kind()
    text = sx.dumps(array)
    assert same(sx.loads(text), array) and sx.dumps(sx.loads(text)) == text
    sx.dump(array, tmp_path / "every.xml")
    assert (tmp_path / "every.xml").read_bytes() == text.encode()
    compact = sx.dumps(array, indent=False, declaration=False)
    assert compact.startswith("<mstns:StorageArray") and same(sx.loads(compact), array)
    written = io.BytesIO()
    with sx.ItemWriter(written, array.client_id, array.key_id) as writer:
        for one in array.items:
            writer.write(one)
    assert written.getvalue() == text.encode()
    assert repr(sx.ErrorCode(-7)) == "ErrorCode(-7)" and "%s" % sx.ErrorCode(3) == "3"


@pytest.mark.parametrize("path", BAD, ids=lambda path: path.name)
def test_failures_are_the_chains_storagexml_check_prints(path, program):
    printed = subprocess.run([program, "check", str(path)], capture_output=True, text=True).stdout.splitlines()
    expected = []
    for line in printed[1:]:
        place, _, message = line.strip()[len(str(path)):].partition(": ")
        line_number, _, column = place.strip(":").partition(":")
        expected.append((message, int(line_number or 0), int(column or 0)))
    for read in (sx.load, lambda path: sx.loads(path.read_bytes()), lambda path: list(sx.iter_items(path))):
        with pytest.raises(sx.ValidationError) as caught:
            read(path)
        chain, level = [], caught.value
        while level is not None:
            assert isinstance(level, sx.Error) and level.__cause__ is level.inner
            chain.append((str(level), level.line, level.column))
            level = level.inner
        assert chain == expected
    assert gc.isenabled()  # paused while objects are made, and back whatever happened


def test_items_before_a_failure_are_handed_out_first():
    good = [item(float(i)) for i in range(300)]
    text = sx.dumps(sx.Array("c", "k", good + [item("bad")]))
    end = text.rindex("<mstns:isKey>")
    items = sx.iter_items(io.BytesIO((text[:end] + text[text.index("\n", end):]).encode()))
    assert [next(items) for _ in good] == good
    with pytest.raises(sx.ValidationError) as caught:
        next(items)
    assert str(caught.value.inner.inner.inner) == "Failed to find a required element [isKey]"
    assert items.client_id is None


def dumps_value(value):
    return sx.dumps(sx.Array("c", "k", [item(value)]))


@pytest.mark.parametrize("call, error", [
    (lambda: sx.loads(42), TypeError),
    (lambda: sx.load(3.5), TypeError),
    (lambda: sx.load("a\0b"), ValueError),
    (lambda: sx.dumps("an array"), TypeError),
    (lambda: sx.dumps(sx.Array("c", "k", ["an item"])), TypeError),
    (lambda: sx.dumps(sx.Array("c", "k", [item(parameters=[("p", False, 1.5)])])), TypeError),
    (lambda: sx.dumps(sx.Array(None, "k", [])), TypeError),
    (lambda: sx.dumps(sx.Array("c", "k", [item(cat_id=5)])), TypeError),
    (lambda: sx.dumps(sx.Array("c", "k", [item(parameters=[sx.Parameter("p", 1, 1.5)])])), TypeError),
    (lambda: sx.dumps(sx.Array("c", "k", [item(parameters=[sx.Parameter(b"p", True, 1.5)])])), TypeError),
    (lambda: dumps_value(None), TypeError),
    (lambda: dumps_value(b"bytes"), TypeError),
    (lambda: dumps_value(1 << 63), ValueError),
    (lambda: dumps_value(-(1 << 63) - 1), ValueError),
    (lambda: dumps_value(sx.ErrorCode(1 << 31)), ValueError),
    (lambda: dumps_value(sx.Range(1, 1, [sx.Range(1, 1, [1])])), TypeError),
    (lambda: dumps_value(sx.Range(1 << 31, 1, [1])), ValueError),
    (lambda: dumps_value(sx.Range(True, 1, [1])), TypeError),
    (lambda: sx.ItemWriter(io.StringIO()), TypeError),
    (lambda: sx.ItemWriter(None), TypeError),
])
def test_bad_arguments(call, error):
    with pytest.raises(error) as raised:
        call()
    assert not isinstance(raised.value, sx.Error)  # the package's own check, not the library's refusal


@pytest.mark.parametrize("array, message", [
    (sx.Array("c", "k", [item("a\x01")]), "The text of [str] holds the character U+0001 (byte 1), which XML cannot carry"),
    (sx.Array("c\ud800", "k", []), "The text of [ClientID] is not valid UTF-8"),
    (sx.Array("c", "k", [item(parameters=[])]), "The collection [parameters] holds 0 item(s), fewer than its minimum of 1"),
])
def test_what_the_library_refuses_to_write_is_its_own_failure(array, message, tmp_path):
    target = tmp_path / "kept.xml"
    target.write_bytes(b"old")
    for write in (sx.dumps, lambda array: sx.dump(array, target)):
        with pytest.raises(sx.ValidationError) as caught:
            write(array)
        cause = caught.value
        while cause.inner:
            cause = cause.inner
        assert str(cause).startswith(message)
    assert target.read_bytes() == b"old" and os.listdir(tmp_path) == ["kept.xml"]


def test_files(tmp_path):
    for path, number, kind in ((tmp_path / "missing.xml", errno.ENOENT, FileNotFoundError),
                               (tmp_path, errno.EISDIR, IsADirectoryError)):
        with pytest.raises(sx.FileError) as caught:
            sx.load(path)
        failure = caught.value
        assert isinstance(failure, sx.Error) and isinstance(failure, kind) and failure.errno == number
        assert failure.filename == str(path) and str(failure).startswith("Cannot read the file [%s]: " % path)

    class Failing(io.RawIOBase):
        def read(self, size=-1):
            raise ConnectionResetError("the source failed")

    with pytest.raises(ConnectionResetError):
        sx.load(Failing())
    target = tmp_path / "out.xml"
    target.write_bytes(b"old")
    with pytest.raises(KeyError):
        with sx.ItemWriter(target, "c", "k") as writer:
            writer.write(item())
            raise KeyError("the with block failed")
    assert target.read_bytes() == b"old" and sorted(os.listdir(tmp_path)) == ["out.xml"]
    with pytest.raises(ValueError):
        writer.write(item())
    with sx.ItemWriter(target) as writer:
        writer.write_items(item(float(i)) for i in range(600))
        writer.client_id, writer.key_id = "c", "k"
    assert sx.load(target) == sx.Array("c", "k", [item(float(i)) for i in range(600)])
