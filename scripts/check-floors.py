#!/usr/bin/env python3
"""Checks that no include runs upward in the order of the folders (the floors of the program).

Floors, lowest first: runtime, platform, imaging, drawing, ui, printing, app. A file may include
headers of its own floor and of the floors below it, never of a floor above; bench/ (timed harnesses)
stands on all of them. Includes name their folder from the project root ("drawing/MemoryPainter.h"),
so the floor of an included header is its first path component. Prints every upward include and
exits 1 when there is one.
"""
import os
import re
import sys

FLOORS = ["runtime", "platform", "imaging", "drawing", "ui", "printing", "app", "bench"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


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
                    if FLOORS.index(top) > level:
                        problems.append(f"{rel}: includes {included} from a floor above ({top} over {folder})")
    for p in problems:
        print(p)
    print(f"{checked} includes checked, {len(problems)} running upward")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")))
