#!/usr/bin/env bash
# Builds the Octave package labrix-VERSION.tar.gz in the repository root:
#   DESCRIPTION, COPYING, INDEX       from packaging/
#   inst/   the class, the demos and Contents.m (toolbox/)
#   src/    the C++ sources, packaging/Makefile, and in src/help/ the
#           help-only .m files of the modules, which the Makefile installs
#           beside the modules (see packaging/Makefile for why).
# VERSION is the project version of CMakeLists.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^project(Labrix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "make_dist: no project version in CMakeLists.txt" >&2; exit 1; }
name="labrix-$version"
stage="${DIST_STAGE:-build/dist}"
modules=(labrixgate labrixnew colshift)

rm -rf "$stage/$name"
mkdir -p "$stage/$name/inst" "$stage/$name/src/help"
pkg="$stage/$name"

sed -e "s/@VERSION@/$version/" -e "s/@DATE@/$(date +%Y-%m-%d)/" packaging/DESCRIPTION.in >"$pkg/DESCRIPTION"
cp packaging/COPYING packaging/INDEX "$pkg/"
cp packaging/Makefile "$pkg/src/Makefile"

for f in toolbox/*.m; do
  base=$(basename "$f" .m)
  if [[ " ${modules[*]} " == *" $base "* ]]; then
    cp "$f" "$pkg/src/help/"
  else
    cp "$f" "$pkg/inst/"
  fi
done
for m in "${modules[@]}"; do
  [ -f "$pkg/src/help/$m.m" ] || { echo "make_dist: toolbox/$m.m is missing" >&2; exit 1; }
done

for dir in optimizer cutengine gateway creator colshift; do
  mkdir -p "$pkg/src/$dir"
  cp "$dir"/*.cpp "$pkg/src/$dir/"
  if compgen -G "$dir/*.h" >/dev/null; then cp "$dir"/*.h "$pkg/src/$dir/"; fi
done

tar -czf "$name.tar.gz" -C "$stage" "$name"
echo "$name.tar.gz"
