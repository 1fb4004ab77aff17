#!/usr/bin/env python3
"""Checks every include of src/, tests/ and bench/ against the folder table of
ARCHITECTURE.md and against what the file's target links (the project's
libraries and Qt modules, as the CMake lists say), that each folder's
library links the folders of its row, and that a test of tests/FOLDER
links no library that src/FOLDER may not include. Prints one line per broken rule and
exits 1; exits 2 when it cannot judge (a malformed table, a folder or target
it does not know)."""
import glob
import os
import re
import subprocess
import sys

# Folders of tests/ that may include any folder of src/: the shared fixtures
# and the whole games.
ANY_FOLDER = ('support', 'e2e')
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
COMMAND = re.compile(r'\b(\w+)\s*\(([^)]*)\)')


def fail(message):
    print(f'check-layers: {message}', file=sys.stderr)
    sys.exit(2)


def read_table(root):
    """The folder table: folder -> the folders it may include."""
    try:
        text = open(os.path.join(root, 'ARCHITECTURE.md'), encoding='utf-8').read()
    except OSError as e:
        fail(f'cannot read ARCHITECTURE.md: {e}')
    section = re.search(r'^### Folders\n(.*?)(?=^#)', text + '\n#', re.M | re.S)
    lines = [line for line in (section.group(1) if section else '').splitlines()
             if line.startswith('|')]
    if len(lines) < 3 or not re.fullmatch(r'\|[-:| ]+\|', lines[1].strip()):
        fail('ARCHITECTURE.md has no folder table (a header, a rule, rows) under "### Folders"')
    rows = lines[2:]
    table = {}
    for row in rows:
        cells = [cell.strip() for cell in row.strip().strip('|').split('|')]
        name = re.fullmatch(r'`(\w+)`', cells[0]) if len(cells) == 3 else None
        names = re.findall(r'`(\w+)`', cells[-1])
        if not name or not (cells[2] == '(none)' or
                            re.fullmatch(r'`\w+`(\s*,\s*`\w+`)*', cells[2])):
            fail(f'malformed row in the folder table: {row}')
        if name.group(1) in table:
            fail(f'folder {name.group(1)} has two rows in the folder table')
        table[name.group(1)] = names
    for folder, allowed in table.items():
        for other in allowed:
            if other not in table:
                fail(f'the row of {folder} names {other}, which has no row')
    # Including each other one way only means the rows form no cycle.
    state = {}

    def visit(folder, path):
        if state.get(folder) == 'open':
            fail('the folder table has a cycle: ' + ' -> '.join(path + [folder]))
        if folder not in state:
            state[folder] = 'open'
            for other in table[folder]:
                visit(other, path + [folder])
            state[folder] = 'done'
    for folder in table:
        visit(folder, [])
    return table


def keywords(words, names):
    """A command's arguments split at its keywords: keyword -> the words after it."""
    parts, current = {'': []}, ''
    for word in words:
        if word in names:
            current = word
            parts.setdefault(word, [])
        else:
            parts[current].append(word)
    return parts


