#!/usr/bin/env bash
# The help, the bash completion and both manual pages name the same commands
# and options: the completion speaks for the argument parser's own tables,
# and a command or option one of the others lacks fails here, named.
# Usage: tests/cli_docs_check.sh SORREL_CLI
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:?usage: cli_docs_check.sh SORREL_CLI}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

LANGUAGE= LC_ALL=C.UTF-8 "$cli" --help >"$work/help" || { echo "cli_docs_check: sorrel-cli --help failed" >&2; exit 1; }
# The Japanese page as the package makes it.
po4a-translate --format man --master "$root/docs/sorrel-cli.1.in" --master-charset UTF-8 \
  --po "$root/po/man/ja.po" --localized "$work/ja.1" --localized-charset UTF-8 --keep 0 --no-deprecation ||
  { echo "cli_docs_check: po4a-translate could not make the Japanese manual page" >&2; exit 1; }

python3 - "$cli" "$work/help" "$root/docs/sorrel-cli.1.in" "$work/ja.1" <<'PY'
import re, subprocess, sys
cli, help_path, pages = sys.argv[1], sys.argv[2], sys.argv[3:]

def complete(*words):
    out = subprocess.run([cli, '__complete', *words], capture_output=True, text=True, check=True).stdout
    return [w for w in out.split('\n') if w]

# The parser's commands and each one's options, through the completion.
commands = {}
for first in complete(''):
    if first.startswith('-'):
        continue
    seconds = complete(first, '')
    names = [f'{first} {s}' for s in seconds if not s.startswith('-') and not s.startswith('@')] or [first]
    for name in names:
        commands[name] = {o for o in complete(*name.split(), '-') if o != '--help'}
options = set().union(*commands.values()) | {'--help', '--version', '--'}

failed = []
def differ(what, have, want):
    for x in sorted(want - have):
        failed.append(f'{what} lacks {x}')
    for x in sorted(have - want):
        failed.append(f'{what} has {x}, which sorrel-cli does not take')

# The help: the commands' first column and every option.
help_text = open(help_path, encoding='utf-8').read()
part = help_text.split('\nOptions:\n')
help_commands = {' '.join(w for w in line[2:].split('  ')[0].split() if re.fullmatch(r'[a-z][a-z-]*', w))
                 for line in part[0].split('\n') if re.match(r'  [a-z]', line)}
differ('--help (commands)', help_commands, set(commands))
help_options = set(re.findall(r'^  (--[a-z-]*|-[a-zA-Z])', part[1], re.M))
help_options |= set(re.findall(r'^  --[a-z-]+, (--?[a-z-]+)', part[1], re.M))
differ('--help (options)', help_options - {'-h', '-V'}, options)

for page in pages:
    name = 'the Japanese manual page' if page.endswith('ja.1') else 'the manual page'
    # As man renders it, one line per paragraph: markup the translation may change does not matter.
    text = subprocess.run(['man', '-E', 'UTF-8', '-l', page], capture_output=True, text=True, check=True,
                          env={'MANWIDTH': '4000', 'PATH': '/usr/bin:/bin', 'LC_ALL': 'C.UTF-8'}).stdout
    text = re.sub(r'.\x08', '', text).expandtabs()
    sections = [[]]
    for line in text.split('\n')[1:]:
        if line and not line[0].isspace():
            sections.append([])
        else:
            sections[-1].append(line)
    # In the English page's order: NAME, SYNOPSIS, DESCRIPTION, COMMANDS, SITE RULES, OPTIONS.
    synopsis, command_part, option_part = sections[2], sections[4], sections[6]
    blocks = {}
    for line in synopsis:
        m = re.match(r' {7}sorrel-cli ([a-z].*)$', line)
        if not m:
            continue
        words = re.findall(r'(?<![-\w])[a-z][a-z-]*', m.group(1).split(' [')[0].split(' --')[0])
        found = set(re.findall(r'(--[a-z][a-z-]*)', m.group(1)))
        if words[0] in {c.split()[0] for c in commands if ' ' in c}:
            for s in words[1:]:
                blocks[f'{words[0]} {s}'] = found
        else:
            blocks[' '.join(words)] = found
    differ(f'{name} synopsis (commands)', set(blocks), set(commands))
    for c in sorted(set(blocks) & set(commands)):
        differ(f'{name} synopsis of {c}', blocks[c], commands[c])
    entries = lambda part: [l[7:] for l in part if re.match(r' {7}\S', l)]
    # A tag: command words, then its operands (FILE, [PASS_PHRASE], --key FILE); not a paragraph's first line.
    # A tag shorter than the indent has its description beside it, from the next column stop.
    tags = [(e[:7] if len(e) > 7 and e[6] == ' ' and e[7] != ' ' else e.split('  ')[0]).split()
            for e in entries(command_part)]
    described = {' '.join(w for w in t if re.fullmatch(r'[a-z][a-z-]*', w)) for t in tags
                 if all(re.fullmatch(r'[a-z][a-z-]*|--[a-z-]+|\[?[A-Z_]+\]?', w) for w in t)}
    differ(f'{name} COMMANDS', described, set(commands))
    found = set()
    for e in entries(option_part):
        found |= set(re.findall(r'(?<![\w-])(--?[a-zA-Z][a-z-]*|--)(?![\w-])', e))
    differ(f'{name} OPTIONS', found - {'-h', '-V'}, options)

for f in failed:
    print('cli_docs_check:', f)
print(f'cli_docs_check: {len(commands)} commands, {len(options)} options; {len(failed)} disagreements')
sys.exit(1 if failed else 0)
PY
