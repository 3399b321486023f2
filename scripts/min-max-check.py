#!/usr/bin/env python3
"""Compiles every source of the program (base/, rotation/, settings/, ui/),
syntax only, as the build in BUILD compiles it but with Visual Studio's min
and max macros in force (cmake/visual-studio-min-max.h). Prints the compiler's
errors and exits non-zero when a source does not compile that way.
    scripts/min-max-check.py BUILD"""
import json
import os
import shlex
import shutil
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
header = os.path.join(root, 'cmake', 'visual-studio-min-max.h')
with open(os.path.join(sys.argv[1], 'compile_commands.json'), encoding='utf-8') as file:
    entries = [entry for entry in json.load(file)
               if os.path.relpath(entry['file'], root).split(os.sep)[0] in ('base', 'rotation', 'settings', 'ui')
               and entry['file'].endswith('.cpp')]
if not entries:
    sys.exit(f'No sources of the program in {sys.argv[1]}/compile_commands.json')


def command(entry):
    """The source's compiler command, without its object file."""
    words = shlex.split(entry['command'])
    at = words.index('-o')
    return words[:at] + words[at + 2:]


# The header precompiled once, with the options of the first source: each
# source then reads <windows.h> from it instead of parsing it anew. A
# source whose options differ parses the header itself, as GCC falls back
# to the header where the precompiled one does not fit.
folder = os.path.join(os.path.abspath(sys.argv[1]), 'visual-studio-min-max')
os.makedirs(folder, exist_ok=True)
included = os.path.join(folder, os.path.basename(header))
shutil.copyfile(header, included)
words = command(entries[0])
at = words.index('-c')
subprocess.run(words[:at] + ['-x', 'c++-header', included, '-o', included + '.gch'], cwd=entries[0]['directory'],
               capture_output=True, check=True)


def check(entry):
    result = subprocess.run(command(entry) + ['-fsyntax-only', '-include', included], cwd=entry['directory'],
                            capture_output=True, text=True)
    return result.returncode, result.stderr


failed = 0
with ThreadPoolExecutor(os.cpu_count()) as pool:
    for entry, (code, errors) in zip(entries, pool.map(check, entries)):
        if code != 0:
            failed += 1
            print(f'{os.path.relpath(entry["file"], root)} does not compile with the min and max macros:\n{errors}')
print(f'{len(entries) - failed} of {len(entries)} sources compile with the min and max macros.')
sys.exit(1 if failed else 0)
