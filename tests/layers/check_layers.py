#!/usr/bin/env python3
"""Checks that no source file includes a header from a folder above its own.

  check_layers.py ROOT          every C and C++ file under ROOT's floors (layers.txt)
  check_layers.py --planted ROOT  a copy of ROOT with an upward include planted on each floor
                                  boundary that matters; passes when every plant is reported

Exit status 0 when the floors hold, 1 with one line per offending include otherwise."""
import os
import re
import shutil
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
SOURCES = ('.c', '.cc', '.cpp', '.h', '.hpp')


def read_floors():
    floors = {}
    with open(os.path.join(HERE, 'layers.txt')) as f:
        level = 0
        for line in f:
            line = line.split('#', 1)[0].split()
            if not line:
                continue
            for folder in line:
                floors[folder] = level
            level += 1
    return floors


def folder_of(path, floors):
    """The listed folder a repository path belongs to (the longest listed prefix), or None."""
    parts = path.split('/')
    for n in range(len(parts) - 1, 0, -1):
        folder = '/'.join(parts[:n])
        if folder in floors:
            return folder
    return None


def check(root, floors):
    faults = []
    for top in sorted({f.split('/')[0] for f in floors}):
        for dirpath, dirnames, filenames in os.walk(os.path.join(root, top)):
            dirnames[:] = sorted(d for d in dirnames if d not in ('corpus', 'fixtures'))
            for name in sorted(filenames):
                if not name.endswith(SOURCES):
                    continue
                path = os.path.relpath(os.path.join(dirpath, name), root).replace(os.sep, '/')
                mine = folder_of(path, floors)
                with open(os.path.join(root, path), errors='replace') as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m or '/' not in m.group(1):
                            continue  # a header beside the file itself
                        target = m.group(1)
                        theirs = folder_of(target, floors)
                        where = f'{path}:{number}: includes "{target}"'
                        if theirs is None:
                            faults.append(f'{where}, which is in no folder of layers.txt')
                        elif theirs != mine and floors[theirs] >= floors[mine]:
                            side = 'beside' if floors[theirs] == floors[mine] else 'above'
                            faults.append(f'{where} from {theirs}/, {side} {mine}/')
    return faults


# Upward includes planted into a copy of the tree: (file, include); each must be reported.
PLANTS = [
    ('gfx/gfx_driver.h', 'engine/kr_mesh.h'),
    ('engine/kr_mesh.h', 'show/demo.h'),
    ('show/demo.h', 'app/app.h'),
    ('base/kr_math.h', 'gfx/gfx_driver.h'),
    ('platform/pl_platform.h', 'platform/native/pl_fsound_internal.h'),
    ('clip/clp.h', 'gfx/img_image.h'),
    ('app/app.h', 'tools/common/tool_pack.h'),
]


def planted(root, floors):
    with tempfile.TemporaryDirectory() as tmp:
        for top in {f.split('/')[0] for f in floors}:
            if os.path.isdir(os.path.join(root, top)):
                shutil.copytree(os.path.join(root, top), os.path.join(tmp, top),
                                ignore=shutil.ignore_patterns('corpus', 'fixtures', 'frames'))
        if check(tmp, floors):
            print('check_layers: the tree itself already breaks its floors')
            return 1
        for path, target in PLANTS:
            with open(os.path.join(tmp, path), 'a') as f:
                f.write(f'#include "{target}"\n')
        faults = check(tmp, floors)
        missed = [p for p in PLANTS if not any(f.startswith(p[0] + ':') and f'"{p[1]}"' in f for f in faults)]
        for path, target in missed:
            print(f'check_layers: the planted include of "{target}" in {path} went unreported')
        if len(faults) != len(PLANTS):
            print(f'check_layers: {len(faults)} reports for {len(PLANTS)} plants:', *faults, sep='\n  ')
        return 1 if missed or len(faults) != len(PLANTS) else 0


def main(argv):
    floors = read_floors()
    if len(argv) == 3 and argv[1] == '--planted':
        return planted(argv[2], floors)
    if len(argv) != 2:
        print(__doc__)
        return 2
    faults = check(argv[1], floors)
    for f in faults:
        print(f)
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
