#!/usr/bin/env bash
# The README names the interface's controls and messages in the interface's own words: every
# German phrase it quotes ("Senden selbst übernehmen", "Nicht eingefügt – …") must occur in
# the sources. A "…" at the end stands for a value there. Fails, naming each phrase that does
# not occur, apart from the ones below, which are what the user says.
set -uo pipefail
export LC_ALL=C.UTF-8
root=$1
users_words=(
  "Merk dir das als Aktion"
)
faults=0
checked=0

said_by_user() {
  local phrase
  for phrase in "${users_words[@]}"; do
    [ "$phrase" = "$1" ] && return 0
  done
  return 1
}

# Quoted phrases of two words or more that begin with a capital letter and hold only words
# and punctuation; lines joined, since the README wraps them.
while IFS= read -r quoted; do
  phrase=$(tr -s ' ' <<<"${quoted:1:${#quoted}-2}")
  phrase=${phrase# }
  phrase=${phrase% }
  [[ $phrase == *" "* ]] || continue
  grep -qP '^[A-ZÄÖÜ][\wäöüßÄÖÜ ,.–…?!:’„“()-]+$' <<<"$phrase" || continue
  checked=$((checked + 1))
  said_by_user "$phrase" && continue
  grep -rqF -- "$phrase" "$root/src" && continue
  if [[ $phrase == *"…" ]]; then
    stem=${phrase%…}
    stem=${stem% }
    grep -rqF -- "$stem" "$root/src" && continue
  fi
  echo "FAULT: the README quotes \"$phrase\", which the interface does not say" >&2
  faults=$((faults + 1))
done < <(tr '\n' ' ' <"$root/README.md" | grep -oP '"[^"]{2,200}"')

echo "README: $checked quoted phrases"
[ "$checked" -gt 0 ] && [ "$faults" -eq 0 ]
