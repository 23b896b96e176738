#!/usr/bin/env bash
# Installs Tressik into a temporary folder and checks what lands there.
# Usage: check-install.sh <cmake> <build dir> <built tressik executable> <version> <icon source dir>
set -uo pipefail

if [ $# -ne 5 ]; then
  echo "usage: $0 <cmake> <build dir> <built tressik> <version> <icon source dir>" >&2
  exit 2
fi
cmake=$1 build=$2 built=$3 version=$4 icon_src=$5

app_id=io.github.tressik.Tressik
sizes=(16 32 48 64 128 256)
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

if [ ! -x "$built" ]; then
  echo "FAIL: $built has not been built; build the tressik target first" >&2
  exit 1
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tressik-install.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# 1. Install with a prefix.
root=$tmp/prefix/usr
if ! "$cmake" --install "$build" --prefix "$root" >"$tmp/install.log" 2>&1; then
  cat "$tmp/install.log" >&2
  fail "cmake --install --prefix failed"
  exit 1
fi
echo "--- installed tree"
(cd "$root" && find . -type f -o -type l | sort)

# The executable: present, runnable, and the very file the build produced.
exe=$root/bin/tressik
if [ -x "$exe" ] && [ -f "$exe" ]; then
  cmp -s "$exe" "$built" && ok "bin/tressik is the built executable" \
    || fail "bin/tressik differs from $built"
else
  fail "bin/tressik missing or not executable"
fi

# The window icon is compiled in: the 256 px PNG appears byte for byte inside the executable.
if [ -f "$exe" ]; then
  if perl -e '
      local $/; open(my $p, "<:raw", $ARGV[0]) or die; my $png = <$p>;
      open(my $e, "<:raw", $ARGV[1]) or die; my $bin = <$e>;
      exit(index($bin, $png) >= 0 ? 0 : 1);' "$icon_src/tressik-256.png" "$exe"; then
    ok "icon resource is compiled into the executable"
  else
    fail "the executable does not contain the icon resource (icons.qrc not linked?)"
  fi
fi

# Desktop entry.
desktop=$root/share/applications/$app_id.desktop
if [ -f "$desktop" ]; then
  if out=$(desktop-file-validate "$desktop" 2>&1); then
    # Even a hint is a fault: the validator has nothing to say about a good entry.
    if [ -n "$out" ]; then
      fail "desktop-file-validate complained:"; printf '%s\n' "$out" >&2
    else
      ok "desktop-file-validate"
    fi
  else
    fail "desktop-file-validate failed:"; printf '%s\n' "$out" >&2
  fi
  value() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
  [ "$(value Name)" = Tressik ] && ok "Name=Tressik" || fail "Name is '$(value Name)'"
  [ -n "$(value Comment)" ] && ok "Comment present" || fail "no Comment"
  # One main category, so that menus list the program once.
  [ "$(value Categories)" = "Graphics;2DGraphics;VectorGraphics;" ] && ok "Categories" \
    || fail "Categories is '$(value Categories)'"
  exec_bin=$(value Exec | awk '{print $1}')
  [ "$exec_bin" = tressik ] && [ -x "$root/bin/$exec_bin" ] && ok "Exec=$exec_bin is installed" \
    || fail "Exec '$exec_bin' does not name the installed executable"
  icon=$(value Icon)
  [ "$icon" = tressik ] && ok "Icon=$icon" || fail "Icon is '$icon'"
else
  fail "desktop file $app_id.desktop missing"
  icon=tressik
fi

# Icons under the name the desktop entry uses.
hicolor=$root/share/icons/hicolor
svg=$hicolor/scalable/apps/$icon.svg
if [ -f "$svg" ] && [ "$(file --brief --mime-type "$svg")" = image/svg+xml ]; then
  ok "scalable SVG icon"
else
  fail "scalable icon $svg missing or not SVG"
fi
for n in "${sizes[@]}"; do
  png=$hicolor/${n}x$n/apps/$icon.png
  desc=$(file --brief "$png" 2>/dev/null)
  case $desc in
    "PNG image data, $n x $n, "*RGBA*) ok "${n}x$n PNG icon" ;;
    *) fail "$png: expected a ${n}x$n RGBA PNG, found: ${desc:-nothing}" ;;
  esac
done

# AppStream metadata: strict validation (anything above pedantic notes fails), then the
# whole tree (metainfo, the desktop file it launches and the icons) together.
metainfo=$root/share/metainfo/$app_id.metainfo.xml
if [ -f "$metainfo" ]; then
  # Strict makes warnings fail; infos pass it, so they are caught here. Pedantic notes may stay.
  if out=$(appstreamcli validate --no-net --strict "$metainfo" 2>&1); then
    if printf '%s\n' "$out" | grep -Eq '^[EWI]: |errors?:|warnings?:|infos?:'; then
      fail "appstreamcli validate has remarks:"; printf '%s\n' "$out" >&2
    else
      ok "appstreamcli validate"
    fi
  else
    fail "appstreamcli validate:"; printf '%s\n' "$out" >&2
  fi
  if out=$(appstreamcli validate-tree --no-net --strict "$root" 2>&1); then
    ok "appstreamcli validate-tree"
  else
    fail "appstreamcli validate-tree:"; printf '%s\n' "$out" >&2
  fi
  grep -q "<id>$app_id</id>" "$metainfo" && ok "metainfo id" || fail "metainfo id is not $app_id"
  grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" \
    && ok "launchable names the desktop file" || fail "launchable does not name $app_id.desktop"
  grep -q "<release version=\"$version\"" "$metainfo" && ok "release $version listed" \
    || fail "no release entry for version $version"
else
  fail "metainfo $app_id.metainfo.xml missing"
fi

# Manual page and the licence.
man=$root/share/man/man1/tressik.1.gz
if [ -f "$man" ] && gzip -t "$man" 2>/dev/null; then
  if warnings=$(zcat "$man" | groff -man -ww -z 2>&1) && [ -z "$warnings" ]; then
    ok "manual page tressik(1)"
  else
    fail "manual page does not format cleanly: $warnings"
  fi
  zcat "$man" | grep -qF -- '\-\-version' && ok "manual page names --version" \
    || fail "manual page does not describe --version"
else
  fail "manual page $man missing or not gzip'd"
fi
doc=$root/share/doc/tressik
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$doc/copyright" 2>/dev/null \
  && grep -q '^License: Expat' "$doc/copyright" && ok "copyright file, machine-readable, MIT (Expat)" \
  || fail "$doc/copyright missing or not in Debian's machine-readable format"
zcat "$doc/changelog.gz" 2>/dev/null | head -n 1 | grep -q "^tressik ($version) " \
  && ok "changelog.gz starts at $version" || fail "$doc/changelog.gz missing or not at $version"

# 2. Install again with DESTDIR: the same files must land under DESTDIR and nowhere else.
destdir=$tmp/destdir
if DESTDIR=$destdir "$cmake" --install "$build" --prefix /opt/tressik-check >"$tmp/install2.log" 2>&1; then
  a=$(cd "$root" && find . -type f | sort)
  b=$(cd "$destdir/opt/tressik-check" 2>/dev/null && find . -type f | sort)
  [ -n "$a" ] && [ "$a" = "$b" ] && ok "DESTDIR install matches the prefix install" \
    || fail "DESTDIR install differs from the prefix install"
  [ ! -e /opt/tressik-check ] || fail "an install ignored DESTDIR and wrote /opt/tressik-check"
else
  cat "$tmp/install2.log" >&2
  fail "cmake --install with DESTDIR failed"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all install checks passed"
