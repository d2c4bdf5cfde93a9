#!/usr/bin/env bash
# Runs scripts/setup against stand-ins for dpkg-query, apt-get, lslocks, sudo and sleep that
# play a machine's package states and another apt run holding apt's lock (its time passes
# only in sleep), and fails, naming each fault, when a working package is installed again,
# apt-get is called while the lock is held, or setup does not wait, say for whom, and go on.
set -uo pipefail
root=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
bin=$scratch/bin
mkdir "$bin"
lists_lock=/var/lib/apt/lists/lock
# The stand-in lock is apt's own file, as lslocks names it; a machine without apt skips this.
[ -e "$lists_lock" ] || { echo "no $lists_lock on this machine"; exit 77; }

# Every package asked for is installed, except those named in $STATE/states ("name status").
cat >"$bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
for p in "${@:3}"; do
  state=$(awk -v p="$p" '$1 == p { $1 = ""; print substr($0, 2) }' "$STATE/states")
  echo "$p ${state:-install ok installed}"
done
STUB
# The lock is held for as many sleeps as $STATE/held says; $STATE/grab makes the next
# apt-get find it taken once more.
cat >"$bin/lslocks" <<'STUB'
#!/usr/bin/env bash
read -r held <"$STATE/held"
[ "$held" -gt 0 ] || exit 0
echo "$(stat -c '%i %Hd:%Ld' /var/lib/apt/lists/lock) 4242 unattended-upgr"
STUB
cat >"$bin/sleep" <<'STUB'
#!/usr/bin/env bash
read -r held <"$STATE/held"
echo $((held - 1)) >"$STATE/held"
echo x >>"$STATE/sleeps"
STUB
cat >"$bin/apt-get" <<'STUB'
#!/usr/bin/env bash
read -r held <"$STATE/held"
if [ "$held" -gt 0 ] || [ -e "$STATE/grab" ]; then
  rm -f "$STATE/grab"
  echo "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 4242 (unattended-upgr)" >&2
  exit 100
fi
for word in "$@"; do
  case "$word" in update | install) echo "$word" >>"$STATE/calls" ;; esac
done
STUB
cat >"$bin/sudo" <<'STUB'
#!/bin/sh
exec "$@"
STUB
chmod 755 "$bin"/*
faults=0

fault() {
  echo "FAULT: $*" >&2
  faults=$((faults + 1))
}

# A package's state, how many sleeps the lock stays held (and "grab": taken once more as
# apt-get starts), setup's exit status, the apt-get calls, the sleeps, and what it says.
rows=(
  "libgl-dev install ok triggers-pending|0|0||0|"
  "libgl-dev install ok triggers-awaited|0|0||0|"
  "git deinstall ok config-files|0|0|update install|0|"
  "git install ok half-configured|0|0|update install|0|"
  "git not-installed|3|0|update install|3|waiting for unattended-upgr (pid 4242)"
  "git not-installed|100000|1||300|unattended-upgr (pid 4242) still holds apt's lock"
  "git not-installed|0 grab|0|update install|0|"
)
for row in "${rows[@]}"; do
  IFS='|' read -r state held status calls sleeps said <<<"$row"
  export STATE=$scratch/state
  rm -rf "$STATE"
  mkdir "$STATE"
  echo "$state" >"$STATE/states"
  echo "${held% grab}" >"$STATE/held"
  [ "$held" = "${held% grab}" ] || touch "$STATE/grab"
  touch "$STATE/calls" "$STATE/sleeps"
  output=$(PATH="$bin:$PATH" "$root/scripts/setup" --test 2>&1)
  got=$?
  what="setup with \"$state\", lock held $held"
  [ "$got" = "$status" ] || fault "$what: status $got, not $status: $output"
  got=$(tr '\n' ' ' <"$STATE/calls")
  [ "${got% }" = "$calls" ] || fault "$what: apt-get calls \"${got% }\", not \"$calls\""
  got=$(wc -l <"$STATE/sleeps")
  [ "$got" = "$sleeps" ] || fault "$what: $got sleeps, not $sleeps"
  if [ -n "$said" ]; then
    [ "$(grep -cF "$said" <<<"$output")" = 1 ] || fault "$what: did not say \"$said\" once: $output"
  fi
done

echo "scripts/setup: ${#rows[@]} machines"
[ "$faults" -eq 0 ]
