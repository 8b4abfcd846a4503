#!/usr/bin/env bash
# scripts/minimal-root.sh DIR
# Unpacks a fresh minimal Debian root (debootstrap --variant=minbase) of this
# machine's release into DIR, ready for `chroot DIR apt-get ...`: it uses
# this machine's own apt sources, its Acquire settings and its name servers.
# The root is made once and kept as build/minimal-root/<codename>.tar, so a
# second run on the same machine costs seconds. Needs root and debootstrap.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1

. /etc/os-release
codename=${VERSION_CODENAME:?no VERSION_CODENAME in /etc/os-release}
cache=build/minimal-root/$codename.tar

# The mirror that serves this release, as this machine's apt sources name it
# (deb822 files first, then the one-line format): never a host written here.
mirror() {
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [[ -f $f ]] || continue
        # Stanzas are separated by blank lines; take a deb stanza whose
        # suites include the release itself.
        awk -v want="$codename" '
            BEGIN { RS = ""; FS = "\n" }
            {
                types = ""; uris = ""; suites = ""
                for (i = 1; i <= NF; i++) {
                    if ($i ~ /^Types:/) types = $i
                    if ($i ~ /^URIs:/) uris = $i
                    if ($i ~ /^Suites:/) suites = $i
                }
                if (types ~ /[ \t]deb([ \t]|$)/ && (" " suites " ") ~ "[ \t]" want "[ \t]") {
                    sub(/^URIs:[ \t]*/, "", uris); split(uris, u, /[ \t]+/); print u[1]; exit
                }
            }' "$f"
    done
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [[ -f $f ]] || continue
        awk -v want="$codename" '
            $1 == "deb" {
                n = 2; if ($2 ~ /^\[/) { while ($n !~ /\]$/) n++; n++ }
                if ($(n + 1) == want) { print $n; exit }
            }' "$f"
    done
}

if [[ ! -s $cache ]]; then
    url=$(mirror | head -n 1)
    [[ -n $url ]] || { echo "no apt source of this machine serves $codename"; exit 1; }
    # debootstrap does not read apt's configuration; a proxy set there is
    # passed on the way wget takes it.
    eval "$(apt-config shell http_proxy Acquire::http::Proxy)"
    [[ -n ${http_proxy:-} ]] && export http_proxy
    mkdir -p build
    building=$(mktemp -d "$PWD/build/minimal-root.XXXXXX")
    trap 'rm -rf "$building"' EXIT
    debootstrap --variant=minbase "$codename" "$building/root" "$url" >"$building/log" 2>&1 || {
        tail -n 30 "$building/log"
        exit 1
    }
    # apt inside it reads what apt here reads.
    rm -f "$building/root/etc/apt/sources.list"
    cp /etc/apt/sources.list.d/*.sources "$building/root/etc/apt/sources.list.d/" 2>/dev/null || true
    cp /etc/apt/sources.list.d/*.list "$building/root/etc/apt/sources.list.d/" 2>/dev/null || true
    [[ -f /etc/apt/sources.list ]] && cp /etc/apt/sources.list "$building/root/etc/apt/"
    apt-config dump | grep '^Acquire::' >"$building/root/etc/apt/apt.conf.d/99this-machine" || true
    rm -rf "$building/root/var/cache/apt/archives/"*.deb
    mkdir -p "$(dirname "$cache")"
    tar -C "$building/root" -cf "$cache.part" .
    mv "$cache.part" "$cache"
fi

mkdir -p "$dir"
tar -C "$dir" -xf "$cache"
cp -L /etc/resolv.conf "$dir/etc/resolv.conf"
