#!/usr/bin/env bash
# Installs labrix-VERSION.tar.gz into a temporary package prefix with its own
# package list (nothing of the machine's Octave packages is touched), loads
# it in a fresh Octave and runs packaging/smoke_test.m through it.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(Labrix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
tarball="labrix-$version.tar.gz"
[ -f "$tarball" ] || { echo "check_dist: $tarball is missing (make dist)" >&2; exit 1; }
root=$(mktemp -d)
# LABRIX_KEEP_DIST_ROOT=1 keeps the installed tree for a look.
if [ -n "${LABRIX_KEEP_DIST_ROOT:-}" ]; then
  echo "package root: $root"
else
  trap 'rm -rf "$root"' EXIT
fi
octave=(octave-cli -q -H --no-window-system --norc)

"${octave[@]}" --eval "
  pkg prefix '$root/share' '$root/arch';
  pkg local_list '$root/octave_packages';
  pkg install -local '$PWD/$tarball';"

# A fresh session, started elsewhere, sees only what pkg load adds.
cd "$root"
"${octave[@]}" --eval "
  pkg local_list '$root/octave_packages';
  pkg load labrix;
  addpath('$OLDPWD/packaging');
  exit(smoke_test('$(cd "$root" && pwd -P)'));"
