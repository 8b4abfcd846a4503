#!/usr/bin/env bash
# Builds the libraries the Windows programs need that Debian ships no MinGW
# package of, from Debian's own source packages:
#
#     scripts/third-party.sh [PACKAGE...]     (default: every package below)
#
# The sources come through apt from the archives this machine already uses:
# a temporary copy of its apt sources, with `deb` turned into `deb-src`, and
# lists and caches of its own, so the system's apt configuration and state
# are left as they are. Each package lands in build/third-party/PACKAGE
# (ZELMO_THIRD_PARTY_DIR overrides), which CMake reads; a package already
# there at the wanted version is not fetched again.
set -euo pipefail
cd "$(dirname "$0")/.."
out_root=${ZELMO_THIRD_PARTY_DIR:-$PWD/build/third-party}

apt_dir=""
# An if, not &&: a trap's failing test would become the script's status.
cleanup() { if [[ -n $apt_dir ]]; then rm -rf "$apt_dir"; fi; }
trap cleanup EXIT

# apt-get with the deb-src copy of this machine's sources, updated once.
apt_source() {
    if [[ -z $apt_dir ]]; then
        apt_dir=$(mktemp -d)
        mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
        : >"$apt_dir/sources.list"
        if [[ -f /etc/apt/sources.list ]]; then
            sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$apt_dir/sources.list"
        fi
        local f
        for f in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
            [[ -f $f ]] || continue
            case $f in
            *.list) sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" ;;
            *.sources) sed 's/^Types:.*/Types: deb-src/' "$f" ;;
            esac >"$apt_dir/sources.list.d/$(basename "$f")"
        done
        apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list"
                  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
                  -o "Dir::State::Lists=$apt_dir/lists"
                  -o "Dir::Cache=$apt_dir/cache"
                  -o "Debug::NoLocking=1")
        apt-get "${apt_opts[@]}" -q update >"$apt_dir/update.log" 2>&1 || {
            cat "$apt_dir/update.log" >&2
            echo "apt-get update of the deb-src copy of this machine's sources failed" >&2
            return 1
        }
    fi
    apt-get "${apt_opts[@]}" "$@"
}

# The version of Debian's source package a binary package on this machine
# was built from, so the Windows programs carry the Linux build's release.
source_version() {
    dpkg-query -W -f='${source:Version}' "$1" 2>/dev/null
}

# Unpacks Debian's source package PACKAGE=VERSION in a new folder. Sets the
# caller's work (the folder, the caller's to remove) and tree (the unpacked
# source tree).
unpack_source() {
    local package=$1 version=$2
    work=$(mktemp -d)
    (cd "$work" && apt_source -q source "$package=$version" >"$work/source.log" 2>&1) || {
        cat "$work/source.log" >&2
        rm -rf "$work"
        return 1
    }
    tree=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1)
}

# SQLite: the amalgamation (sqlite3.c, sqlite3.h), made from the source tree
# with its own Tcl scripts; the MinGW builds compile it as a static library.
sqlite3() {
    local dest=$out_root/sqlite3 version
    version=$(source_version libsqlite3-dev)
    [[ -n $version ]] || { echo "libsqlite3-dev is not installed: its version picks the source" >&2; return 1; }
    if [[ -f $dest/sqlite3.c && $(cat "$dest/debian-version" 2>/dev/null) == "$version" ]]; then
        echo "sqlite3 $version: already in $dest"
        return
    fi
    command -v tclsh >/dev/null || { echo "tclsh not found: install tcl" >&2; return 1; }
    echo "sqlite3 $version: apt-get source, then make sqlite3.c"
    local work tree
    unpack_source sqlite3 "$version" || return 1
    mkdir -p "$work/bld"
    (cd "$work/bld" && "$tree/configure" --disable-shared >"$work/configure.log" 2>&1 &&
        make -j"${ZELMO_JOBS:-2}" sqlite3.c >"$work/make.log" 2>&1) || {
        tail -n 30 "$work/configure.log" "$work/make.log" >&2 || true
        rm -rf "$work"
        return 1
    }
    rm -rf "$dest"
    mkdir -p "$dest"
    cp "$work/bld/sqlite3.c" "$work/bld/sqlite3.h" "$dest/"
    cp "$tree/LICENSE.md" "$dest/" 2>/dev/null || cp "$tree/debian/copyright" "$dest/copyright"
    echo "$version" >"$dest/debian-version"
    rm -rf "$work"
    echo "sqlite3 $version: $dest"
}

