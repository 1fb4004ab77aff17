#!/usr/bin/env python3
"""Checks every include of src/, tests/ and bench/ against the folder table of
ARCHITECTURE.md and the Qt modules of the library a file is built into.
Prints one line per broken rule and exits 1; exits 2 when it cannot judge
(a malformed table, a folder or target it does not know)."""
import glob
import os
import re
import subprocess
import sys

CORE, LINK, UI = 'Core', 'Core Network', 'Core Gui Widgets Network'
# Library -> (rank, Qt modules). The rank orders core < link < ui.
LIBRARIES = {
    'orvella_core': (0, CORE),
    **{lib: (1, LINK) for lib in ('orvella_link', 'orvella_chatclient', 'orvella_irc',
                                  'orvella-irc')},
    # The room serves its web page with Qt WebSockets.
    **{lib: (1, LINK + ' WebSockets') for lib in ('orvella_room', 'orvella-room')},
    **{lib: (2, UI) for lib in ('orvella_ui', 'orvella', 'orvella-demo')},
    'orvella_testsupport_core': (1, LINK + ' Test'),
    'orvella_testsupport_ui': (2, UI + ' Test'),
    'orvella_roomprocess': (0, CORE),
    # The store of results: core and Qt SQL, below the windows, beside link.
    'orvella_scores': (1, CORE + ' Sql'),
    'orvella_testsupport_scores': (1, LINK + ' Sql Test'),
    'orvella-bench': (2, UI + ' Sql Test'),
    'orvella-startup': (2, UI + ' Test'),
    'orvella-webload': (1, LINK + ' WebSockets'),
}
RANK_NAMES = ('core', 'link', 'ui')
# Test executables are named by these helpers; they take their support's library.
TEST_HELPERS = {'orvella_core_test': 'orvella_testsupport_core',
                'orvella_scores_test': 'orvella_testsupport_scores',
                'orvella_test': 'orvella_testsupport_ui'}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


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


def read_targets(root):
    """Every .cpp (relative to root) -> the libraries it is built into."""
    targets = {}
    executables = {}  # test executable -> (its support library, its sources)
    for path in [p for top in ('src', 'tests', 'bench')
                 for p in glob.glob(os.path.join(root, top, '**', 'CMakeLists.txt'), recursive=True)]:
        text = re.sub(r'#.*', '', open(path, encoding='utf-8').read())
        for command, args in re.findall(r'\b(\w+)\s*\(([^)]*)\)', text):
            words = args.split()
            # A test that links a library of more Qt modules than its
            # support's has those too.
            if command == 'target_link_libraries' and words and words[0] in executables:
                support, sources = executables[words[0]]
                extra = [w for w in words[1:] if w in LIBRARIES]
                for lib in extra:
                    combined = f'{support}+{lib}'
                    modules = set(LIBRARIES[support][1].split()) | set(LIBRARIES[lib][1].split())
                    LIBRARIES[combined] = (LIBRARIES[support][0], ' '.join(sorted(modules)))
                    for source in sources:
                        targets[source].discard(support)
                        targets[source].add(combined)
                    support = combined
                executables[words[0]] = (support, sources)
                continue
            if command not in ('add_library', 'add_executable', 'target_sources', *TEST_HELPERS):
                continue
            sources = [w for w in words[1:] if w.endswith('.cpp')]
            if not sources:
                continue
            library = TEST_HELPERS.get(command, words[0])
            if library not in LIBRARIES:
                fail(f'{os.path.relpath(path, root)}: unknown target {library}; '
                     'give it its Qt modules in scripts/check_layers.py')
            files = [os.path.relpath(os.path.join(os.path.dirname(path), source), root)
                     for source in sources]
            for file in files:
                targets.setdefault(file, set()).add(library)
            if command in TEST_HELPERS:
                executables[words[0]] = (library, files)
    if not targets:
        fail('no sources found in the CMake lists')
    return targets


