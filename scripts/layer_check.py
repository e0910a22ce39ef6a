#!/usr/bin/env python3
"""Finds include cycles between the units of the source tree.

A unit is a header and the sources named like it (capture/capture.h with capture/capture.cpp); a unit
depends on another when any of its files includes one of the other's. Two units that reach each
other through such edges form a cycle: neither can be understood, tested or linked without the
other. Prints each cycle as a chain of includes and exits 1 when there is any, else prints one
line and exits 0.

    scripts/include_cycles.py [ROOT]    (default: the repository this script lives in)
"""
import pathlib
import re
import sys

FOLDERS = ("app", "capture", "platform", "audio", "launcher", "gfx", "assets", "dots", "scenes", "tools", "tests")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def unit_of(path: pathlib.Path, root: pathlib.Path) -> str:
    return str(path.relative_to(root).with_suffix(""))


def include_edges(root: pathlib.Path):
    """unit -> {included unit: (including file, included header)}"""
    files = [p for folder in FOLDERS for p in (root / folder).rglob("*")
             if p.suffix in (".h", ".cpp") and p.is_file()]
    known = {str(p.relative_to(root)) for p in files}
    edges = {}
    for path in files:
        unit = unit_of(path, root)
        local = path.parent.relative_to(root)
        for name in INCLUDE.findall(path.read_text(errors="replace")):
            # Includes are written from the repository root, or from tests/ for the test support.
            for candidate in (name, str(pathlib.Path("tests") / name), str(local / name)):
                if candidate in known:
                    target = unit_of(root / candidate, root)
                    if target != unit:
                        edges.setdefault(unit, {}).setdefault(
                            target, (str(path.relative_to(root)), candidate))
                    break
    return edges


def strongly_connected(edges):
    """Tarjan's algorithm, iterative: the components of more than one unit."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = 0
    nodes = set(edges) | {t for targets in edges.values() for t in targets}
    for start in sorted(nodes):
        if start in index:
            continue
        work = [(start, iter(sorted(edges.get(start, {}))))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is None:
                work.pop()
                if work:
                    low[work[-1][0]] = min(low[work[-1][0]], low[node])
                if low[node] == index[node]:
                    component = []
                    while True:
                        member = stack.pop()
                        on_stack.discard(member)
                        component.append(member)
                        if member == node:
                            break
                    if len(component) > 1:
                        found.append(sorted(component))
            elif child not in index:
                index[child] = low[child] = counter
                counter += 1
                stack.append(child)
                on_stack.add(child)
                work.append((child, iter(sorted(edges.get(child, {})))))
            elif child in on_stack:
                low[node] = min(low[node], index[child])
    return found


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    edges = include_edges(root.resolve())
    cycles = strongly_connected(edges)
    for component in cycles:
        members = set(component)
        print("include cycle between " + ", ".join(component) + ":")
        for unit in component:
            for target, (source, header) in sorted(edges.get(unit, {}).items()):
                if target in members:
                    print(f"  {source} includes {header}")
    if cycles:
        return 1
    print(f"no include cycles among {len(edges)} units")
    return 0


if __name__ == "__main__":
    sys.exit(main())
