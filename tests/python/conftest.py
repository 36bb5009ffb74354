"""Shared by the Python package's tests: where the examples and the storagexml program are.

CTest runs them against the build tree (STORAGEXML_LIBRARY, PYTHONPATH); run by hand, they
test whichever storagexml package and C library Python finds.
"""
import os
import pathlib

import pytest

SOURCE = pathlib.Path(os.environ.get("STORAGEXML_SOURCE_DIR", pathlib.Path(__file__).parents[2]))
EXAMPLES = sorted((SOURCE / "examples").glob("*.xml"))
GOOD = [path for path in EXAMPLES if not path.name.startswith("bad-")]
BAD = [path for path in EXAMPLES if path.name.startswith("bad-")]


@pytest.fixture
def program():
    """The storagexml program, whose answers the package's must match."""
    path = os.environ.get("STORAGEXML_PROGRAM")
    if not path:
        pytest.skip("STORAGEXML_PROGRAM names no storagexml program")
    return path
