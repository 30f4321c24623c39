#!/usr/bin/env python3
"""Fails when a folder of the program's core includes a folder it must not.

The core's folders form layers, lowest first: each may include only itself and the folders
listed for it. A new include that breaks the order (and so could close a cycle) is named with
its file and line.
"""
import pathlib
import re
import sys

ALLOWED = {
    "data": set(),
    "db": {"data"},
    "auth": {"data", "db"},
    "domain": {"data"},
    "session": {"data", "db", "auth", "domain"},
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/')


def problems(core):
    found = []
    for path in sorted(core.rglob("*")):
        if path.suffix not in (".h", ".cpp") or path.parent == core:
            continue
        folder = path.relative_to(core).parts[0]
        if folder not in ALLOWED:
            found.append("%s: a folder the layer table does not know" % path)
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            m = INCLUDE.match(line)
            if m and m.group(1) != folder and m.group(1) not in ALLOWED[folder]:
                found.append("%s:%d: %s includes %s" % (path, number, folder, line.strip()))
    return found


def main():
    core = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src/core")
    found = problems(core)
    for p in found:
        print(p)
    if found:
        print("The core's folders depend one way: data <- db <- auth, data <- domain, and session on top.")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
