#!/usr/bin/env bash
# Builds the .deb and checks what it holds as a distribution would: the
# files in their places, the desktop file and metainfo valid, the MIME type
# recognised by content for a file without the extension, and the tool
# running from the unpacked tree.
#   scripts/check-package.sh   (after scripts/build.sh release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release
rm -f "$build"/pelkora_*.deb
cpack --preset release >/dev/null
deb=$(ls "$build"/pelkora_*.deb)
echo "check-package: $deb"

listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/pelkora ./usr/bin/pelkora-cli \
  ./usr/share/applications/pelkora.desktop ./usr/share/mime/packages/pelkora-big.xml \
  ./usr/share/metainfo/io.github.pelkora.Pelkora.metainfo.xml \
  ./usr/share/icons/hicolor/scalable/apps/pelkora.svg \
  ./usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/pelkora.png \
  ./usr/share/man/man1/pelkora.1 ./usr/share/man/man1/pelkora-cli.1 \
  ./usr/share/bash-completion/completions/pelkora-cli ./usr/share/doc/pelkora/copyright; do
  grep -qxF "$path" <<<"$listing" || { echo "check-package: $path is missing from the package" >&2; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || { echo "check-package: no Qt dependency" >&2; exit 1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/pelkora.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.pelkora.Pelkora.metainfo.xml"
man -l "$root/usr/share/man/man1/pelkora-cli.1" >/dev/null

# The type by content: the demo archive under a name without an extension.
update-mime-database "$root/usr/share/mime" 2>/dev/null
cp "$build/demo/demo.big" "$root/game-archive"
# gio reads the freedesktop MIME database as file managers do (xdg-mime
# outside a desktop session falls back to file(1), which knows no new types).
type=$(XDG_DATA_DIRS="$root/usr/share:/usr/share" gio info -a standard::content-type "$root/game-archive" \
  | sed -n 's/^ *standard::content-type: //p')
[ "$type" = application/x-pelkora-big ] || { echo "check-package: the demo archive is \"$type\"" >&2; exit 1; }
echo "check-package: a copy of the demo archive without its extension is $type"

"$root/usr/bin/pelkora-cli" --version
"$root/usr/bin/pelkora-cli" test -q "$build/demo/demo.big"
echo "check-package: the package holds what it should"
