# bash completion for sorrel-cli. The program itself names what may come at
# the cursor (sorrel-cli __complete WORD...), from the tables its argument
# parser checks: commands, each command's options, class names, derivations,
# on and off, and the sites of the site file for a pass phrase.
_sorrel_cli() {
  local program=${COMP_WORDS[0]/#\~/$HOME}
  local cur=${COMP_WORDS[COMP_CWORD]} words=() i
  # bash splits --name=value at the '=': leave the '=' out, and complete
  # what comes after it.
  if [ "$cur" = "=" ]; then cur=""; fi
  for ((i = 1; i < COMP_CWORD; i++)); do
    if [ "${COMP_WORDS[i]}" != "=" ]; then words+=("${COMP_WORDS[i]}"); fi
  done
  local candidates
  candidates=$("$program" __complete "${words[@]}" "$cur" 2>/dev/null) || return 0
  COMPREPLY=()
  case $candidates in
    @files*)
      compopt -o filenames 2>/dev/null || true
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      ;;
    @sites*)
      # Site names, one a line, already matched to the word; they may hold blanks.
      local name
      while IFS= read -r name; do
        if [ -n "$name" ]; then COMPREPLY+=("$(printf '%q' "$name")"); fi
      done < <(printf '%s\n' "${candidates#@sites}")
      ;;
    @list*)
      # A comma-separated list: complete its last item, offer no item twice.
      local given="" last=$cur word
      if [[ $cur == *,* ]]; then
        given=${cur%,*},
        last=${cur##*,}
      fi
      for word in ${candidates#@list}; do
        if [[ ,$given != *",$word,"* && $word == "$last"* ]]; then
          COMPREPLY+=("$given$word")
        fi
      done
      # No blank after the item: ",another" may follow.
      if [ ${#COMPREPLY[@]} -gt 0 ]; then compopt -o nospace 2>/dev/null || true; fi
      ;;
    *)
      mapfile -t COMPREPLY < <(compgen -W "$candidates" -- "$cur")
      ;;
  esac
}
complete -F _sorrel_cli sorrel-cli
