#!/usr/bin/env bash
# Searches every file of the program's folder and of the Wine prefix for the
# key password, the pass phrases and the passwords of NoSecretOnDisk, in code
# page 932 and in UTF-16. Run after e2e_tests. Usage: no_secret_scan.sh FOLDER
set -euo pipefail
folder=$1
: "${WINEPREFIX:?the Wine prefix to search}"
[ -f "$folder/setting.ini" ] || { echo "no test run in $folder"; exit 1; }

# The same inputs as in no_secret_test.cpp.
key_password='NoSecret-Key-Pass-7319'
phrases=('no-secret-phrase-one' 'second.example.net' '二つ目のパスフレーズ')

secrets=("$key_password" "${phrases[@]}")
for phrase in "${phrases[@]}"; do
  password=$(printf '%s\n' "$key_password" | (cd "$folder" && "${SORREL_WINE:-wine}" ./sorrel-cli.exe generate "$phrase" 2>/dev/null) | tr -d '\r\n')
  [ ${#password} -eq 16 ] || { echo "could not derive the password for '$phrase'"; exit 1; }
  secrets+=("$password")
done
wineserver -w  # the registry is on disk once the server has gone

needles=$(mktemp -d)
trap 'rm -rf "$needles"' EXIT
n=0
for s in "${secrets[@]}"; do
  printf '%s' "$s" | iconv -f UTF-8 -t CP932 >"$needles/$n.cp932"
  printf '%s' "$s" | iconv -f UTF-8 -t UTF-16LE >"$needles/$n.utf16"
  n=$((n + 1))
done

files=$(find "$folder" "$WINEPREFIX" -type f | wc -l)
bytes=$(find "$folder" "$WINEPREFIX" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
hits=0
for needle in "$needles"/*; do
  # -r does not follow the prefix's links into the home directory and the root.
  if found=$(grep -rlF -f <(cat "$needle"; echo) --binary-files=binary "$folder" "$WINEPREFIX"); then
    echo "a secret ($(basename "$needle")) is on disk in: $found"
    hits=$((hits + 1))
  fi
done
echo "searched $files files ($bytes bytes) for ${#secrets[@]} secrets in 2 encodings: $hits found"
[ "$hits" -eq 0 ]
