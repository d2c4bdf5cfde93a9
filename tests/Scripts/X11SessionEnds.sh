#!/usr/bin/env bash
# Runs commands in scripts/x11-session that leave a file system mounted in the session's runtime
# folder, as the document portal the session's bus starts does, and fails, naming each fault,
# when the session's end changes the command's status or leaves its folders or the mount
# behind. Mounting takes root; without it the test is skipped.
set -uo pipefail
root=$1
if [ "$(id -u)" -ne 0 ]; then
  echo "not root: no file system to mount"
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
faults=0

fault() {
  echo "FAULT: $*" >&2
  faults=$((faults + 1))
}

# The command's status, and who takes the mount away: a holder that lets go once the session's
# bus has gone (the portal's way), nobody, or no mount at all.
rows=(
  "0|holder"
  "0|nobody"
  "3|holder"
  "0|none"
)
for row in "${rows[@]}"; do
  IFS='|' read -r status holder <<<"$row"
  # shellcheck disable=SC2016
  command='
    echo "$XDG_RUNTIME_DIR" >"$0"
    [ "$2" = none ] && exit "$1"
    mkdir "$XDG_RUNTIME_DIR/doc"
    mount -t tmpfs portal "$XDG_RUNTIME_DIR/doc"
    if [ "$2" = holder ]; then
      # dbus-monitor ends when its bus does.
      (dbus-monitor --session "type=signal,interface=none.such" >/dev/null 2>&1
       sleep 0.3
       umount "$XDG_RUNTIME_DIR/doc") &
    fi
    exit "$1"'
  "$root/scripts/x11-session" bash -c "$command" "$scratch/run" "$status" "$holder" \
    2>"$scratch/errors"
  got=$?
  what="a command that ends with $status, its mount taken away by $holder"
  [ "$got" = "$status" ] || fault "$what: status $got: $(cat "$scratch/errors")"
  run=$(cat "$scratch/run")
  # The holder's own end, at the latest.
  sleep 0.5
  folder=${run%/run}
  [ -e "$folder" ] && fault "$what: $folder is left"
  if grep -qF " $run/" /proc/self/mountinfo; then
    fault "$what: still mounted in $run"
    umount -l "$run/doc"
  fi
done

echo "scripts/x11-session: ${#rows[@]} endings"
[ "$faults" -eq 0 ]
