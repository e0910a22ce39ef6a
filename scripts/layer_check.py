#!/usr/bin/env python3
"""Holds every include of the source tree to the layer table, and finds include cycles.

Each folder is one library (CMakeLists.txt) whose dependencies run one way, down the layers: a
file may include headers of its own folder and of the folders its row in LAYERS names, all of
them lower rows. The entry (app/main.cpp, app/main_emscripten.cpp) lives in app/ but is the
program on top of everything, the off-screen runs in capture/ included: capture/ drives app's
show. Where the layout makes a lower folder read a header of an upper one, UPWARD_READS names
the header and who may read it; such a header is a record read field by field, never a library
to link.

Then, within the rules, no two units may include each other: a unit is a header and the sources
named like it (capture/offscreen.h with capture/offscreen.cpp), and two units that reach each
other through includes, directly or round a loop, can be neither understood nor tested apart.

Prints each include against the table and each cycle, and exits 1 when there is any; else prints
one line and exits 0. With --table it prints the table as Markdown instead.

    scripts/layer_check.py [--table] [ROOT]    (default: the repository this script lives in)
"""
import pathlib
import re
import sys

# Top to bottom: each folder and the folders it may include besides its own.
LAYERS = {
    "tools": ("capture", "scenes", "assets", "base"),
    "entry": ("capture", "app", "scenes", "dots", "launcher", "assets", "gfx", "audio",
              "platform", "base"),
    "capture": ("app", "scenes", "dots", "launcher", "assets", "gfx", "audio", "platform", "base"),
    "app": ("scenes", "dots", "launcher", "assets", "gfx", "audio", "base"),
    "scenes": ("dots", "launcher", "assets", "gfx", "audio", "base"),
    "dots": ("assets", "gfx", "base"),
    "launcher": ("assets", "gfx", "audio", "base"),
    "assets": ("gfx", "audio", "base"),
    "gfx": ("base",),
    "audio": ("base",),
    "platform": ("base",),
    "base": (),
}
ROLES = {
    "tools": "the data generator, a program of its own",
    "entry": "app/main.cpp, app/main_emscripten.cpp: the executable",
    "capture": "off-screen runs: video, frames, still, benchmark, encoder, PNG writer",
    "app": "command line, show's life and loop, clock, timeline, fades, scene parameters",
    "scenes": "the scenes, their lettering and the runtime set-up that fills their tables",
    "dots": "the halftone dot layers and their drawing",
    "launcher": "the settings record, display-mode list, setup dialog",
    "assets": "registries, picture reader, render targets, shaders, build-up",
    "gfx": "display backends, GL loader, letterbox",
    "audio": "music engine, decoders, spectrum, sound outputs",
    "platform": "system answers, interrupts, timer period, child process",
    "base": "header-only helpers: vector, random generator, ramps",
}
ENTRY = ("app/main.cpp", "app/main_emscripten.cpp")
# Headers an upper folder owns that lower folders read, and who may.
UPWARD_READS = {
    "app/scene_params.h": ("scenes", "dots"),
    "launcher/demo_context.h": ("assets", "gfx"),
}

# Folders whose units the cycle check covers; the tests are held to no layer.
FOLDERS = tuple(name for name in LAYERS if name != "entry") + ("tests",)
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def layer_of(relative: str) -> str:
    return "entry" if relative in ENTRY else relative.split("/", 1)[0]


def table_errors():
    """The table itself must run one way: a row names only rows below it."""
    order = list(LAYERS)
    errors = []
    for row, allowed in LAYERS.items():
        for name in allowed:
            if name not in LAYERS or order.index(name) <= order.index(row):
                errors.append(f"layer table: {row} may include {name}, which is not below it")
    for header, readers in UPWARD_READS.items():
        for reader in readers:
            if order.index(reader) <= order.index(layer_of(header)):
                errors.append(f"layer table: {reader} reading {header} is not an upward read")
    return errors


def source_files(root: pathlib.Path):
    return sorted(p for folder in FOLDERS for p in (root / folder).rglob("*")
                  if p.suffix in (".h", ".cpp") and p.is_file())


def includes_of(path: pathlib.Path, root: pathlib.Path, known):
    """The repository files that `path` includes, as paths relative to the root."""
    local = path.parent.relative_to(root)
    for name in INCLUDE.findall(path.read_text(errors="replace")):
        # Includes are written from the repository root, or from tests/ for the test support.
        for candidate in (name, str(pathlib.Path("tests") / name), str(local / name)):
            if candidate in known:
                yield candidate
                break


def layer_errors(root: pathlib.Path, files, known):
    errors = []
    checked = 0
    for path in files:
        relative = str(path.relative_to(root))
        layer = layer_of(relative)
        if layer == "tests":
            continue
        for target in includes_of(path, root, known):
            target_layer = layer_of(target)
            checked += 1
            if target_layer == layer or target_layer in LAYERS[layer]:
                continue
            if layer in UPWARD_READS.get(target, ()):
                continue
            allowed = ", ".join(LAYERS[layer]) or "nothing else"
            errors.append(f"{relative} includes {target}: {layer} may include only its own "
                          f"headers and {allowed}")
    return errors, checked


def unit_of(relative: str) -> str:
    return str(pathlib.Path(relative).with_suffix(""))


def include_edges(root: pathlib.Path, files, known):
    """unit -> {included unit: (including file, included header)}"""
    edges = {}
    for path in files:
        relative = str(path.relative_to(root))
        unit = unit_of(relative)
        for target in includes_of(path, root, known):
            if unit_of(target) != unit:
                edges.setdefault(unit, {}).setdefault(unit_of(target), (relative, target))
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


def cycle_errors(edges):
    errors = []
    for component in strongly_connected(edges):
        members = set(component)
        lines = ["include cycle between " + ", ".join(component) + ":"]
        for unit in component:
            for target, (source, header) in sorted(edges.get(unit, {}).items()):
                if target in members:
                    lines.append(f"  {source} includes {header}")
        errors.append("\n".join(lines))
    return errors


def print_table():
    print("| Layer | What lives there | May include |")
    print("|---|---|---|")
    for row, allowed in LAYERS.items():
        reads = [f"`{h}`" for h, readers in UPWARD_READS.items() if row in readers]
        may = ", ".join(allowed) or "nothing"
        if reads:
            may += "; reads " + ", ".join(reads) + " above it"
        name = row if row == "entry" else f"`{row}/`"
        print(f"| {name} | {ROLES[row]} | {may} |")


def main() -> int:
    args = sys.argv[1:]
    if args[:1] == ["--table"]:
        print_table()
        return 0
    root = pathlib.Path(args[0] if args else pathlib.Path(__file__).parent.parent).resolve()
    files = source_files(root)
    known = {str(p.relative_to(root)) for p in files}
    unplaced = sorted({layer_of(k) for k in known} - set(LAYERS) - {"tests"})
    errors = table_errors() + [f"{name}/ has no row in the layer table" for name in unplaced]
    layered, checked = layer_errors(root, files, known)
    edges = include_edges(root, files, known)
    errors += layered + cycle_errors(edges)
    for error in errors:
        print(error)
    if errors:
        print(f"nightloom: the layer check found {len(errors)} faults (scripts/layer_check.py)")
        return 1
    print(f"layers hold for {checked} includes in {len(LAYERS)} layers; "
          f"no include cycles among {len(edges)} units")
    return 0


if __name__ == "__main__":
    sys.exit(main())
