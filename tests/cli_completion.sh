#!/bin/bash
# The bash completion script, sourced as bash-completion sources it, completing
# a few command lines with the program it asks: cli_completion.sh SCRIPT SORREL_CLI
set -euo pipefail
script=$(realpath "$1") cli=$(realpath "$2")
# shellcheck source=/dev/null
source "$script" || { echo "cli_completion: $script does not source" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
touch "$work/my.key" "$work/my.ini"
printf '# sites\nexample.com\tlength=8\nmy bank\tnote=x\n' >"$work/sites.txt"
cd "$work"

failed=0
# Outside a completion bash's compopt refuses to run: this one notes what it was asked.
compopt() { [[ " $* " != *" -o nospace "* ]] || nospace=" (no blank after)"; }
# check "WORDS AFTER THE PROGRAM" "EXPECTED REPLIES": the last word is the one completed.
check() {
  local line=$1 expected=$2
  read -r -a words <<<"$line"
  [[ $line == *" " ]] && words+=("")
  COMP_WORDS=("$cli" "${words[@]}")
  COMP_CWORD=${#words[@]}
  COMPREPLY=()
  nospace=""
  _sorrel_cli
  local got="${COMPREPLY[*]}$nospace"
  if [ "$got" != "$expected" ]; then
    echo "cli_completion: 'sorrel-cli $line' gave '$got', expected '$expected'" >&2
    failed=1
  fi
}

check "ch" "change-key-password"
check "--v" "--version"
check "change-key-password " "--settings --key --keep-old --help"
check "change-key-password --key my.key --" "--settings --keep-old --help"
check "generate --cl" "--classes --clip --clip-seconds"
check "generate --classes " "digits lower upper symbols (no blank after)"
check "generate --classes digits,lo" "digits,lower (no blank after)"
check "generate --classes lower,digits," "lower,digits,upper lower,digits,symbols (no blank after)"
check "generate --classes = s" "symbols (no blank after)"
check "configure --cl" "--classes --clipboard"
check "configure --clipboard " "on off"
check "generate --derivation " "1 2"
check "init --key my.key --d" "--derivation"
check "generate --settings my." "my.ini my.key"
check "change-key-password --keep-old = my.k" "my.key"
check "new-key m" "my.ini my.key"
check "generate example" ""
check "generate --settings my.ini " "example.com my\\ bank"
check "site " "set list show remove next"
check "site next --settings=my.ini e" "example.com"
check "site l" "list"
check "frobnicate --" ""
[ "$failed" -eq 0 ] && echo "cli_completion: every line completes as expected"
exit "$failed"
