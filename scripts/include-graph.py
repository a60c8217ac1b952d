#!/usr/bin/env python3
"""Prints the include graph between the parts of the tree, or checks the layer rules.

    scripts/include-graph.py            the graph: each part and the parts it includes
    scripts/include-graph.py --check    exit 1 when an include breaks a rule, naming
                                        file:line and the include

Reads the sources only (no build needed). An include is resolved as the
compiler resolves it: first beside the including file, then under the
include folders the build hands out (roots()). <...> includes that resolve
to no file of the tree are system or third-party headers and are ignored;
"..." is for our own headers, so a "..." include that names no file of the
tree (a header that moved, a typo) is an error.

The rules (docs/ARCHITECTURE.md):
  - a part includes only parts of a lower rank (same rank: neither sees the other);
  - from a part with a public include/ folder, only that folder, unless the
    includer reaches the internals through the part's internal target
    (INTERNAL_USERS);
  - a library includes the public header of a component it loads by name
    (LOADED_BY_NAME), whatever the component's layer;
  - nothing outside tests/ and bench/ includes them; tests/ and bench/ may
    include anything (they link the internal targets).
"""
import os
import re
import sys

# The one folder-to-layer table. Part, folder, rank (low to high), public
# include folder ("-": the part is no library of its own and has none).
LAYERS = """
platform      platform              0   platform/include
core          core                  1   core/include
pennock       authoring             2   authoring/include
carrowell     conversion            2   conversion/include
tessaly       components/tessaly    3   components/tessaly/include
tolvane       components/tolvane    3   components/tolvane/include
brennock      components/brennock   3   components/brennock/include
cdrip         components/cdrip      3   components/cdrip/include
dx2wav        components/dx2wav     3   components/dx2wav/include
resample      components/resample   3   components/resample/include
lame_enc      components/lame_enc   3   components/lame_enc/include
app/project   app/project           4   -
app/imaging   app/imaging           5   -
app/preview   app/preview           4   -
app/shell     app/shell             5   -
app/output    app/output            6   -
app/ui        app/ui                7   -
cli           cli                   7   -
"""

# Parts that may reach another part's internals, and the target they link to do it.
INTERNAL_USERS = {
    "pennock": {"cli"},    # through pennock_core
    "carrowell": {"cli"},  # through carrowell_internal
}

# Components a library loads by name at run time: it includes their public
# header (the interface the component implements) and never links them, so
# the header is allowed although components/ is the layer above.
LOADED_BY_NAME = {
    "carrowell": {"dx2wav", "resample", "lame_enc", "cdrip"},
}

# Folders whose sources may include anything; nothing else may include them.
EXEMPT = {"tests": "tests", "bench": "bench"}

# Include folders besides the public include/ folders, in the order a
# compiler might search them: each part's own folder, and the parents that
# the program's and the tests' targets hand out ("project/...", "support/...").
EXTRA_ROOTS = ["app", "tests"]

SOURCE_SUFFIXES = (".h", ".hpp", ".c", ".cc", ".cpp")
INCLUDE_RE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


class Part:
    def __init__(self, name, folder, rank, public):
        self.name, self.folder, self.rank = name, folder, rank
        self.public = None if public == "-" else public


def load_parts():
    parts = []
    for line in LAYERS.strip().splitlines():
        name, folder, rank, public = line.split()
        parts.append(Part(name, folder, int(rank), public))
    return parts


def inside(path, folder):
    return path == folder or path.startswith(folder + "/")


def part_of(path, parts):
    """The part (or exempt folder name) a tree-relative path belongs to."""
    best = None
    for p in parts:
        if inside(path, p.folder) and (best is None or len(p.folder) > len(best.folder)):
            best = p
    if best:
        return best
    for name, folder in EXEMPT.items():
        if inside(path, folder):
            return name
    return None


def roots(parts):
    result = []
    for p in parts:
        if p.public:
            result.append(p.public)
    for p in parts:
        result.append(p.folder)
    result.extend(EXTRA_ROOTS)
    return result


def resolve(top, including, name, root_list):
    """Tree-relative paths the include can mean: [] for none, one or more."""
    here = os.path.dirname(including)
    beside = os.path.normpath(os.path.join(here, name))
    if os.path.isfile(os.path.join(top, beside)):
        return [beside]
    found = []
    for r in root_list:
        candidate = os.path.normpath(os.path.join(r, name))
        if os.path.isfile(os.path.join(top, candidate)) and candidate not in found:
            found.append(candidate)
    return found


