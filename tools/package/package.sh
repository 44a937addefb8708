#!/usr/bin/env bash
# Makes the release package an operator installs: travik-VERSION-linux.tar.gz,
# laid out as a server's cstrike/ folder, with its MD5 and Ed25519 signature
# beside it (.md5, .sig) in the forms the updater checks.
#
#   package.sh VERSION KEY.pem OUTDIR GAMEDIR RELEASE_TOOL
#
# GAMEDIR is a build's game folder (build/release/cstrike); RELEASE_TOOL is
# travik-release. The module in the package is the release's own file, as
# `travik-release add` makes it, so a server installed from the package runs
# exactly what the update server offers for VERSION.
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: package.sh VERSION KEY.pem OUTDIR GAMEDIR RELEASE_TOOL" >&2; exit 2; }
version=$1 key=$2 out=$3 game=$4 tool=$5
root=$(cd "$(dirname "$0")/../.." && pwd)
die() { echo "package: $*" >&2; exit 1; }

# The version names files: the package's and, without its dots, the
# release's.
[[ $version =~ ^[A-Za-z0-9][A-Za-z0-9._-]*$ ]] ||
    die "version '$version' must be letters, digits, '.', '_' and '-'"
[ -f "$key" ] || die "no release key at $key"
[ -f "$game/addons/travik.so" ] || die "no module at $game/addons/travik.so (build it first)"
[ -f "$root/docs/reference.md" ] || die "no docs/reference.md"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
"$tool" add "$stage/releases" "$version" "$game/addons/travik.so" "$key" >/dev/null ||
    die "travik-release could not make the release's module"
id=$(awk 'END { print $2 }' "$stage/releases/releases.txt")
dest=$stage/cstrike
install -D -m 755 "$stage/releases/$id/travik.so" "$dest/addons/travik.so"
# Everything plugin/dist holds: the description file, travik.cfg and the
# operator's example files.
while IFS= read -r -d '' file; do
    install -D -m 644 "$root/plugin/dist/$file" "$dest/$file"
done < <(cd "$root/plugin/dist" && find . -type f -printf '%P\0')
install -D -m 644 "$root/docs/reference.md" "$dest/docs/travik/reference.md"
sed "s/@VERSION@/$version/g" "$root/tools/package/INSTALL.md" >"$stage/INSTALL.md"
install -D -m 644 "$stage/INSTALL.md" "$dest/docs/travik/INSTALL.md"

# The same inputs make the same archive: fixed order, owners and times.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)}
name=travik-$version-linux.tar.gz
tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$epoch" -C "$stage" -cf - cstrike |
    gzip -n -9 >"$stage/$name"
"$tool" sign "$stage/$name" "$key" >/dev/null || die "travik-release could not sign the package"

mkdir -p "$out"
for f in "$name" "$name.md5" "$name.sig"; do
    mv -f "$stage/$f" "$out/$f"
done
echo "$out/$name"
