#!/usr/bin/env python3
"""Each kit's README shows its first bot: the first fenced code block of the
README must be that file, byte for byte, so that the code a student copies is
the code the tests run."""

import re
import sys
from pathlib import Path

ICI = Path(__file__).resolve().parent
EXEMPLES = {"python": "exemple.py", "cpp": "exemple.cpp", "c": "exemple.c",
            "javascript": "exemple.js", "java": "src/Exemple.java"}


def main() -> int:
    fautes = []
    for kit, exemple in EXEMPLES.items():
        readme = (ICI / kit / "README.md").read_text()
        bloc = re.search(r"^```[a-z]*\n(.*?)^```$", readme, re.S | re.M)
        if bloc is None:
            fautes.append(f"{kit}/README.md has no code block")
        elif bloc.group(1) != (ICI / kit / exemple).read_text():
            fautes.append(f"{kit}/README.md's first code block differs from {kit}/{exemple}")
    for faute in fautes:
        print(faute)
    print(f"{len(EXEMPLES) - len(fautes)} passed, {len(fautes)} failed")
    return 1 if fautes else 0


if __name__ == "__main__":
    sys.exit(main())