class Targets:
    """What the CMake lists of src/, tests/ and bench/ build: each target's
    sources, the Qt modules and project targets it links, and each folder's
    module (orvella_add_module)."""

    def __init__(self, root):
        self.sources = {}   # .cpp relative to root -> the targets it is built into
        self.qt = {}        # target -> the Qt modules it links itself
        self.links = {}     # target -> the names it links (project targets among them)
        self.modules = {}   # folder of src -> (its library, its DEPS, its CMakeLists)
        self.defined = {}   # target -> the CMakeLists that makes it
        later = []
        for path in sorted(p for top in ('src', 'tests', 'bench') for p in
                           glob.glob(os.path.join(root, top, '**', 'CMakeLists.txt'),
                                     recursive=True)):
            lists = os.path.relpath(path, root)
            text = re.sub(r'#.*', '', open(path, encoding='utf-8').read())
            folder = os.path.dirname(lists)

            def add(target, sources, links=()):
                self.defined[target] = lists
                self.qt.setdefault(target, set())
                self.links.setdefault(target, set()).update(links)
                for source in sources:
                    if source.endswith('.cpp'):
                        file = os.path.normpath(os.path.join(folder, source))
                        self.sources.setdefault(file, set()).add(target)
            for command, args in COMMAND.findall(text):
                words = args.split()
                if not words:
                    continue
                if command == 'orvella_add_module':
                    parts = keywords(words[1:], ('QT', 'DEPS', 'SOURCES', 'PROGRAM'))
                    lib = f'orvella_{words[0]}'
                    if folder != os.path.join('src', words[0]):
                        fail(f'{lists}: orvella_add_module({words[0]}) belongs in '
                             f'src/{words[0]}/CMakeLists.txt')
                    if words[0] in self.modules:
                        fail(f'{lists}: a second library for src/{words[0]}')
                    deps = parts.get('DEPS', [])
                    self.modules[words[0]] = (lib, deps, lists)
                    add(lib, parts.get('SOURCES', []), [f'orvella_{d}' for d in deps])
                    self.qt[lib] = {'Core', *parts.get('QT', [])}
                    if parts.get('PROGRAM'):
                        add(parts['PROGRAM'][0], parts['PROGRAM'][1:], [lib])
                elif command == 'orvella_add_test':
                    parts = keywords(words[1:], ('SUPPORT', 'LINKS', 'SOURCES'))
                    add(words[0], parts.get('SOURCES', []),
                        [f'orvella_testsupport_{w}' for w in parts.get('SUPPORT', [])] +
                        parts.get('LINKS', []))
                elif command in ('add_library', 'add_executable'):
                    add(words[0], words[1:])
                elif command in ('target_sources', 'target_link_libraries'):
                    later.append((lists, folder, command, words))
        for lists, folder, command, words in later:
            if words[0] not in self.defined:
                fail(f'{lists}: {command} of {words[0]}, a target no CMake list here makes')
            items = [w for w in words[1:] if w not in ('PUBLIC', 'PRIVATE', 'INTERFACE')]
            if command == 'target_sources':
                for source in items:
                    if source.endswith('.cpp'):
                        self.sources.setdefault(os.path.normpath(os.path.join(folder, source)),
                                                set()).add(words[0])
            else:
                self.links[words[0]].update(items)
        for target, links in self.links.items():
            self.qt[target] |= {w[len('Qt6::'):] for w in links if w.startswith('Qt6::')}
            self.links[target] = {w for w in links if w in self.defined}
        if not self.sources:
            fail('no sources found in the CMake lists')
        self.closures = {}

    def closure(self, target):
        """The target and every project target it links, directly or not."""
        if target not in self.closures:
            self.closures[target] = {target}
            for other in self.links[target]:
                self.closures[target] |= self.closure(other)
        return self.closures[target]

    def qt_of(self, target, qt_deps):
        """The Qt modules a target has: its own, its libraries', and theirs in Qt."""
        found = set().union(*(self.qt[t] for t in self.closure(target)))
        work = list(found)
        while work:
            for other in qt_deps(work.pop()):
                if other not in found:
                    found.add(other)
                    work.append(other)
        return found


def qt_folders():
    """Qt's header folder and the folder of its CMake packages."""
    def query(name):
        for tool in (['qmake6', '-query', name], ['qtpaths6', '--query', name]):
            try:
                found = subprocess.run(tool, capture_output=True, text=True).stdout.strip()
            except OSError:
                continue
            if found:
                return found
        return None
    headers = query('QT_INSTALL_HEADERS')
    if not headers or not os.path.isdir(os.path.join(headers, 'QtCore')):
        headers = next(iter(glob.glob('/usr/include/*/qt6')), None)
    if not headers or not os.path.isdir(os.path.join(headers, 'QtCore')):
        fail('cannot find the Qt headers (qmake6 -query QT_INSTALL_HEADERS)')
    packages = os.path.join(query('QT_INSTALL_LIBS') or '', 'cmake')
    if not os.path.isdir(os.path.join(packages, 'Qt6Core')):
        packages = next(iter(glob.glob('/usr/lib/*/cmake/Qt6Core/..')), None)
    if not packages:
        fail("cannot find Qt's CMake packages (qmake6 -query QT_INSTALL_LIBS)")
    return headers, packages


