#!/usr/bin/env bash
# Brings the Japanese translations up to date with the sources: every text
# marked _("...") or P_("...", "...", n) in cli/ into po/ja.po, and every
# paragraph of docs/sorrel-cli.1.in into po/man/ja.po. New texts come in
# untranslated, changed ones marked fuzzy, with the old translation as a
# start: translate them there; tests/po_check.sh fails until every one is.
# Usage: scripts/update-po.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
pot=$(mktemp --suffix=.pot)
trap 'rm -f "$pot"' EXIT

# The sorted file list and no dates keep the catalogue's diffs to the texts.
xgettext --language=C++ --from-code=UTF-8 --keyword=_ --keyword=P_:1,2 --add-comments=TRANSLATORS: \
  --package-name=sorrel-cli --omit-header --sort-by-file --add-location=file -o "$pot" $(ls cli/*.cpp cli/*.h | LC_ALL=C sort) ||
  { echo "update-po: xgettext failed over cli/" >&2; exit 1; }
msgmerge --quiet --update --backup=none --no-wrap --sort-by-file --add-location=file po/ja.po "$pot" ||
  { echo "update-po: msgmerge failed on po/ja.po" >&2; exit 1; }

po4a-updatepo --format man --master docs/sorrel-cli.1.in --master-charset UTF-8 --po po/man/ja.po \
  --porefs file --no-deprecation --msgmerge-opt "--no-wrap --backup=none" ||
  { echo "update-po: po4a-updatepo failed on po/man/ja.po" >&2; exit 1; }
