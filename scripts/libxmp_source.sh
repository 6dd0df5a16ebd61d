#!/usr/bin/env bash
# Unpacks Debian's source package of libxmp (the version the archive in use serves) into DEST,
# for the cross builds (Windows, the web), which cannot use the native library. A fresh machine
# has no deb-src entry, so apt is given one of its own in a private folder: the system's
# sources and package lists are left untouched. Does nothing when DEST already holds it.
# Needs dpkg-dev (dpkg-source).
set -euo pipefail
dest=${1:?usage: libxmp_source.sh DEST}
[ -f "$dest/include/xmp.h" ] && exit 0
mkdir -p "$dest"
dest=$(cd "$dest" && pwd)
work=$(mktemp -d "$dest.fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/sources.list.d" "$work/lists/partial"
# The deb-src lines mirror the system's own deb entries (one-line or deb822 style).
{
  { grep -hs '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list || true; } | sed 's/^deb /deb-src /'
  for f in /etc/apt/sources.list.d/*.sources; do
    if [ -f "$f" ]; then sed 's/^Types: *deb$/Types: deb-src/' "$f"; echo; fi
  done
} > "$work/sources.list.d/src.sources.tmp"
if grep -q '^Types:' "$work/sources.list.d/src.sources.tmp"; then
  mv "$work/sources.list.d/src.sources.tmp" "$work/sources.list.d/src.sources"
else
  mv "$work/sources.list.d/src.sources.tmp" "$work/sources.list.d/src.list"
fi
opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/sources.list.d"
      -o "Dir::State::Lists=$work/lists" -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
apt-get "${opts[@]}" update -qq
# dpkg-source unpacks it with Debian's patches applied, as the native library was built.
(cd "$work" && apt-get "${opts[@]}" source -qq libxmp > /dev/null)
unpacked=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libxmp-*' | head -n 1)
rm -rf "$dest" && mv "$unpacked" "$dest"
echo "libxmp source: $(basename "$(ls "$work"/libxmp_*.dsc)" .dsc) in $dest"
