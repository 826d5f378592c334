#!/usr/bin/env python3
"""Keeps the house in order: checks the program's sources for
  - an include that points up a layer, or across to a room of the same
    layer (the rooms, lowest first, are in LAYERS below);
  - headers that include one another in a loop;
  - a source file over the line bound (tests included: a file a newcomer
    cannot read whole is split by what it tests).
Usage: check-layers.py [ROOT] [--bound N] [--self-test]. Prints each finding
and exits 1 when there is any; with --self-test it first checks that it finds
each kind of fault in a small tree of its own making (exit 2 when not)."""
import os
import re
import sys
import tempfile

# Each room with its layer: a file may include its own room and the rooms of
# lower layers only. Rooms of one layer know nothing of each other.
LAYERS = {
    "framework": 0, "res": 0,
    "settings": 1, "record": 1,
    "journal": 2,
    "engine": 3,
    "script": 4,
    "dialogs": 5,
    "app": 6,
    "uninstall": 7, "publisher": 7,
}
# Folders whose files are held to the bound but not to the layers: they may
# use every room.
ABOVE_ALL = ("tests", "bench")
SOURCE = (".cpp", ".h", ".c")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources(root):
    for top in list(LAYERS) + list(ABOVE_ALL):
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                if name.endswith(SOURCE):
                    yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def check(root, bound):
    findings = []
    includes = {}
    for path in sources(root):
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            text = f.read()
        lines = text.count("\n") + (0 if text.endswith("\n") or not text else 1)
        if lines > bound:
            findings.append(f"{path}: {lines} lines, over the bound of {bound}")
        room = path.split("/")[0]
        named = [i for i in INCLUDE.findall(text) if "/" in i and i.split("/")[0] in LAYERS]
        includes[path] = named
        if room not in LAYERS:
            continue
        for target in named:
            other = target.split("/")[0]
            if other == room:
                continue
            if LAYERS[other] > LAYERS[room]:
                findings.append(f"{path}: includes {target}, a layer above {room}/")
            elif LAYERS[other] == LAYERS[room]:
                findings.append(f"{path}: includes {target}, beside {room}/ in the same layer")
    # Loops among the headers (a source file is never included).
    state = {}
    stack = []

    def visit(header):
        state[header] = "open"
        stack.append(header)
        for target in includes.get(header, []):
            if not target.endswith(".h") or target not in includes:
                continue
            if state.get(target) == "open":
                loop = stack[stack.index(target):] + [target]
                findings.append("headers include one another in a loop: " + " -> ".join(loop))
            elif target not in state:
                visit(target)
        stack.pop()
        state[header] = "done"

    for header in sorted(h for h in includes if h.endswith(".h")):
        if header not in state:
            visit(header)
    return findings


def self_test():
    """Each kind of fault, once, in a tree of its own, and what must not be
    one: the checker that finds nothing proves nothing."""
    files = {
        "framework/Up.h": '#include "engine/Copy.h"\n',          # up a layer
        "settings/Across.h": '#include "record/Record.h"\n',     # across one
        "record/Record.h": '#include "framework/Up.h"\n',        # down: fine
        "journal/Loop1.h": '#include "journal/Loop2.h"\n',
        "journal/Loop2.h": '#include "journal/Loop1.h"\n',       # a loop
        "engine/Copy.h": '#include "journal/Loop1.h"\n#include "res/resource.h"\n',
        "engine/Long.cpp": "//\n" * 401,                        # one over
        "engine/Bound.cpp": "//\n" * 400,                       # at the bound
        "uninstall/Beside.cpp": '#include "publisher/Tool.h"\n', # across the top
        "tests/Anything.cpp": '#include "app/App.h"\n',         # tests use all
    }
    with tempfile.TemporaryDirectory() as root:
        for name, text in files.items():
            path = os.path.join(root, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text)
        found = check(root, 400)
    wanted = [
        "framework/Up.h: includes engine/Copy.h, a layer above framework/",
        "settings/Across.h: includes record/Record.h, beside settings/ in the same layer",
        "uninstall/Beside.cpp: includes publisher/Tool.h, beside uninstall/ in the same layer",
        "engine/Long.cpp: 401 lines, over the bound of 400",
        "headers include one another in a loop: journal/Loop1.h -> journal/Loop2.h -> journal/Loop1.h",
    ]
    missed = [w for w in wanted if w not in found]
    extra = [f for f in found if f not in wanted]
    for line in missed:
        print("self-test: not found: " + line)
    for line in extra:
        print("self-test: found, but no fault: " + line)
    return not missed and not extra


def main(argv):
    root = "."
    bound = 400
    args = list(argv)
    while args:
        arg = args.pop(0)
        if arg == "--bound":
            bound = int(args.pop(0))
        elif arg == "--self-test":
            if not self_test():
                return 2
        else:
            root = arg
    findings = check(root, bound)
    for finding in findings:
        print(finding)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