def qt_modules():
    """Qt header name (or module/name) -> the modules that have it."""
    headers = None
    for tool in (['qmake6', '-query', 'QT_INSTALL_HEADERS'],
                 ['qtpaths6', '--query', 'QT_INSTALL_HEADERS']):
        try:
            headers = subprocess.run(tool, capture_output=True, text=True).stdout.strip()
        except OSError:
            continue
        if headers and os.path.isdir(os.path.join(headers, 'QtCore')):
            break
        headers = None
    headers = headers or next(iter(glob.glob('/usr/include/*/qt6')), None)
    if not headers or not os.path.isdir(os.path.join(headers, 'QtCore')):
        fail('cannot find the Qt headers (qmake6 -query QT_INSTALL_HEADERS)')
    modules = {}
    for folder in os.listdir(headers):
        if folder.startswith('Qt') and os.path.isdir(os.path.join(headers, folder)):
            for name in os.listdir(os.path.join(headers, folder)):
                modules.setdefault(name, set()).add(folder[2:])
    return modules


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
                and parts[:2] != ['tests', 'support']:
            fail(f'{parts[0]}/{parts[1]} has no row in the folder table of ARCHITECTURE.md')
    targets = read_targets(root)
    modules = qt_modules()
    includes = {f: INCLUDE.findall(open(os.path.join(root, f), encoding='utf-8',
                                        errors='replace').read()) for f in files}

    def resolve(file, quote, name):
        """The project file an include names, or None."""
        candidates = ([os.path.join(os.path.dirname(file), name)] if quote == '"' else []) + \
            [os.path.join('src', name), os.path.join('tests', name)]
        for candidate in candidates:
            candidate = os.path.normpath(candidate)
            if candidate in includes:
                return candidate
        return None

    # A .cpp takes the libraries it is built into; a src header its .cpp's, or
    # the lowest built in its folder. A test or bench header without a .cpp
    # takes the libraries of the files that include it.
    lowest = {}
    for file, libs in targets.items():
        for lib in libs:
            folder = os.path.dirname(file)
            if folder not in lowest or LIBRARIES[lib][0] < LIBRARIES[lowest[folder]][0]:
                lowest[folder] = lib
    libraries = {}  # file -> {library: the .cpp it comes from, for the message}
    for file in files:
        own = targets.get(file) or targets.get(file[:-2] + '.cpp')
        if own:
            libraries[file] = {lib: None for lib in own}
        elif file.startswith('src/') and os.path.dirname(file) in lowest:
            libraries[file] = {lowest[os.path.dirname(file)]: None}
    work = [f for f in libraries if not f.startswith('src/')]
    while work:
        file = work.pop()
        for quote, name in includes[file]:
            header = resolve(file, quote, name)
            if header and not header.startswith('src/') and header.endswith('.h') \
                    and not targets.get(header[:-2] + '.cpp'):
                for lib, via in libraries[file].items():
                    if lib not in libraries.setdefault(header, {}):
                        libraries[header][lib] = via or file
                        work.append(header)

    def folder_rule(file):
        """Who the file is, the folders its rule lists and all it may include;
        None when it may include any folder."""
        parts = file.split(os.sep)
        if parts[0] == 'bench' or len(parts) < 3 or parts[1] == 'support':
            return None
        if parts[0] == 'src':
            return parts[1], table[parts[1]], set(table[parts[1]] + [parts[1]])
        listed = table[parts[1]] + [parts[1], 'support']
        return f'tests/{parts[1]}', listed, set(listed)

    problems = []
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
            # The most restrictive library first; one line per include is enough.
            for lib, via in sorted(libraries.get(file, {}).items(),
                                   key=lambda item: LIBRARIES[item[0]][0]):
                rank, qt = LIBRARIES[lib]
                by = f', as included by {via}' if via else ''
                if target and target in libraries:
                    other = min(libraries[target], key=lambda l: LIBRARIES[l][0])
                    if LIBRARIES[other][0] > rank:
                        problems.append(f'{file}: {shown}: a {RANK_NAMES[rank]} file ({lib}) '
                                        f'must not include a {RANK_NAMES[LIBRARIES[other][0]]} '
                                        f'file ({other}){by}')
                        break
                elif quote == '<' and not target:
                    top = name.split('/')[0]
                    found = {top[2:]} if '/' in name and top.startswith('Qt') else \
                        modules.get(name, set())
                    if found and not found & set(qt.split()):
                        problems.append(f'{file}: {shown}: {lib} has Qt {", ".join(qt.split())} '
                                        f'only, not {" or ".join(sorted(found))}{by}')
                        break
    for line in dict.fromkeys(problems):
        print(line)
    if problems:
        print('check-layers: includes break the layers of ARCHITECTURE.md', file=sys.stderr)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
