#!/usr/bin/env bash
# Builds Dremlor for 64-bit Windows on this Debian machine and packages it:
#   bash tools/build-windows.sh
# 1. installs what it needs with apt-get (tools/setup.sh: MinGW-w64, Wine, ...);
# 2. once, cross-builds the libraries the program links and Windows lacks (libpng,
#    libjpeg-turbo, giflib and libcurl with the Schannel TLS back end), and what the
#    tests or the benchmark need (GoogleTest, Google Benchmark), from Debian's source
#    packages into build/windows/prefix (through an apt index of its own made from
#    the machine's apt sources, build/windows/apt, read afresh on each run); later runs
#    reuse them until the recipe, the toolchain or the sources' version changes;
# 3. builds the default-skin generator for this machine (it draws the skin at build
#    time) in the normal build, build/main;
# 4. cross-builds Dremlor.exe (with DREMLOR_WINDOWS_TESTS=ON also the tests that run
#    under Wine and the seed-corpus driver; with DREMLOR_WINDOWS_BENCHMARKS=ON
#    devicelink_bench) into build/windows/build, the skin beside it in bin/Skin;
# 5. packs build/windows/Dremlor-<version>-win64.zip: Dremlor.exe, its Skin folder,
#    the project's LICENSE and NOTICES, the licences of the libraries linked in.
# The MinGW runtime is linked statically, so the folder runs on a clean Windows.
# With DREMLOR_WINDOWS_LIBRARIES_ONLY=ON it stops after step 2 (the test command builds
# the libraries early, at low priority, while the Linux builds' tests leave the
# processor idle).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
buildRoot="${DREMLOR_BUILD_DIR:-$root/build}"
windows="$buildRoot/windows"
prefix="$windows/prefix"
sources="$windows/src"
crossBuild="$windows/build"
hostBuild="$buildRoot/main"
jobs="${DREMLOR_JOBS:-$(nproc)}"
triple=x86_64-w64-mingw32
toolchain="$root/cmake/MinGW64Toolchain.cmake"
withTests="${DREMLOR_WINDOWS_TESTS:-OFF}"
withBenchmarks="${DREMLOR_WINDOWS_BENCHMARKS:-OFF}"
librariesOnly="${DREMLOR_WINDOWS_LIBRARIES_ONLY:-OFF}"

bash "$root/tools/setup.sh"

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

#==============================================================================
# Debian's source packages come through an apt index of this build's own, in
# build/windows/apt: a deb-src entry for each deb entry of the machine's own apt
# sources (the same URIs, suites, components and keys; deb822 ".sources" files and
# one-line ".list" files alike), so the sources follow the machine's mirror and
# release, and nothing is written into the machine's apt configuration (the file that
# earlier versions of this script wrote there is deleted, below).
aptState="$windows/apt"
aptOptions=(-o "Dir::Etc::SourceList=$aptState/sources.list" -o "Dir::Etc::SourceParts=$aptState/sources.list.d"
            -o "Dir::State::Lists=$aptState/lists" -o "Dir::Cache=$aptState/cache")

