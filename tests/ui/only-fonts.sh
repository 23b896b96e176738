#!/usr/bin/env bash
# Runs a command with one Debian font package as the only fonts fontconfig can see, as on a
# system where that package is the only one installed. Everything else of the system's
# font set-up (aliases, hinting) stays as it is.
# Usage: only-fonts.sh [--folders] PACKAGE COMMAND [ARG...]   Exits 77 (skipped) without the
# package. With --folders fontconfig reads the package's own font folders, as an installed
# system does, rather than links to its files: the package's folders then bring their own
# configuration (fonts-liberation2 makes Liberation Mono the default face that way).
set -euo pipefail
folders=0
if [ "${1:-}" = "--folders" ]; then folders=1; shift; fi
package=$1; shift
status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
if [ "$status" != "install ok installed" ]; then
  echo "$package is not installed (scripts/install-deps.sh test installs it)" >&2
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/fonts" "$work/cache"
# Every font file of the package, and nothing of the other packages sharing its folders; or
# the folders themselves.
n=0
dirs="<dir>$work/fonts</dir>"
while IFS= read -r file; do
  [ -f "$file" ] || continue
  if [ "$folders" = 1 ]; then
    case "$dirs" in *"<dir>$(dirname "$file")</dir>"*) ;; *) dirs="$dirs<dir>$(dirname "$file")</dir>" ;; esac
  else
    ln -s "$file" "$work/fonts/$n-$(basename "$file")"
  fi
  n=$((n + 1))
done < <(dpkg -L "$package" | grep -E '\.(ttf|otf|ttc|pfb|t1)$')
[ "$n" -gt 0 ] || { echo "$package holds no font files" >&2; exit 1; }
sed -e '/<dir[ >]/d' -e '/<cachedir[ >]/d' \
    -e 's|<include ignore_missing="yes">conf.d</include>|<include ignore_missing="yes">/etc/fonts/conf.d</include>|' \
    -e "s|</fontconfig>|$dirs<cachedir>$work/cache</cachedir></fontconfig>|" \
    /etc/fonts/fonts.conf >"$work/fonts.conf"
export FONTCONFIG_FILE="$work/fonts.conf"
"$@"
