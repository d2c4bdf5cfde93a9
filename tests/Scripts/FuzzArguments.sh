#!/usr/bin/env bash
# Runs scripts/fuzz with words it must refuse and with ones it must take, a stand-in cmake first
# on the search path that records its calls and fails, and fails, naming each fault, when a
# refused word starts the build or is not answered with the usage, or a good one is refused.
set -uo pipefail
root=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/bin"
cat >"$scratch/bin/cmake" <<'STUB'
#!/bin/sh
echo "$*" >>"$CMAKE_CALLS"
exit 1
STUB
chmod 755 "$scratch/bin/cmake"
faults=0

fault() {
  echo "FAULT: $*" >&2
  faults=$((faults + 1))
}

# The arguments (split at blanks; '' is an empty word), the exit status, and whether the build
# starts.
rows=(
  "--help|0|no"
  "-h|0|no"
  "--seconds=5|2|no"
  "abc|2|no"
  "5x|2|no"
  "0|2|no"
  "5 no_such_target|2|no"
  "''|2|no"
  "5 ''|2|no"
  "settings_file 5|2|no"
  "5 settings_file reply_marker|1|yes"
  "settings_file|1|yes"
  "|1|yes"
)
for row in "${rows[@]}"; do
  IFS='|' read -r words status build <<<"$row"
  read -r -a arguments <<<"$words"
  for i in "${!arguments[@]}"; do
    [ "${arguments[$i]}" = "''" ] && arguments[$i]=""
  done
  calls="$scratch/calls"
  rm -f "$calls"
  output=$(CMAKE_CALLS="$calls" PATH="$scratch/bin:$PATH" \
    "$root/scripts/fuzz" "${arguments[@]}" 2>&1)
  got=$?
  [ "$got" = "$status" ] || fault "scripts/fuzz $words: status $got, not $status"
  if [ "$build" = yes ]; then
    [ -s "$calls" ] || fault "scripts/fuzz $words: no build"
  else
    [ -s "$calls" ] && fault "scripts/fuzz $words: started the build"
    grep -q '^usage: scripts/fuzz' <<<"$output" || fault "scripts/fuzz $words: no usage"
    grep -q 'bad array subscript\|unbound variable\|line [0-9]*:' <<<"$output" &&
      fault "scripts/fuzz $words: a shell error before the usage"
  fi
done

echo "scripts/fuzz: ${#rows[@]} argument lists"
[ "$faults" -eq 0 ]