writeSourceEntries ()
{
    local lists=() deb822=() file
    mkdir -p "$aptState/sources.list.d" "$aptState/lists/partial" "$aptState/cache/archives/partial"
    [ -f /etc/apt/sources.list ] && lists+=(/etc/apt/sources.list)
    for file in /etc/apt/sources.list.d/*.list; do [ -f "$file" ] && lists+=("$file"); done
    for file in /etc/apt/sources.list.d/*.sources; do [ -f "$file" ] && deb822+=("$file"); done

    # "deb [options] URI suite components" becomes "deb-src [options] URI suite
    # components"; a CD-ROM has no sources.
    sed -n -e '/cdrom:/d' -e 's/^[[:space:]]*deb[[:space:]]\+/deb-src /p' "${lists[@]}" /dev/null \
        > "$aptState/sources.list"
    # Each paragraph whose Types name "deb" again, with "Types: deb-src" and every
    # other field as it was; comments are left out. (awk ends a paragraph at the end
    # of each file.)
    awk '
        BEGIN { RS = ""; FS = "\n" }
        {
            entry = ""; binary = 0
            for (i = 1; i <= NF; i++)
            {
                if ($i ~ /^#/)
                    continue
                if (tolower ($i) ~ /^types:/)
                {
                    n = split (substr ($i, index ($i, ":") + 1), types, /[ \t]+/)
                    for (k = 1; k <= n; k++)
                        if (types[k] == "deb")
                            binary = 1
                    entry = entry "Types: deb-src\n"
                }
                else
                    entry = entry $i "\n"
            }
            if (binary)
                printf "%s\n", entry
        }' "${deb822[@]}" /dev/null > "$aptState/sources.list.d/machine.sources"

    if [ ! -s "$aptState/sources.list" ] && [ ! -s "$aptState/sources.list.d/machine.sources" ]; then
        echo "This machine's apt sources (/etc/apt/sources.list*) name no Debian archive to take sources from" >&2
        return 1
    fi
}

# refreshSourceIndex: the entries made afresh and the source package lists read.
refreshSourceIndex ()
{
    writeSourceEntries
    echo "== Reading Debian's source package lists for this machine's apt sources into $aptState"
    apt-get "${aptOptions[@]}" update -qq > "$aptState/update.log" 2>&1 \
        || { cat "$aptState/update.log" >&2; return 1; }
}

# sourceVersions <source package>: the versions the index offers, newest first.
sourceVersions ()
{
    apt-cache "${aptOptions[@]}" showsrc --only-source "$1" 2> /dev/null | sed -n 's/^Version: //p' | sort -ruV
}

# newestSourceVersion <source package>: the newest of them.
newestSourceVersion ()
{
    local version
    version="$(sourceVersions "$1" | awk 'NR == 1')"
    [ -n "$version" ] || { echo "No Debian source package $1 in $aptState (see update.log there)" >&2; return 1; }
    echo "$version"
}

# fetchSource <source package>: unpacks the newest version the index offers (Debian's
# patches applied) under $sources and prints the folder; when the mirror no longer
# serves that one, the newest it serves. Sources unpacked for the same newest version
# are used again; others are replaced. <package>.offered holds the newest version at
# the time of the fetch, the .dsc file's name the version unpacked.
fetchSource ()
{
    local package="$1" newest version folder
    newest="$(newestSourceVersion "$package")" || return 1
    folder="$(find "$sources" -maxdepth 1 -type d -name "$package-*" 2>/dev/null | awk 'NR == 1')"

    if [ -z "$folder" ] || [ "$(cat "$sources/$package.offered" 2>/dev/null)" != "$newest" ]; then
        rm -rf "$sources/$package"-* "$sources/${package}_"* "$sources/$package.offered"
        : > "$sources/$package.fetch.log"
        for version in $(sourceVersions "$package"); do
            if (cd "$sources" && apt-get "${aptOptions[@]}" source -qq "$package=$version" >> "$package.fetch.log" 2>&1); then
                echo "$newest" > "$sources/$package.offered"
                break
            fi
            rm -rf "$sources/$package"-* "$sources/${package}_"*
        done
        [ -e "$sources/$package.offered" ] || { cat "$sources/$package.fetch.log" >&2; return 1; }
        folder="$(find "$sources" -maxdepth 1 -type d -name "$package-*" | awk 'NR == 1')"
    fi

    echo "$folder"
}

# unpackedSourceVersion <source package>: the version fetchSource unpacked (no epoch).
unpackedSourceVersion ()
{
    local dsc
    dsc="$(find "$sources" -maxdepth 1 -name "${1}_*.dsc" | awk 'NR == 1')"
    dsc="$(basename "$dsc" .dsc)"
    echo "${dsc#"${1}_"}"
}

# olderSourceNote <source package>: one line when the version unpacked is older than
# the newest the index offers (which the mirror did not serve), nothing otherwise.
olderSourceNote ()
{
    local newest unpacked
    newest="$(cat "$sources/$1.offered")"
    unpacked="$(unpackedSourceVersion "$1")"
    if [ "$unpacked" != "${newest#*:}" ]; then
        echo "   $1 $unpacked, not the newest the index offers ($newest): the mirror did not serve that one (see $sources/$1.fetch.log)"
    fi
}

# crossCMake <source folder> <build folder> [options]: a static Release build for
# Windows installed into $prefix.
crossCMake ()
{
    local source="$1" build="$2"; shift 2
    rm -rf "$build"
    cmake -S "$source" -B "$build" -G Ninja -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DDREMLOR_WINDOWS_PREFIX="$prefix" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DBUILD_SHARED_LIBS=OFF "$@" > "$build.log" 2>&1 \
        && cmake --build "$build" -j "$jobs" >> "$build.log" 2>&1 \
        && cmake --install "$build" >> "$build.log" 2>&1 \
        || { tail -40 "$build.log" >&2; return 1; }
}

buildPng ()
{
    crossCMake "$(fetchSource libpng1.6)" "$windows/deps/png" \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
        -DZLIB_ROOT="/usr/$triple"
}

# The framework's JPEG loader reads the library's internal header too, which Debian's
# libjpeg-dev installs as well. It includes jpeglib.h inside a namespace of its own
# after the Windows headers and expects "boolean" in that namespace; the installed
# jconfig.h leaves it out when rpcndr.h has made one already. The same type is
# declared unconditionally instead (a repeated identical typedef is harmless).
buildJpeg ()
{
    local source
    source="$(fetchSource libjpeg-turbo)"
    crossCMake "$source" "$windows/deps/jpeg" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
        -DCMAKE_INSTALL_LIBDIR="$prefix/lib" -DCMAKE_INSTALL_INCLUDEDIR="$prefix/include"
    cp "$source/jpegint.h" "$prefix/include/"
    sed -i -e '/^#ifndef __RPCNDR_H__/{N;N;s/^#ifndef __RPCNDR_H__[^\n]*\n\(typedef unsigned char boolean;\)\n#endif/\1/}' \
        "$prefix/include/jconfig.h"
    grep -q '^typedef unsigned char boolean;' "$prefix/include/jconfig.h"
}

# giflib ships a Makefile for Unix only: its library is a handful of C files.
buildGif ()
{
    local source objects="$windows/deps/gif"
    source="$(fetchSource giflib)"
    mkdir -p "$objects" "$prefix/lib" "$prefix/include"
    for file in dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray quantize; do
        $triple-gcc-posix -O2 -c "$source/$file.c" -o "$objects/$file.o"
    done
    rm -f "$prefix/lib/libgif.a"
    $triple-ar rcs "$prefix/lib/libgif.a" "$objects"/*.o
    cp "$source/gif_lib.h" "$prefix/include/"
}

# libcurl over Schannel, Windows' own TLS: no other TLS library, and nothing that
# needs further libraries (SSH, HTTP/2, IDN, PSL, Brotli, zstd, LDAP, RTMP). HTTP(S)
# only, the one protocol the update's client permits, and without curl's extra warning
# checks (its own code is not what this build watches): fewer sources and checks.
buildCurl ()
{
    crossCMake "$(fetchSource curl)" "$windows/deps/curl" \
        -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_USE_MBEDTLS=OFF -DCURL_USE_BEARSSL=OFF \
        -DCURL_USE_WOLFSSL=OFF -DCURL_USE_GNUTLS=OFF -DCURL_USE_NSS=OFF -DCURL_USE_LIBSSH2=OFF \
        -DCURL_USE_LIBSSH=OFF -DUSE_NGHTTP2=OFF -DUSE_NGTCP2=OFF -DUSE_QUICHE=OFF -DUSE_LIBIDN2=OFF \
        -DUSE_WIN32_IDN=OFF -DCURL_USE_LIBPSL=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DCURL_DISABLE_LDAP=ON \
        -DCURL_DISABLE_LDAPS=ON -DUSE_LIBRTMP=OFF -DCURL_USE_GSSAPI=OFF -DENABLE_UNIX_SOCKETS=OFF \
        -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DCURL_ZLIB=ON -DZLIB_ROOT="/usr/$triple" \
        -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none -DHTTP_ONLY=ON -DPICKY_COMPILER=OFF
}

# GoogleTest for the tests that run under Wine, from the sources Debian ships.
buildGTest ()
{
    crossCMake /usr/src/googletest "$windows/deps/gtest" -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON
}

# Google Benchmark for devicelink_bench under Wine, from Debian's source package.
buildBenchmark ()
{
    crossCMake "$(fetchSource benchmark)" "$windows/deps/benchmark" \
        -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF -DBENCHMARK_ENABLE_WERROR=OFF \
        -DBENCHMARK_ENABLE_INSTALL=ON -DBENCHMARK_INSTALL_DOCS=OFF -DHAVE_STD_REGEX=ON -DHAVE_STEADY_CLOCK=ON \
        -DGIT_VERSION="$(dpkg-query -W -f='${source:Upstream-Version}' libbenchmark-dev)"
}

#==============================================================================
# The default-skin generator for this machine builds meanwhile: it needs none of the
# Windows libraries, and it fills the core their serial configure checks leave idle.
hostPid=""
if [ "$librariesOnly" != ON ]; then
    echo "== Default-skin generator for this machine (in the background)"
    mkdir -p "$hostBuild"
    (
        if [ ! -e "$hostBuild/build.ninja" ]; then
            cmake -S "$root" -B "$hostBuild" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo
        fi
        cmake --build "$hostBuild" -j "$jobs" --target dremlor_skingen
    ) > "$hostBuild.skingen.log" 2>&1 &
    hostPid=$!
fi

# Each library is built once; a changed recipe (its function here, or the toolchain) or
# a new version of its sources builds it again, so a prefix built elsewhere or earlier
# from other sources is never taken for this one. The version is the one unpacked for
# the newest that the source index offers, which is read afresh on each run: a new
# release in the index is fetched and built. The libraries are independent of each
# other: they build side by side, each logging to deps/<library>.out.
toolchainHash="$(sha1sum "$toolchain" | cut -c1-12)"
libraries=(Png Jpeg Gif Curl)
if [ "$withTests" = ON ] || [ "$withBenchmarks" = ON ]; then libraries+=(GTest); fi
if [ "$withBenchmarks" = ON ]; then libraries+=(Benchmark); fi
declare -A sourcePackage=([Png]=libpng1.6 [Jpeg]=libjpeg-turbo [Gif]=giflib [Curl]=curl [Benchmark]=benchmark)

# stampOf <library>: the file that marks it built from this recipe and these sources:
# the version unpacked (fetched first when the index offers a version they were not
# fetched for), GoogleTest's the one Debian installs.
stampOf ()
{
    local version
    if [ "$1" = GTest ]; then
        version="$(dpkg-query -W -f='${Version}' googletest)" || return 1
    else
        fetchSource "${sourcePackage[$1]}" > /dev/null || return 1
        version="$(unpackedSourceVersion "${sourcePackage[$1]}")"
    fi
    echo "$prefix/.built-$1-$( (declare -f "build$1"; echo "$toolchainHash $version") | sha1sum | cut -c1-12)"
}

# findOutdated: the libraries whose stamp is missing, into "outdated".
findOutdated ()
{
    local library stamp
    outdated=()
    for library in "${libraries[@]}"; do
        stamp="$(stampOf "$library")" || exit 1
        [ -e "$stamp" ] || outdated+=("$library")
    done
}

# An apt configuration written by this script's earlier versions into the machine's
# sources goes: the source index now lives in build/windows/apt.
legacySources=/etc/apt/sources.list.d/dremlor-deb-src.sources
if [ -e "$legacySources" ]; then
    echo "Removing $legacySources (Debian's source index now lives in $aptState)"
    $SUDO rm -f "$legacySources"
fi

refreshSourceIndex
mkdir -p "$sources"
findOutdated

pending=()
pids=()
if [ ${#outdated[@]} -gt 0 ]; then
    mkdir -p "$prefix" "$windows/deps"
fi
for library in "${outdated[@]}"; do
    stamp="$(stampOf "$library")" || exit 1
    echo "== Cross-building $library for Windows into $prefix (log: $windows/deps/$library.out)"
    [ "$library" = GTest ] || olderSourceNote "${sourcePackage[$library]}"
    rm -f "$prefix/.built-$library-"*
    (
        started=$(date +%s)
        "build$library"
        touch "$stamp"
        echo "$library done in $(( $(date +%s) - started )) s"
    ) > "$windows/deps/$library.out" 2>&1 &
    pending+=("$library")
    pids+=($!)
done

failed=0
for i in "${!pids[@]}"; do
    if wait "${pids[$i]}"; then
        echo "   $(tail -1 "$windows/deps/${pending[$i]}.out")"
    else
        echo "   ${pending[$i]} failed:"; tail -40 "$windows/deps/${pending[$i]}.out"; failed=1
    fi
done

if [ -n "$hostPid" ] && ! wait "$hostPid"; then
    echo "   the default-skin generator failed:"; tail -40 "$hostBuild.skingen.log"; failed=1
fi
[ "$failed" -eq 0 ] || exit 1
[ "$librariesOnly" = ON ] && exit 0
skingen="$hostBuild/bin/dremlor_skingen"

# The same build type, optimisation and warnings as the normal Linux build, without the
# debug information: no Windows tool reads GCC's DWARF, the packed program is stripped
# of it anyway, and it made every link of the GUI libraries take half a minute.
echo "== Cross build for Windows"
cmake -S "$root" -B "$crossBuild" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DDREMLOR_WINDOWS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DDREMLOR_HOST_SKINGEN="$skingen" \
    -DDREMLOR_BUILD_TESTS="$withTests" -DDREMLOR_BUILD_BENCHMARKS="$withBenchmarks" \
    > "$crossBuild.configure.log" 2>&1 || { cat "$crossBuild.configure.log"; exit 1; }
cmake --build "$crossBuild" -j "$jobs"

#==============================================================================
# NOTICES: the licence texts and notices of the libraries linked into Dremlor.exe, each
# taken from the copyright file of the Debian package it was built from: the source
# packages unpacked here, and the installed MinGW-w64, zlib and JUCE packages.
# addNotice <file name> <what it is> <copyright file> <where that file comes from>
addNotice ()
{
    { printf '%s\n%s\n\n' "$2" "From $4."; cat "$3"; } > "$notices/$1.txt"
}

addSourceNotice ()
{
    local folder
    folder="$(fetchSource "$3")"
    [ -f "$folder/debian/copyright" ] || { echo "No debian/copyright in $folder" >&2; return 1; }
    addNotice "$1" "$2" "$folder/debian/copyright" \
        "debian/copyright of the Debian source package $3, version $(unpackedSourceVersion "$3")"
}

addPackageNotice ()
{
    addNotice "$1" "$2" "/usr/share/doc/$3/copyright" \
        "/usr/share/doc/$3/copyright of the Debian package $3, version $(dpkg-query -W -f='${Version}' "$3")"
}

writeNotices ()
{
    local licence licences
    mkdir -p "$notices/common-licenses"
    addSourceNotice libcurl "libcurl: the self-update's HTTPS client." curl
    addSourceNotice libjpeg-turbo "libjpeg-turbo: the skin's JPEG images." libjpeg-turbo
    addSourceNotice libpng "libpng: the skin's PNG images." libpng1.6
    addSourceNotice giflib "giflib: the skin's GIF images." giflib
    addPackageNotice zlib "zlib: compressed data in skin archives and PNG images." libz-mingw-w64-dev
    addPackageNotice mingw-w64 "The MinGW-w64 runtime and winpthreads: the program's C runtime and threads." \
        mingw-w64-x86-64-dev
    # JUCE is built with the project's one patch (cmake/JuceSources.cmake): the notice says
    # so, and the patch itself is packed beside it.
    addPackageNotice JUCE "JUCE: the application framework, modified: built with one patch of Dremlor's, JUCE-modifications.patch in this folder, which makes its UTF-8 text functions (juce_core/text/juce_CharPointer_UTF8.h and juce_String.cpp) memory-safe for any bytes and lets its memory stream (juce_core/streams/juce_MemoryOutputStream.cpp) grow past 4 GiB." \
        juce-modules-source
    cp "$root/cmake/patches/juce-utf8-bounds.patch" "$notices/JUCE-modifications.patch"

    # The licence texts those files name by their place on a Debian system: one this
    # machine lacks stops the build, as the package would lack it.
    licences="$(grep -oh '/usr/share/common-licenses/[A-Za-z0-9.+-]*[A-Za-z0-9+-]' "$notices"/*.txt | sort -u || true)"
    for licence in $licences; do
        if [ ! -f "$licence" ]; then
            echo "$licence is missing on this machine; it is referred to by:" \
                 $(grep -lF "$licence" "$notices"/*.txt | xargs -n1 basename) >&2
            exit 1
        fi
        cp -L "$licence" "$notices/common-licenses/$(basename "$licence").txt"
    done
    cat > "$notices/README.txt" <<'EOF'
Dremlor.exe holds these libraries, linked in when it was built. Each file here holds
the copyright and licence file of the Debian package the library was built from.
Where such a file names a licence text by its place on a Debian system,
/usr/share/common-licenses/<name>, that text is in the folder common-licenses as
<name>.txt. Dremlor itself is licensed under the GNU General Public License, version
3 or later: see LICENSE beside this folder.
EOF
}

#==============================================================================
version="$(head -1 "$root/VERSION")"
package="$windows/Dremlor-$version-win64.zip"
staging="$windows/package/Dremlor-$version-win64"
notices="$staging/NOTICES"
echo "== Packing $package"
rm -rf "$windows/package" "$package"
mkdir -p "$staging"
cp "$crossBuild/bin/Dremlor.exe" "$staging/"
cp -r "$crossBuild/bin/Skin" "$staging/"
cp "$root/LICENSE" "$staging/"
writeNotices
$triple-strip "$staging/Dremlor.exe"
(cd "$windows/package" && zip -qr "$package" "Dremlor-$version-win64")
echo "   $(du -h "$package" | cut -f1)  $package"
