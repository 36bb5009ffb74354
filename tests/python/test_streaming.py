"""A document of 250 MB, made on the fly in a temporary file, read item by item in memory that
does not grow with it: the peak of the reading process stays within 64 MB of where it started."""
import os
import subprocess
import sys

import pytest

import storagexml as sx

SIZE = 250 * 1000 * 1000
# Counts the items in a fresh interpreter and reports how far its peak resident memory rose
# above where it stood before reading (the peak is reset first where the kernel allows).
CHILD = """
import sys
import storagexml as sx

def status(field):
    with open("/proc/self/status") as lines:
        return next(int(line.split()[1]) * 1024 for line in lines if line.startswith(field + ":"))

try:
    with open("/proc/self/clear_refs", "w") as refs:
        refs.write("5")
except OSError:
    pass
start = status("VmRSS")
count = 0
with sx.iter_items(sys.argv[1]) as items:
    for item in items:
        count += 1
        last = item
print(count, status("VmHWM") - start, items.client_id, items.key_id, last.key_id)
"""


@pytest.mark.skipif(not os.path.exists("/proc/self/status"), reason="measures memory through /proc")
def test_a_250_mb_document_is_read_in_bounded_memory(tmp_path):
    items = [sx.Item("client-%d" % i, "category", "function", "key-%d" % i, [
        sx.Parameter("number", True, i * 1.25), sx.Parameter("text", False, "text & more " * i),
        sx.Parameter("code", False, sx.ErrorCode(-i)), sx.Parameter("range", False, sx.Range(3, 3, [
            1.5, "cell", True, sx.ErrorCode(7), 1 << 40, -0.0, "", False, i]))]) for i in range(50)]
    text = sx.dumps(sx.Array("big-client", "big-key", items)).encode()
    start = text.index(b"  <mstns:StorageItems>")
    end = text.rindex(b"</mstns:StorageItems>\n") + len(b"</mstns:StorageItems>\n")
    repeats = SIZE // (end - start) + 1
    path = tmp_path / "big.xml"
    with open(path, "wb") as document:
        document.write(text[:start])
        for _ in range(repeats):
            document.write(text[start:end])
        document.write(text[end:])
    assert path.stat().st_size > SIZE
    result = subprocess.run([sys.executable, "-c", CHILD, str(path)], capture_output=True, text=True, check=True)
    count, growth, client, key, last = result.stdout.split()
    assert (int(count), client, key, last) == (repeats * len(items), "big-client", "big-key", "key-49")
    assert int(growth) < 64 * 1024 * 1024