def qt_modules(headers):
    """Qt header name (or module/name) -> the modules that have it."""
    modules = {}
    for folder in os.listdir(headers):
        if folder.startswith('Qt') and os.path.isdir(os.path.join(headers, folder)):
            for name in os.listdir(os.path.join(headers, folder)):
                modules.setdefault(name, set()).add(folder[2:])
    return modules


def qt_dependencies(packages):
    """A Qt module -> the Qt modules it links, as its CMake package says."""
    known = {}

    def deps(module):
        if module not in known:
            path = os.path.join(packages, f'Qt6{module}', f'Qt6{module}Dependencies.cmake')
            try:
                text = open(path, encoding='utf-8').read()
            except OSError:
                fail(f"cannot read Qt's dependencies of {module} ({path})")
            line = re.search(r'__qt_\w+_target_deps "([^"]*)"', text)
            known[module] = re.findall(r'Qt6(\w+)\\;', line.group(1)) if line else []
        return known[module]
    return deps


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.environ.get('ORVELLA_ROOT') or
                           os.path.join(os.path.dirname(__file__), '..'))
    table = read_table(root)
    files = sorted(os.path.relpath(os.path.join(d, f), root)
                   for top in ('src', 'tests', 'bench')
                   for d, _, names in os.walk(os.path.join(root, top))
                   for f in names if f.endswith(('.cpp', '.h')))
    for file in files:
        parts = file.split(os.sep)
        if parts[0] != 'bench' and len(parts) > 2 and parts[1] not in table \
                and not (parts[0] == 'tests' and parts[1] in ANY_FOLDER):
            fail(f'{parts[0]}/{parts[1]} has no row in the folder table of ARCHITECTURE.md')
    targets = Targets(root)
    headers, packages = qt_folders()
    modules = qt_modules(headers)
    qt_deps = qt_dependencies(packages)
    includes = {f: INCLUDE.findall(open(os.path.join(root, f), encoding='utf-8',
                                        errors='replace').read()) for f in files}
    problems = []

    # Each folder of src/ is one library, which links the folders of its row.
    src_folders = sorted({f.split(os.sep)[1] for f in files
                          if f.startswith('src' + os.sep) and f.count(os.sep) > 1})
    for folder in src_folders:
        if folder not in targets.modules:
            fail(f'src/{folder} has no orvella_add_module({folder} ...) in its CMakeLists.txt')
        lib, deps, lists = targets.modules[folder]
        if sorted(deps) != sorted(table[folder]):
            problems.append(f'{lists}: {lib} links {", ".join(sorted(deps)) or "no folder"}; '
                            f'its row in ARCHITECTURE.md names '
                            f'{", ".join(sorted(table[folder])) or "none"}')
    # A test of tests/FOLDER links only the libraries of what src/FOLDER may
    # include, that folder's own and the test parts that are no folder's.
    libraries = {lib: folder for folder, (lib, _, _) in targets.modules.items()}
    for target, lists in sorted(targets.defined.items()):
        parts = lists.split(os.sep)
        if parts[0] != 'tests' or len(parts) < 3 or parts[1] in ANY_FOLDER:
            continue
        allowed = table[parts[1]] + [parts[1]]
        for lib in sorted(targets.links[target]):
            if lib in libraries and libraries[lib] not in allowed:
                problems.append(f'{lists}: {target} links {lib}; tests/{parts[1]} may link '
                                f'the libraries of {", ".join(allowed)} only')
    for file, built in sorted(targets.sources.items()):
        folder = os.path.dirname(file)
        if file.startswith('src' + os.sep):
            for target in sorted(built):
                if os.path.dirname(targets.defined[target]) != folder:
                    problems.append(f'{file}: built into {target} of '
                                    f'{targets.defined[target]}, not by its own folder')

    def resolve(file, quote, name):
        """The project file an include names, or None."""
        candidates = ([os.path.join(os.path.dirname(file), name)] if quote == '"' else []) + \
            [os.path.join('src', name), os.path.join('tests', name)]
        for candidate in candidates:
            candidate = os.path.normpath(candidate)
            if candidate in includes:
                return candidate
        return None

    # A .cpp takes the targets it is built into; a src header its .cpp's, or
    # its folder's library. A test or bench header without a .cpp takes the
    # targets of the files that include it.
    owners = {}  # file -> {target: the .cpp it comes from, for the message}
    for file in files:
        own = targets.sources.get(file) or targets.sources.get(file[:-2] + '.cpp')
        folder = file.split(os.sep)[1] if file.count(os.sep) > 1 else None
        if own:
            owners[file] = {t: None for t in own}
        elif file.startswith('src' + os.sep) and folder in targets.modules:
            owners[file] = {targets.modules[folder][0]: None}
    work = [f for f in owners if not f.startswith('src' + os.sep)]
    while work:
        file = work.pop()
        for quote, name in includes[file]:
            header = resolve(file, quote, name)
            if header and not header.startswith('src' + os.sep) and header.endswith('.h') \
                    and not targets.sources.get(header[:-2] + '.cpp'):
                for target, via in owners[file].items():
                    if target not in owners.setdefault(header, {}):
                        owners[header][target] = via or file
                        work.append(header)

    def folder_rule(file):
        """Who the file is, the folders its rule lists and all it may include;
        None when it may include any folder."""
        parts = file.split(os.sep)
        if parts[0] == 'bench' or len(parts) < 3 or \
                (parts[0] == 'tests' and parts[1] in ANY_FOLDER):
            return None
        if parts[0] == 'src':
            return parts[1], table[parts[1]], set(table[parts[1]] + [parts[1]])
        listed = table[parts[1]] + [parts[1], 'support']
        return f'tests/{parts[1]}', listed, set(listed)

    qt_of = {t: targets.qt_of(t, qt_deps) for t in targets.defined}
    for file in files:
        rule = folder_rule(file)
        for quote, name in includes[file]:
            shown = f'#include {quote}{name}{">" if quote == "<" else quote}'
            target = resolve(file, quote, name)
            folder = target.split(os.sep)[1] if target and not target.startswith('bench') \
                else name.split('/')[0]
            if rule and (folder in table or folder == 'support') and folder not in rule[2]:
                who, listed, _ = rule
                problems.append(f'{file}: {shown}: {who} may include ' +
                                (', '.join(listed) + ' only' if listed else 'no other folder'))
            # The target with the fewest Qt modules first; one line per include is enough.
            for own, via in sorted(owners.get(file, {}).items(),
                                   key=lambda item: (len(qt_of[item[0]]), item[0])):
                by = f', as included by {via}' if via else ''
                if target and target in owners:
                    theirs = set(owners[target]) - {t for t in owners[target]
                                                    if owners[target][t] is not None}
                    missing = sorted(t for t in theirs if t not in targets.closure(own))
                    if theirs and len(missing) == len(theirs):
                        problems.append(f'{file}: {shown}: {own} does not link '
                                        f'{" or ".join(missing)}{by}')
                        break
                elif quote == '<' and not target:
                    top = name.split('/')[0]
                    found = {top[2:]} if '/' in name and top.startswith('Qt') else \
                        modules.get(name, set())
                    if found and not found & qt_of[own]:
                        problems.append(f'{file}: {shown}: {own} has Qt '
                                        f'{", ".join(sorted(qt_of[own]))} only, '
                                        f'not {" or ".join(sorted(found))}{by}')
                        break
    for line in dict.fromkeys(problems):
        print(line)
    if problems:
        print('check-layers: includes or links break the layers of ARCHITECTURE.md', file=sys.stderr)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
