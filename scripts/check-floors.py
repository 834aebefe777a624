#!/usr/bin/env python3
"""Checks that no include runs upward in the order of the folders (the floors of the program).

Floors, lowest first: runtime, platform, imaging, drawing, ui, printing, app. A file may include
headers of its own floor and of the floors below it, never of a floor above; bench/ (timed harnesses)
stands on all of them, and testsupport/ (the helpers of the test programs) above bench. Test code may
use the test helpers: an include of "testsupport/..." is allowed from files under a tests/ folder and
from bench/, from no other file of the program. Includes name their folder from the project root
("drawing/MemoryPainter.h"), so the floor of an included header is its first path component. Prints
every upward include and exits 1 when there is one.
"""
import os
import re
import sys

FLOORS = ["runtime", "platform", "imaging", "drawing", "ui", "printing", "app", "bench", "testsupport"]
TEST_SUPPORT = "testsupport"
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def is_test_code(rel):
    """Whether a file (path relative to the root) is test code: under a tests/ folder, or in bench/."""
    parts = rel.replace(os.sep, "/").split("/")
    return parts[0] == "bench" or "tests" in parts[:-1]


def main(root):
    problems = []
    checked = 0
    for folder in FLOORS:
        for base, _, names in os.walk(os.path.join(root, folder)):
            for name in names:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(base, name)
                rel = os.path.relpath(path, root)
                level = FLOORS.index(folder)
                with open(path, encoding="utf-8") as f:
                    text = f.read()
                for included in INCLUDE.findall(text):
                    checked += 1
                    top = included.split("/", 1)[0]
                    if top not in FLOORS:
                        continue  # a file of the same folder's own sub-library (the picture library's src)
                    if top == TEST_SUPPORT and folder != TEST_SUPPORT and is_test_code(rel):
                        continue  # test code standing on the test helpers
                    if FLOORS.index(top) > level:
                        problems.append(f"{rel}: includes {included} from a floor above ({top} over {folder})")
    for p in problems:
        print(p)
    print(f"{checked} includes checked, {len(problems)} running upward")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")))
