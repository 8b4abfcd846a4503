#!/usr/bin/env bash
# Builds the packages and proves them: the .deb is unpacked into a scratch
# root, whose zelmocb-cli must report the project's version and scan the demo
# data as the build tree's does; lintian must find no errors in it; the
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
deb=build/default/packages/zelmocb_${version}_$(dpkg --print-architecture).deb
dpkg-deb -c "$deb"

echo "=== .deb: lintian"
lintian --fail-on error "$deb"

echo "=== .deb: the unpacked programs"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"
shown=$("$scratch/usr/bin/zelmocb-cli" --version)
if [[ $shown != "zelmocb-cli $version" ]]; then
    echo "installed zelmocb-cli --version says '$shown', not 'zelmocb-cli $version'"
    exit 1
fi
echo "$shown"
scan() { (cd demo && "$1" scan --drive C=drives/C --drive D=drives/D | grep -v '^Folders searched'); }
installed=$(scan "$scratch/usr/bin/zelmocb-cli")
built=$(scan "$root/build/default/zelmocb-cli")
echo "$installed"
if [[ $installed != "$built" || $installed != *"Summary: "* ]]; then
    echo "the installed zelmocb-cli scans the demo data differently from the build's"
    exit 1
fi
"$scratch/usr/bin/zelmocb-cli" scan --help >/dev/null
for f in usr/bin/zelmocb usr/share/applications/zelmocb.desktop \
    usr/share/icons/hicolor/64x64/apps/zelmocb.png usr/share/man/man1/zelmocb-cli.1.gz \
    usr/share/doc/zelmocb/Zelmo.ini usr/share/doc/zelmocb/ZelmoAppl.csv; do
    [[ -s $scratch/$f ]] || { echo "the .deb has no /$f"; exit 1; }
done

[[ "${ZELMO_WINDOWS:-1}" == 0 ]] && exit 0

echo "=== Windows ZIP: the 32-bit build for x86\, then cmake --workflow --preset windows-zip"
cmake --preset windows-i686
cmake --build --preset windows-i686 --target ZelmoCB zelmocb-cli
cmake --workflow --preset windows-zip
zip=build/windows-x64/packages/zelmocb-${version}-windows.zip
python3 - "$zip" "$root/packaging/samples/ZelmoAppl.csv" <<'PY'
import struct, sys, zipfile
archive, sample = sys.argv[1], sys.argv[2]
expected = ["README-en.txt", "README-ja.txt", "Zelmo.ini", "ZelmoAppl.csv",
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
