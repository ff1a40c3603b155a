"""Shared fixtures: the sample images, the real data sets, the C programs.

Environment (set by the CTest case; each has a default for a run by hand
from the source tree):
  RIDGESDK_LIBRARY      the library under test (default: the package's lookup)
  RIDGESDK_BUILD_DIR    the build holding ridgeforge and ridgescore
  RIDGESDK_SHARED_DATA  folder of the FVC2002 sets (tests needing it skip without it)
"""

from __future__ import annotations

import os
import pathlib
import subprocess
import sys

import pytest

HERE = pathlib.Path(__file__).resolve().parent
SOURCE = HERE.parent.parent
sys.path.insert(0, str(HERE.parent))  # the package in this source tree

import ridgesdk  # noqa: E402

SAMPLES = SOURCE / "tests" / "data" / "samples"


def build_dir() -> pathlib.Path:
    if os.environ.get("RIDGESDK_BUILD_DIR"):
        return pathlib.Path(os.environ["RIDGESDK_BUILD_DIR"])
    return pathlib.Path(ridgesdk.library_path()).resolve().parent


def shared_data() -> pathlib.Path:
    return pathlib.Path(os.environ.get("RIDGESDK_SHARED_DATA", SOURCE.parent.parent / "shared" / "data"))


def run_program(name, *args, cwd):
    """Runs one of the build's C programs; skips when it is not built."""
    program = build_dir() / name
    if not program.exists():
        pytest.skip(f"{program} is not built")
    return subprocess.run([str(program), *map(str, args)], cwd=cwd, stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, timeout=300)


def run_python(*args, cwd=None, env=None, stdin=None, timeout=120):
    """Runs this interpreter (args after the program name) with this source tree's package importable."""
    env = {**(os.environ if env is None else env), "PYTHONPATH": str(HERE.parent)}
    return subprocess.run([sys.executable, *map(str, args)], cwd=cwd, env=env, stdin=stdin, capture_output=True,
                          text=True, timeout=timeout)


def filled(entries) -> "ridgesdk.Gallery":
    """A new gallery of (identifier, template) entries, each new."""
    gallery = ridgesdk.Gallery()
    for name, t in entries:
        assert gallery.add(name, t) is False
    return gallery


@pytest.fixture(scope="session")
def sample_paths():
    return sorted(SAMPLES.glob("*.bmp"))


@pytest.fixture(scope="session")
def sample_templates(sample_paths):
    """The nine sample images' templates, by file stem."""
    return {p.stem: ridgesdk.extract(ridgesdk.read_image(p)) for p in sample_paths}


@pytest.fixture(scope="session")
def real_templates():
    """Templates of the three FVC2002 B sets (240 images), by "set/stem"; skips without the data."""
    root = shared_data()
    sets = sorted(root.glob("fvc2002_db*_b")) if root.is_dir() else []
    if not sets:
        pytest.skip(f"no FVC2002 data in {root}")
    from concurrent.futures import ThreadPoolExecutor

    paths = [p for s in sets for p in sorted(s.glob("*.bmp"))]
    with ThreadPoolExecutor(max_workers=2) as pool:  # extraction releases the GIL
        templates = list(pool.map(lambda p: ridgesdk.extract(ridgesdk.read_image(p)), paths))
    return {f"{p.parent.name}/{p.stem}": t for p, t in zip(paths, templates)}
