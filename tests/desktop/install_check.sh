#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the desktop files
# there: the entry, the metainfo, and the icon at every size.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
entry=$prefix/share/applications/org.example.Veltrin.desktop
meta=$prefix/share/metainfo/org.example.Veltrin.metainfo.xml

fail() { echo "FAIL: $*" >&2; exit 1; }
[[ -x $prefix/bin/veltrin ]] || fail "no bin/veltrin"
desktop-file-validate "$entry" || fail "desktop entry"
appstreamcli validate --no-net "$meta" || fail "metainfo"
grep -qx 'Exec=veltrin %f' "$entry" || fail "Exec line"
grep -qx 'Icon=veltrin' "$entry" || fail "Icon line"
for type in audio/x-scpls audio/x-mpegurl application/vnd.apple.mpegurl application/x-cue application/x-cd-image; do
  grep -q "^MimeType=.*$type;" "$entry" || fail "type $type"
  grep -q "<mediatype>$type</mediatype>" "$meta" || fail "metainfo type $type"
done
for size in 16 32 48 64 128 256; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/veltrin.png
  [[ -f $icon ]] || fail "no icon $size"
  [[ $(identify -format '%wx%h' "$icon") == "${size}x${size}" ]] || fail "icon $size has the wrong size"
done
[[ -f $prefix/share/icons/hicolor/scalable/apps/veltrin.svg ]] || fail "no scalable icon"
[[ -f $prefix/share/doc/veltrin/LICENSE-LiberationSans.txt ]] || fail "no font licence"
echo "installed files valid"
