#!/usr/bin/env python3
"""Fails when an include of the sources runs up the layers.

The folders of src/ are layers, from the bottom:

    base < html < net, store < maps < viewer < pages < settings < engine < app < ui

app holds the window models (one per window, named like its view in ui: new_web_model.h beside
ui/new_web_dialog.h) and the commands both front ends run; ui holds the Qt views only.

A file may include its own folder and any folder below its own; net and store sit side by side
and do not include each other. The front ends in apps/ may include everything. Run from
anywhere; prints every upward include and exits 1 when there is one.
"""
import pathlib
import re
import sys

RANKS = {
    "base": 0,
    "html": 1,
    "net": 2,
    "store": 2,
    "maps": 3,
    "viewer": 4,
    "pages": 5,
    "settings": 6,
    "engine": 7,
    "app": 8,
    "ui": 9,
}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([a-z_]+)/[^"]+"', re.M)


def violations(src: pathlib.Path):
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        layer = path.relative_to(src).parts[0]
        if layer not in RANKS:
            yield f"{path}: folder '{layer}' is not a known layer"
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        for number, line in enumerate(text.splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target = match.group(1)
            if target == layer:
                continue
            if target not in RANKS:
                yield f"{path}:{number}: includes unknown layer '{target}'"
            elif RANKS[target] >= RANKS[layer]:
                yield f"{path}:{number}: {layer} must not include {target} ({line.strip()})"


def main() -> int:
    top = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent
    found = list(violations(top / "src"))
    for message in found:
        print(message)
    if found:
        print(f"{len(found)} include(s) run up the layers")
        return 1
    print("layers: every include points down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