# libxlsxwriter: the workbook, as a static library for each MinGW target
# (PACKAGE/TRIPLET/include and lib), with the zlib Debian ships for MinGW
# (libz-mingw-w64-dev) and the minizip and tmpfileplus it carries. Its
# temporary files are tmpfileplus's, in the folder the program names, never
# tmpfile()'s (the root of C: on Windows, often not writable).
libxlsxwriter() {
    local dest=$out_root/libxlsxwriter version triplets=(x86_64-w64-mingw32 i686-w64-mingw32) t
    version=$(source_version libxlsxwriter-dev)
    [[ -n $version ]] || { echo "libxlsxwriter-dev is not installed: its version picks the source" >&2; return 1; }
    local built=1
    for t in "${triplets[@]}"; do
        [[ -f $dest/$t/lib/libxlsxwriter.a && -f $dest/$t/include/xlsxwriter.h ]] || built=0
    done
    if ((built)) && [[ $(cat "$dest/debian-version" 2>/dev/null) == "$version" ]]; then
        echo "libxlsxwriter $version: already in $dest"
        return
    fi
    for t in "${triplets[@]}"; do
        command -v "$t-gcc-posix" >/dev/null || { echo "$t-gcc-posix not found: install the MinGW-w64 compilers" >&2; return 1; }
        [[ -f /usr/$t/lib/libz.a ]] || { echo "/usr/$t/lib/libz.a not found: install libz-mingw-w64-dev" >&2; return 1; }
    done
    echo "libxlsxwriter $version: apt-get source, then build for ${triplets[*]}"
    local work tree
    unpack_source libxlsxwriter "$version" || return 1
    rm -rf "$dest"
    for t in "${triplets[@]}"; do
        # The programs' own toolchain files: the same compilers and flags.
        # zlib is the static library: the programs import no DLL of it.
        (cmake -S "$tree" -B "$work/bld-$t" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw-${t%%-*}.cmake" \
            -DZLIB_LIBRARY="/usr/$t/lib/libz.a" -DZLIB_INCLUDE_DIR="/usr/$t/include" \
            -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF \
            -DUSE_SYSTEM_MINIZIP=OFF -DUSE_STANDARD_TMPFILE=OFF \
            -DCMAKE_INSTALL_PREFIX="$dest/$t" -DCMAKE_INSTALL_LIBDIR=lib \
            -DCMAKE_INSTALL_INCLUDEDIR=include >"$work/cmake-$t.log" 2>&1 &&
            cmake --build "$work/bld-$t" -j"${ZELMO_JOBS:-2}" >"$work/build-$t.log" 2>&1 &&
            cmake --install "$work/bld-$t" >"$work/install-$t.log" 2>&1) || {
            tail -n 30 "$work/cmake-$t.log" "$work/build-$t.log" "$work/install-$t.log" >&2 2>/dev/null || true
            rm -rf "$work" "$dest"
            return 1
        }
    done
    cp "$tree/License.txt" "$dest/" 2>/dev/null || cp "$tree/debian/copyright" "$dest/copyright"
    echo "$version" >"$dest/debian-version"
    rm -rf "$work"
    echo "libxlsxwriter $version: $dest"
}

packages=("$@")
((${#packages[@]})) || packages=(sqlite3 libxlsxwriter)
for p in "${packages[@]}"; do
    case $p in
    sqlite3) sqlite3 ;;
    libxlsxwriter) libxlsxwriter ;;
    *) echo "unknown package '$p' (known: sqlite3 libxlsxwriter)" >&2; exit 64 ;;
    esac
done
