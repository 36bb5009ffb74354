"""Measures the storagexml package against xml.etree.ElementTree on the benchmark's document.

    python3 bench.py [--program PATH | --document DOC] [--library PATH] [--runs N] [--memory-runs N]

The document is the one storagexml-bench generates (about 50 MB of indented XML, 42 000 items),
written by ``storagexml-bench --save`` (``--program``), or any Storage document (``--document``).

Time: in this process, in turns, each the best of the runs: ``sx.load`` of the file (typed,
checked objects), ``sx.iter_items`` of the file with every item taken, and
``xml.etree.ElementTree.fromstring`` of the file's bytes (an untyped tree), those bytes read
beforehand. Memory: each step once in a fresh interpreter, the growth of its peak resident set
(``VmHWM`` in /proc/self/status, reset with /proc/self/clear_refs where the kernel allows) over
its resident set before the step, with its modules imported and, for ElementTree, the bytes
read: Python's objects and the C++ library's alike; the median of the runs.

The last line: RESULT py_load_over_etree=X py_iter_over_etree=Y py_load_mem_over_etree=Z, X and
Y ElementTree's time over the package's (above 1: faster than ElementTree), Z the package's
peak growth over ElementTree's.
"""
import argparse
import gc
import os
import statistics
import subprocess
import sys
import tempfile
import time


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    source = parser.add_mutually_exclusive_group(required=True)
    source.add_argument("--program", help="storagexml-bench, to generate the benchmark's document")
    source.add_argument("--document", help="a Storage document to measure instead")
    parser.add_argument("--library", help="the C library to use (sets STORAGEXML_LIBRARY)")
    parser.add_argument("--runs", type=int, default=5, help="timed runs of each step, in turns; the best counts")
    parser.add_argument("--memory-runs", type=int, default=3, help="fresh processes per step; the median counts")
    parser.add_argument("--memory-step", choices=STEPS, help=argparse.SUPPRESS)
    return parser.parse_args()


def run_load(path, data):
    import storagexml as sx
    return sx.load(path)


def run_iter(path, data):
    import storagexml as sx
    count = 0
    for _ in sx.iter_items(path):
        count += 1
    return count


def run_etree(path, data):
    import xml.etree.ElementTree as ElementTree
    return ElementTree.fromstring(data)


STEPS = {"load": run_load, "iter": run_iter, "etree": run_etree}
LABELS = {"load": "sx.load (typed, checked)", "iter": "sx.iter_items (every item)",
          "etree": "ElementTree.fromstring (untyped)"}


def status(field):
    with open("/proc/self/status") as lines:
        return next(int(line.split()[1]) * 1024 for line in lines if line.startswith(field + ":"))


def memory_step(step, path):
    """Runs one step and prints the growth of the peak resident set it caused, in bytes."""
    import storagexml  # noqa: F401 - imported before the baseline, as for the timed runs
    import xml.etree.ElementTree  # noqa: F401

    data = open(path, "rb").read() if step == "etree" else None
    try:
        with open("/proc/self/clear_refs", "w") as refs:
            refs.write("5")
    except OSError:
        pass
    start = status("VmRSS")
    result = STEPS[step](path, data)
    print(status("VmHWM") - start)
    del result


def peak_growth(step, path, runs):
    if not os.path.exists("/proc/self/status"):
        return float("nan")
    growths = [int(subprocess.run([sys.executable, __file__, "--document", path, "--memory-step", step],
                                  check=True, capture_output=True, text=True).stdout) for _ in range(runs)]
    return statistics.median(growths)


def measure(path, runs, memory_runs):
    import storagexml as sx

    with open(path, "rb") as document:
        data = document.read()
    best = {step: float("inf") for step in STEPS}
    items = None
    for _ in range(runs):
        for step, run in STEPS.items():
            gc.collect()
            start = time.perf_counter()
            result = run(path, data)
            best[step] = min(best[step], time.perf_counter() - start)
            if step == "load":
                items = len(result.items)
            del result
    peaks = {step: peak_growth(step, path, memory_runs) for step in STEPS}

    size = len(data)
    print("document: %s, %d bytes, %d items; Python %s, library %s" % (
        path, size, items, sys.version.split()[0], sx.library_version()))
    print("time: best of %d runs in turns in this process; memory: peak resident growth in a fresh "
          "process, median of %d\n" % (runs, memory_runs))
    print("%-34s %8s %8s %10s %8s" % ("step", "s", "MB/s", "peak MB", "x text"))
    for step in STEPS:
        print("%-34s %8.3f %8.1f %10.1f %8.2f" % (LABELS[step], best[step], size / best[step] / 1e6,
                                                   peaks[step] / 1e6, peaks[step] / size))
    print("\nRESULT py_load_over_etree=%.2f py_iter_over_etree=%.2f py_load_mem_over_etree=%.2f" % (
        best["etree"] / best["load"], best["etree"] / best["iter"], peaks["load"] / peaks["etree"]))


def main():
    arguments = parse_arguments()
    if arguments.library:
        os.environ["STORAGEXML_LIBRARY"] = os.path.abspath(arguments.library)
    if arguments.memory_step:
        memory_step(arguments.memory_step, arguments.document)
        return
    if arguments.document:
        measure(arguments.document, arguments.runs, arguments.memory_runs)
        return
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "bench.xml")
        subprocess.run([arguments.program, "--save", path], check=True)
        measure(path, arguments.runs, arguments.memory_runs)


if __name__ == "__main__":
    main()
