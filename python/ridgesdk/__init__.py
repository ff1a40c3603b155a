"""ridgesdk: fingerprint minutiae extraction, comparison and search.

A Python interface to the ridgesdk C library (libridgesdk.so). Grey
fingerprint images (2-D ``numpy.uint8`` arrays, 500 pixels per inch) become
minutiae templates; two templates compare to a similarity score from 0 to
about 130; a gallery of enrolled templates is searched for a probe or
de-duplicated; ``ridgesdk.distributed`` runs searches and de-duplication
over gallery shards on a Dask cluster.

Example::

    import ridgesdk
    a = ridgesdk.extract(ridgesdk.read_image("tests/data/samples/101_1.bmp"))
    b = ridgesdk.extract(ridgesdk.read_image("tests/data/samples/101_2.bmp"))
    print(len(a), len(b), ridgesdk.match(a, b))
    with ridgesdk.Gallery() as gallery:
        gallery.add("101_1", a)
        print(gallery.search(b, top=5))

Contents:

- :func:`extract`, :func:`quality`: image to template, image quality.
- :class:`Template`: minutiae as a numpy array; raw, packed and FMR378 bytes.
- :func:`match`: the score of ``matchRawFPTs``, exactly.
- :func:`read_image`: BMP, PNG, PGM/PPM files to grey arrays.
- :class:`Gallery`: enrol, remove, save, load, search, de-duplicate.
- :class:`RidgeError`: every failure of the library, with its status name
  and message; :class:`Status` lists the codes.
- :func:`set_diagnostics`: the library's diagnostic lines are dropped
  unless asked for (logging, warnings, printing or a function).

The library is found at the path in the environment variable
``RIDGESDK_LIBRARY`` when set, else beside the installed package, else in
the build tree (``build/``) of the source tree holding this package, else
by the system's library search. Extraction, comparison and search release
the GIL, so Python threads run them in parallel.
"""

from ._library import (
    RidgeError,
    RidgeWarning,
    Status,
    library_path,
    set_diagnostics,
)
from ._template import (
    BIFURCATION,
    MAX_MINUTIAE,
    MINUTIA_DTYPE,
    RIDGE_ENDING,
    Template,
    copyright,
    extract,
    library_version,
    match,
    quality,
    read_image,
)
from ._gallery import Gallery

__version__ = "1.0.169"

# The public classes read as ridgesdk.X in help(), reprs and pickles.
for _public in (RidgeError, RidgeWarning, Status, Template, Gallery):
    _public.__module__ = __name__
del _public

__all__ = [
    "BIFURCATION",
    "Gallery",
    "MAX_MINUTIAE",
    "MINUTIA_DTYPE",
    "RIDGE_ENDING",
    "RidgeError",
    "RidgeWarning",
    "Status",
    "Template",
    "copyright",
    "extract",
    "library_path",
    "library_version",
    "match",
    "quality",
    "read_image",
    "set_diagnostics",
]