def sources(top, parts):
    folders = [p.folder for p in parts] + list(EXEMPT.values())
    seen = set()
    for folder in folders:
        for dirpath, dirnames, filenames in os.walk(os.path.join(top, folder)):
            dirnames.sort()
            for f in sorted(filenames):
                if f.endswith(SOURCE_SUFFIXES):
                    rel = os.path.relpath(os.path.join(dirpath, f), top)
                    if rel not in seen:
                        seen.add(rel)
                        yield rel


def label(target_part, target_path):
    """How an edge names its target: "carrowell(public)", "pennock(internal)"."""
    if isinstance(target_part, str):
        return target_part
    if target_part.public is None:
        return target_part.name
    public = inside(target_path, target_part.public)
    if target_part.rank in (0, 1) and public:  # platform/ and core/ are all public surface
        return target_part.name
    return "%s(%s)" % (target_part.name, "public" if public else "internal")


def verdict(src_part, tgt_part, tgt_path):
    """None when the include is allowed, else the reason it is not."""
    if isinstance(src_part, str):  # tests/, bench/
        return None
    if isinstance(tgt_part, str):
        return "%s/ is not part of the product" % EXEMPT[tgt_part]
    if tgt_part is src_part:
        return None
    if tgt_part.name in LOADED_BY_NAME.get(src_part.name, ()):
        if inside(tgt_path, tgt_part.public):
            return None
        return "%s is private to %s; only %s/ is public" % (tgt_path, tgt_part.name, tgt_part.public)
    if tgt_part.rank > src_part.rank:
        return "%s may not include %s, which is above it" % (src_part.name, tgt_part.name)
    if tgt_part.rank == src_part.rank:
        return "%s and %s are on the same layer; neither may include the other" % (
            src_part.name, tgt_part.name)
    if tgt_part.public and not inside(tgt_path, tgt_part.public):
        if src_part.name in INTERNAL_USERS.get(tgt_part.name, ()):
            return None
        return "%s is private to %s; only %s/ is public" % (tgt_path, tgt_part.name, tgt_part.public)
    return None


def main(argv):
    if argv[1:] in (["-h"], ["--help"]):
        print(__doc__.strip())
        return 0
    if argv[1:] not in ([], ["--check"]):
        print("usage: include-graph.py [--check]", file=sys.stderr)
        return 2
    check = argv[1:] == ["--check"]
    top = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    parts = load_parts()
    root_list = roots(parts)

    edges = {}       # source part name -> set of labels
    order = {}       # part name -> rank for printing
    problems = []
    for path in sources(top, parts):
        src = part_of(path, parts)
        src_name = src if isinstance(src, str) else src.name
        order[src_name] = 99 if isinstance(src, str) else src.rank
        edges.setdefault(src_name, set())
        with open(os.path.join(top, path), encoding="utf-8", errors="replace") as f:
            for number, text in enumerate(f, 1):
                m = INCLUDE_RE.match(text)
                if not m:
                    continue
                name = m.group(2).strip()
                found = resolve(top, path, name, root_list)
                where = "%s:%d: #include %s%s%s" % (path, number, m.group(1), name,
                                                    '"' if m.group(1) == '"' else ">")
                if not found:
                    if m.group(1) == '"':
                        problems.append('%s: names no header of the tree ("..." is for ours; '
                                        "system and third-party headers take <...>)" % where)
                    continue  # a system or third-party header
                if len(found) > 1:
                    problems.append("%s: ambiguous, it names %s" % (where, " and ".join(found)))
                target = found[0]
                tgt = part_of(target, parts)
                if tgt is None:
                    continue
                if tgt is not src:
                    edges[src_name].add(label(tgt, target))
                reason = verdict(src, tgt, target)
                if reason:
                    problems.append("%s: %s" % (where, reason))

    if check:
        for p in problems:
            print(p, file=sys.stderr)
        if problems:
            print("include-graph: %d include(s) break the layer rules (docs/ARCHITECTURE.md)"
                  % len(problems), file=sys.stderr)
            return 1
        print("include-graph: every include keeps to the layers")
        return 0

    for name in sorted(edges, key=lambda n: (order[n], n)):
        targets = sorted(edges[name])
        print("%-12s -> %s" % (name, ", ".join(targets) if targets else "(nothing of ours)"))
    if problems:
        print("\n%d include(s) break the rules; run with --check to list them." % len(problems))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
