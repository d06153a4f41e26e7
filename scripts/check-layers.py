#!/usr/bin/env python3
"""Checks that the includes of every source file follow the libraries' links.

The allowed graph comes from the CMakeLists files (what each library, test
program, benchmark, fuzz target and tool links, directly or through the
libraries it links); the layer order is platform < core < practice <
catalogs < organiser < letters < textlib < netlib < output < admin < app.
It fails when
  - a file includes a library its folder's target does not link,
  - a library includes a library of a higher layer,
  - a library links another library directly that none of its own sources
    includes (a library it includes through another may be linked directly
    instead).
Runs in a second, without a build: `python3 scripts/check-layers.py [root]`.
"""
import re
import sys
from pathlib import Path

ROOT = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent)
SUBSYSTEMS = ["core", "practice", "catalogs", "organiser", "letters", "textlib", "netlib",
              "output", "admin"]
SOURCE_SUFFIXES = {".cpp", ".h"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def cmake_commands(text, command):
    """The argument lists of every `command(...)` in a CMake text."""
    text = re.sub(r"#[^\n]*", "", text)
    for match in re.finditer(r"\b%s\s*\(([^)]*)\)" % command, text):
        yield match.group(1).split()


def only_ours(names):
    return [n for n in names if n.startswith("varneta_")]


class Graph:
    def __init__(self):
        self.links = {}      # target -> the varneta_* targets it links
        self.folder_of = {}  # library folder (relative) -> library target
        self.layer = {}      # library target -> layer number
        self.test_links = {}  # library target -> what its test program links

    def closure(self, targets):
        seen, todo = set(), list(targets)
        while todo:
            t = todo.pop()
            if t in seen:
                continue
            seen.add(t)
            todo.extend(self.links.get(t, []))
        return seen


def cmake_files():
    """The source tree's CMakeLists files (build folders and .git left out)."""
    found = []
    for top in sorted(ROOT.iterdir()):
        if top.is_dir() and not top.name.startswith((".", "build")):
            found += sorted(top.rglob("CMakeLists.txt"))
    return found


def read_graph():
    g = Graph()
    consumers = []  # (description, files, linked targets, may use test kits)
    for cmake in cmake_files():
        folder = cmake.parent.relative_to(ROOT)
        text = cmake.read_text()
        for args in cmake_commands(text, "varneta_library"):
            name, rest = args[0], args[1:]
            deps, test_deps, mode = [], [], None
            qt = False
            for word in rest:
                if word in ("DEPS", "TEST_DEPS"):
                    mode = word
                elif word == "QT":
                    qt = True
                elif mode == "DEPS":
                    deps.append(word)
                elif mode == "TEST_DEPS":
                    test_deps.append(word)
            target = "varneta_" + name
            g.links[target] = only_ours(deps)
            g.folder_of[str(folder)] = target
            main = "varneta_ui_test_main" if qt else "varneta_test_main"
            g.test_links[target] = [target] + only_ours(test_deps) + [main]
            tests = ROOT / folder / "tests"
            if tests.is_dir():
                consumers.append(("%s/tests" % folder, sorted(tests.rglob("*")),
                                  g.test_links[target], True))
        # Libraries and executables named with their sources.
        for command in ("add_library", "add_executable"):
            for args in cmake_commands(text, command):
                target, files = args[0], [a for a in args[1:] if Path(a).suffix == ".cpp"]
                if not files or "${" in target:
                    continue
                g.links.setdefault(target, [])
                # The bench and fuzz folders' own helper libraries are parts of
                # their programs, checked with them below, not layers.
                if command == "add_library" and folder.parts[0] not in ("bench", "fuzz"):
                    sub = (folder / Path(files[0]).parent)
                    g.folder_of.setdefault(str(sub), target)
        for args in cmake_commands(text, "target_link_libraries"):
            target = args[0]
            if "${" in target:
                continue
            g.links.setdefault(target, [])
            g.links[target] += only_ours(a for a in args[1:] if a not in ("PUBLIC", "PRIVATE", "INTERFACE"))
        # Executables of a folder: their sources, read from add_executable.
        for args in cmake_commands(text, "add_executable"):
            target, files = args[0], [a for a in args[1:] if Path(a).suffix == ".cpp"]
            if "${" in target or not files:
                continue
            paths = [ROOT / folder / f for f in files]
            headers = [p.with_suffix(".h") for p in paths if p.with_suffix(".h").exists()]
            consumers.append((target, paths + headers, [target], True))

    for folder, target in g.folder_of.items():
        top = folder.split("/")[0]
        g.layer[target] = 0 if top == "platform" else (
            SUBSYSTEMS.index(top) + 1 if top in SUBSYSTEMS else len(SUBSYSTEMS) + 1)

    # Benchmarks and fuzz targets: one program per file, libraries per name.
    for folder, variable, default in (("bench", "VARNETA_BENCH_LIBS_", ["varneta_base"]),
                                      ("fuzz", "VARNETA_FUZZ_LIBS_", ["varneta_base"])):
        per_name = {}
        for listing in (ROOT / folder).glob("*.cmake"):
            for args in cmake_commands(listing.read_text(), "set"):
                if args and args[0].startswith(variable):
                    per_name[args[0][len(variable):]] = only_ours(args[1:])
        for source in sorted((ROOT / folder).glob("*.cpp")):
            libs = per_name.get(source.stem, default)
            consumers.append(("%s/%s" % (folder, source.name), [source], libs, True))
        if folder == "bench":
            helpers = [p for p in (ROOT / folder).glob("*.h")]
            every = sorted({lib for libs in per_name.values() for lib in libs} | set(default))
            consumers.append(("bench helpers", helpers, every, True))
    return g, consumers


def owner(g, include):
    """The library target an include path belongs to, or None (not ours)."""
    parts = include.split("/")
    for n in range(len(parts) - 1, 0, -1):
        folder = "/".join(parts[:n])
        if folder in g.folder_of:
            return g.folder_of[folder]
    return None


def includes(path):
    try:
        return INCLUDE.findall(path.read_text(errors="replace"))
    except (IsADirectoryError, FileNotFoundError):
        return []


def own_sources(g, folder):
    """A library folder's sources, in subfolders too, but not its tests, its
    test kit or a subfolder that is a library of its own."""
    base = ROOT / folder
    found = []
    for path in sorted(base.rglob("*")):
        inner = path.relative_to(base).parts[:-1]
        if path.suffix not in SOURCE_SUFFIXES or "tests" in inner or "testing" in inner:
            continue
        if any(str(Path(folder, *inner[:n])) in g.folder_of for n in range(1, len(inner) + 1)):
            continue
        found.append(path)
    return found


def main():
    g, consumers = read_graph()
    faults = []

    def check(description, files, linked, test_kits):
        allowed = g.closure(linked)
        for path in files:
            if path.suffix not in SOURCE_SUFFIXES:
                continue
            for inc in includes(path):
                lib = owner(g, inc)
                if lib is None:
                    continue
                if "/testing/" in inc and not test_kits:
                    faults.append("%s includes the test kit \"%s\"" % (path.relative_to(ROOT), inc))
                if lib not in allowed:
                    faults.append("%s includes \"%s\" of %s, which %s does not link" %
                                  (path.relative_to(ROOT), inc, lib, description))

    for folder, target in sorted(g.folder_of.items()):
        base = ROOT / folder
        files = own_sources(g, folder)
        # A library's header-only test kit (folder testing/ with no target of
        # its own) serves the tests: it may include what their program links.
        kit = base / "testing"
        kit_is_own = kit.is_dir() and str(kit.relative_to(ROOT)) not in g.folder_of
        check(target, files, [target], Path(folder).name == "testing")
        if kit_is_own:
            check(target + "'s test program", sorted(kit.iterdir()),
                  g.test_links.get(target, [target]), True)
        # Layers: a library includes nothing of a higher layer.
        used = set()
        for path in files:
            for inc in includes(path):
                lib = owner(g, inc)
                if lib is None or lib == target:
                    continue
                used.add(lib)
                if g.layer.get(lib, 0) > g.layer[target]:
                    faults.append("%s (layer of %s) includes \"%s\" of a higher layer" %
                                  (path.relative_to(ROOT), target, inc))
        # Links no more than the sources use.
        direct = g.links.get(target, [])
        for dep in direct:
            if dep not in used:
                faults.append("%s links %s, but none of its sources includes it (they include: %s)" %
                              (target, dep, ", ".join(sorted(used)) or "none"))

    for description, files, linked, test_kits in consumers:
        check(description, files, linked, test_kits)

    for fault in faults:
        print("check-layers: " + fault, file=sys.stderr)
    if faults:
        print("check-layers: %d fault(s)" % len(faults), file=sys.stderr)
        return 1
    print("check-layers: %d libraries, includes follow the links and the layers" % len(g.folder_of))
    return 0


if __name__ == "__main__":
    sys.exit(main())
