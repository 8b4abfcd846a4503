#!/usr/bin/env bash
# Builds the packages and proves them: zelmocb-cli's .deb is unpacked into a
# scratch folder, whose program must report the project's version and scan
# the demo data as the build tree's does; lintian must find no errors in
# either .deb, nor any hardening tag at its most thorough; zelmocb-cli alone
# must install into a clean minimal Debian root with what apt brings, without
# Qt, and work there, and zelmocb's dependencies must resolve in it; the
# Windows ZIP (unless ZELMO_WINDOWS=0) must hold exactly the shipped files:
# the 64-bit programs at its top, the 32-bit ones in x86\, the list in code
# page 932.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
export CMAKE_BUILD_PARALLEL_LEVEL=${ZELMO_JOBS:-$(nproc)}

scripts/install-deps.sh
version=$(sed -n 's/^project(ZelmoCB VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

echo "=== .deb: cmake --workflow --preset deb"
cmake --workflow --preset deb
arch=$(dpkg --print-architecture)
cli_deb=$root/build/default/packages/zelmocb-cli_${version}_$arch.deb
desktop_deb=$root/build/default/packages/zelmocb_${version}_$arch.deb
for deb in "$cli_deb" "$desktop_deb"; do
    dpkg-deb -I "$deb" control
    dpkg-deb -c "$deb"
done

echo "=== .deb: lintian"
lintian --fail-on error "$cli_deb" "$desktop_deb"
echo "--- lintian --pedantic -I"
lint=$(lintian --pedantic -I --fail-on none "$cli_deb" "$desktop_deb")
echo "${lint:-(nothing)}"
if grep -q 'hardening-' <<<"$lint"; then
    echo "lintian finds the programs built without Debian's hardening"
    exit 1
fi

echo "=== .deb: the unpacked programs"
scratch=$(mktemp -d)
cleanup() {
    # A root's /proc is unmounted before the folder goes.
    [[ -n ${minimal:-} ]] && umount "$minimal/proc" 2>/dev/null || true
    rm -rf --one-file-system "$scratch"
}
trap cleanup EXIT
dpkg-deb -x "$cli_deb" "$scratch/cli"
dpkg-deb -x "$desktop_deb" "$scratch/desktop"
shown=$("$scratch/cli/usr/bin/zelmocb-cli" --version)
if [[ $shown != "zelmocb-cli $version" ]]; then
    echo "installed zelmocb-cli --version says '$shown', not 'zelmocb-cli $version'"
    exit 1
fi
echo "$shown"
scan() { (cd demo && "$1" scan --drive C=drives/C --drive D=drives/D | grep -v '^Folders searched'); }
installed=$(scan "$scratch/cli/usr/bin/zelmocb-cli")
built=$(scan "$root/build/default/zelmocb-cli")
echo "$installed"
if [[ $installed != "$built" || $installed != *"Summary: "* ]]; then
    echo "the installed zelmocb-cli scans the demo data differently from the build's"
    exit 1
fi
for f in cli/usr/bin/zelmocb-cli cli/usr/share/man/man1/zelmocb-cli.1.gz \
    cli/etc/zelmocb/Zelmo.ini cli/etc/zelmocb/collect.conf \
    cli/lib/systemd/system/zelmocb-collect.service cli/lib/systemd/system/zelmocb-collect.timer \
    cli/usr/share/doc/zelmocb-cli/README.md cli/usr/share/doc/zelmocb-cli/examples/ZelmoAppl.csv \
    desktop/usr/bin/zelmocb desktop/usr/share/applications/zelmocb.desktop \
    desktop/usr/share/icons/hicolor/64x64/apps/zelmocb.png desktop/usr/share/man/man1/zelmocb.1.gz \
    desktop/usr/share/doc/zelmocb/copyright; do
    [[ -s $scratch/$f ]] || { echo "the .deb has no /${f#*/}"; exit 1; }
done
# The manual has a section for every command the program lists.
manual=$(zcat "$scratch/cli/usr/share/man/man1/zelmocb-cli.1.gz")
for command in $("$scratch/cli/usr/bin/zelmocb-cli" --help | sed -n '/^Subcommands:/,/^$/s/^  \([^ ]*\) .*/\1/p'); do
    grep -qx "\.SS $command" <<<"$manual" || { echo "the manual has no section for $command"; exit 1; }
done

echo "=== .deb: zelmocb-cli alone in a minimal Debian root"
if [[ $(id -u) -ne 0 ]]; then
    echo "making and entering the minimal root (debootstrap, mount, chroot) needs root"
    exit 1
fi
started=$SECONDS
minimal=$scratch/root
scripts/minimal-root.sh "$minimal"
made=$((SECONDS - started))
mount -t proc proc "$minimal/proc"
in_root() { chroot "$minimal" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
before=$(in_root dpkg-query -W -f='${Installed-Size}\n' | awk '{ s += $1 } END { print s }')
cp "$cli_deb" "$desktop_deb" "$minimal/tmp/"
in_root apt-get update -q
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o Dpkg::Use-Pty=0 \
    "/tmp/${cli_deb##*/}"
after=$(in_root dpkg-query -W -f='${Installed-Size}\n' | awk '{ s += $1 } END { print s }')
echo "zelmocb-cli and its dependencies take $(((after - before) / 1024)) MB (kB: $((after - before)))"
if in_root dpkg-query -W -f='${Package}\n' | grep -i 'qt'; then
    echo "installing zelmocb-cli brought Qt"
    exit 1
fi
if find "$minimal/usr/lib" -name 'libQt*' | grep .; then
    echo "a Qt library is in the root after installing zelmocb-cli"
    exit 1
fi
shown=$(in_root zelmocb-cli --version)
echo "$shown"
[[ $shown == "zelmocb-cli $version" ]] || { echo "zelmocb-cli in the root says '$shown'"; exit 1; }
# With no Zelmo.ini beside /usr/bin/zelmocb-cli, the one in /etc/zelmocb is
# read: its drives (the shipped comments kept above them) find the file
# twice, where C: alone, / without settings, would find it once.
mkdir -p "$minimal/tmp/drive/apps"
: >"$minimal/tmp/drive/apps/tool.exe"
printf 'TL01,Tool,tool.exe,\r\n' >"$minimal/tmp/list.csv"
printf '[Drives]\nC=/tmp/drive\nD=/tmp/drive\n' >>"$minimal/etc/zelmocb/Zelmo.ini"
scanned=$(in_root zelmocb-cli scan --list /tmp/list.csv)
echo "$scanned"
grep -qE '^Summary: TL01ToolTool,?$' <<<"$scanned" || {
    echo "zelmocb-cli in the root did not read /etc/zelmocb/Zelmo.ini"
    exit 1
}
# Two collections, a host more in the second, to every output, then the
# changes between them.
mkdir -p "$minimal/tmp/save"
cp demo/ZelmoAppl.csv "$minimal/tmp/"
cp demo/save/WS00[1-4].txt "$minimal/tmp/save/"
collect() {
    in_root zelmocb-cli collect /tmp/save --list /tmp/ZelmoAppl.csv --encoding UTF-8 \
        --csv /tmp/hosts.csv --json /tmp/inventory.json --html /tmp/report.html \
        --db /var/lib/zelmocb/inventory.db
}
in_root mkdir -p /var/lib/zelmocb
collect
cp demo/save/WS005.txt "$minimal/tmp/save/"
collect
for f in hosts.csv inventory.json report.html; do
    [[ -s $minimal/tmp/$f ]] || { echo "collect wrote no /tmp/$f in the root"; exit 1; }
done
changes=$(in_root zelmocb-cli changes --db /var/lib/zelmocb/inventory.db)
echo "$changes"
grep -q WS005 <<<"$changes" || { echo "changes does not show the host added"; exit 1; }
echo "--- zelmocb resolves beside it"
in_root apt-get install --simulate -q "/tmp/${desktop_deb##*/}" | grep -E 'newly installed|^Inst (zelmocb|fonts)' 
umount "$minimal/proc"
echo "minimal root: $made s to make or unpack, $((SECONDS - started)) s in all"

[[ "${ZELMO_WINDOWS:-1}" == 0 ]] && exit 0

echo "=== Windows ZIP: the 32-bit build for x86\, then cmake --workflow --preset windows-zip"
cmake --preset windows-i686
cmake --build --preset windows-i686 --target ZelmoCB zelmocb-cli
cmake --workflow --preset windows-zip
zip=build/windows-x64/packages/zelmocb-${version}-windows.zip
python3 - "$zip" "$root/packaging/samples/ZelmoAppl.csv" <<'PY'
import struct, sys, zipfile
archive, sample = sys.argv[1], sys.argv[2]
expected = ["README-en.txt", "README-ja.txt", "THIRD-PARTY.txt", "Zelmo.ini", "ZelmoAppl.csv",
            "licences/libxlsxwriter.txt",
            "ZelmoCB.exe", "zelmocb-cli.exe", "x86/Zelmo.ini", "x86/ZelmoCB.exe",
            "x86/zelmocb-cli.exe"]
machines = {"": (0x8664, "64-bit"), "x86/": (0x14C, "32-bit")}
with zipfile.ZipFile(archive) as z:
    names = sorted((n for n in z.namelist() if not n.endswith("/")), key=str.lower)
    print("\n".join("%8d  %s" % (z.getinfo(n).file_size, n) for n in names))
    if names != sorted(expected, key=str.lower):
        sys.exit("the ZIP holds %s, not %s" % (names, expected))
    for folder, (machine, bits) in machines.items():
        for exe in ("ZelmoCB.exe", "zelmocb-cli.exe"):
            data = z.read(folder + exe)
            pe = struct.unpack_from("<I", data, 0x3C)[0]
            if data[pe:pe + 4] != b"PE\0\0" or struct.unpack_from("<H", data, pe + 4)[0] != machine:
                sys.exit(folder + exe + " is not a " + bits + " Windows program")
    if z.read("x86/Zelmo.ini") != z.read("Zelmo.ini"):
        sys.exit("x86/Zelmo.ini is not the sample Zelmo.ini")
    listed = z.read("ZelmoAppl.csv")
    wanted = open(sample, encoding="utf-8").read().replace("\n", "\r\n").encode("cp932")
    if listed != wanted:
        sys.exit("ZelmoAppl.csv in the ZIP is not the sample in code page 932 with CR LF")
    z.read("README-ja.txt").decode("cp932")
print("ZIP contents as expected")
PY
