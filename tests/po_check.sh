#!/usr/bin/env bash
# Every text sorrel-cli prints is in po/ja.po with its Japanese translation,
# and every paragraph of its manual page in po/man/ja.po: a text added to cli/
# or docs/sorrel-cli.1.in without one fails here (scripts/update-po.sh takes
# it into the catalogue, to be translated there). So does a message written
# without its _() marker.
# Usage: tests/po_check.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

check() {  # check WHAT COMMAND...
  local what=$1
  shift
  if "$@" >"$work/out" 2>&1; then
    echo "ok      $what"
  else
    echo "FAILED  $what"
    sed 's/^/        /' "$work/out"
    failed=$((failed + 1))
  fi
}

sources=$(ls cli/*.cpp cli/*.h | LC_ALL=C sort)
# shellcheck disable=SC2086
xgettext --language=C++ --from-code=UTF-8 --keyword=_ --keyword=P_:1,2 -o "$work/cli.pot" $sources

# msgcmp DEF REF: each text of REF is in DEF, translated and not fuzzy.
check "po/ja.po translates every text marked in cli/" msgcmp -N po/ja.po "$work/cli.pot"
check "po/ja.po holds no text cli/ no longer has" msgcmp -N --use-untranslated --use-fuzzy "$work/cli.pot" po/ja.po
check "po/ja.po: its format strings match, its header is whole" msgfmt --check -o /dev/null po/ja.po
# sorrel-cli's texts are code page 932 inside, the Windows catalogue too.
check "po/ja.po: every translation has a code page 932 form" msgconv --to-code=CP932 -o /dev/null po/ja.po

# A message printed without _() would stay English under a Japanese locale.
unmarked() {
  python3 - $sources <<'PY'
import re, sys
calls = re.compile(r'\b(Report|ReportFile|ReportFileError|ReportConsole|ReportWritten|ConsoleWriteOut|'
                   r'ConsoleWriteError|ConsoleReadLine|ConsoleReadSecret|Fail|snprintf|Command|Option)\s*\(')
literal = re.compile(r'"(?:[^"\\\n]|\\.)*"')
bad = 0
for path in sys.argv[1:]:
    text = open(path, encoding='utf-8').read()
    for m in calls.finditer(text):
        depth, i = 1, m.end()
        while i < len(text) and depth:  # to the call's closing parenthesis, past its literals
            if text[i] == '"':
                i = literal.match(text, i).end()
                continue
            depth += {'(': 1, ')': -1}.get(text[i], 0)
            i += 1
        arguments = text[m.end():i]
        line = text[:m.start()].count('\n') + 1
        if 'untranslated on purpose' in text[max(0, text.rfind('\n', 0, text.rfind('\n', 0, m.start()))):m.start()]:
            continue
        if m.group(1) in ('Command', 'Option'):  # the help's first column: names as typed
            arguments = re.sub(r'^\s*' + literal.pattern, '', arguments)
        arguments = re.sub(r'\bP?_\(\s*(' + literal.pattern + r'\s*)+(,\s*(' + literal.pattern + r'\s*)+)?', '', arguments)
        for s in literal.findall(arguments):
            words = re.sub(r'%[-+ #0-9.]*[a-zA-Z]+|\\.|sorrel-cli', '', s)
            if re.search(r'[A-Za-z]{3}', words):
                print(f'{path}:{line}: {s} is not marked _()')
                bad = 1
sys.exit(bad)
PY
}
check "every message in cli/ is marked _()" unmarked

# The manual page: its paragraphs as po4a finds them.
po4a-updatepo --format man --master docs/sorrel-cli.1.in --master-charset UTF-8 --po "$work/man.pot" \
  --no-deprecation >/dev/null
check "po/man/ja.po translates every paragraph of docs/sorrel-cli.1.in" msgcmp -N po/man/ja.po "$work/man.pot"

echo "catalogue checks: $failed failed"
[ "$failed" -eq 0 ]
