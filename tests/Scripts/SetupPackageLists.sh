#!/usr/bin/env bash
# Reads the packages scripts/run and scripts/test have scripts/setup install (setup --list
# prints them and installs nothing) and fails, naming each fault, when the run's list holds
# a tool only the tests use, lacks something the program needs when it runs, or the tests'
# list lacks a tool of theirs.
set -uo pipefail
root=$1
faults=0

fault() {
  echo "FAULT: $*" >&2
  faults=$((faults + 1))
}

# The arguments each script gives scripts/setup, as written on its line.
setup_arguments() {
  local line
  line=$(grep -E '^[[:space:]]*scripts/setup([[:space:]]|$)' "$root/scripts/$1" | head -n 1)
  [ -n "$line" ] || { fault "scripts/$1 does not call scripts/setup"; return; }
  line=${line%%||*}
  line=${line%%&&*}
  read -r -a words <<<"$line"
  [ ${#words[@]} -gt 1 ] && printf '%s\n' "${words[@]:1}"
  return 0
}

mapfile -t run_arguments < <(setup_arguments run)
mapfile -t test_arguments < <(setup_arguments test)
mapfile -t run_list < <("$root/scripts/setup" "${run_arguments[@]}" --list)
mapfile -t test_list < <("$root/scripts/setup" "${test_arguments[@]}" --list)

holds() {
  local wanted=$1
  shift
  local p
  for p in "$@"; do
    [ "$p" = "$wanted" ] && return 0
  done
  return 1
}

# Tools only the tests, the benchmarks and the fuzz targets use.
test_only=(
  libgtest-dev libgmock-dev libbenchmark-dev libxcb-damage0-dev ccache
  xvfb xauth openbox trayer xclip xterm xdotool x11-utils imagemagick pulseaudio xcompmgr
  python3-gi gir1.2-gtk-3.0 firefox-esr chromium libreoffice-writer libreoffice-gtk3 mousepad
  espeak-ng sox zsh ksh strace libxml2-utils clang libclang-rt-14-dev bubblewrap lld
)
# What the program needs when it runs, besides what it is built from.
run_time=(
  qt6-qpa-plugins at-spi2-core dbus pocketsphinx-en-us curl tar git fonts-dejavu-core
)

for p in "${test_only[@]}"; do
  holds "$p" "${run_list[@]}" && fault "scripts/run installs $p, which only the tests use"
  holds "$p" "${test_list[@]}" || fault "scripts/test does not install $p"
done
for p in "${run_time[@]}"; do
  holds "$p" "${run_list[@]}" || fault "scripts/run does not install $p, which Tavrin needs"
done
for p in "${run_list[@]}"; do
  holds "$p" "${test_list[@]}" || fault "scripts/test does not install $p, which the build needs"
done

[ "$faults" -eq 0 ] || exit 1
echo "scripts/run installs ${#run_list[@]} packages, scripts/test ${#test_list[@]}"
