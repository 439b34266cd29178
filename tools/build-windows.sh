#!/usr/bin/env bash
# Builds Dremlor for 64-bit Windows on this Debian machine and packages it:
#   bash tools/build-windows.sh
# 1. installs what it needs with apt-get (tools/setup.sh: MinGW-w64, Wine, ...);
# 2. once, cross-builds the libraries the program links and Windows lacks (libpng,
#    libjpeg-turbo, giflib and libcurl with the Schannel TLS back end), and what the
#    tests or the benchmark need (GoogleTest, Google Benchmark), from Debian's source
#    packages into build/windows/prefix; later runs reuse them;
# 3. builds the default-skin generator for this machine (it draws the skin at build
#    time) in the normal build, build/main;
# 4. cross-builds Dremlor.exe (with DREMLOR_WINDOWS_TESTS=ON also the tests that run
#    under Wine and the seed-corpus driver; with DREMLOR_WINDOWS_BENCHMARKS=ON
#    devicelink_bench) into build/windows/build, the skin beside it in bin/Skin;
# 5. packs build/windows/Dremlor-<version>-win64.zip: Dremlor.exe and its Skin folder.
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
# Debian's source packages: the machine's apt sources may list binary packages only.
ensureSourceIndex ()
{
    local known
    known="$(apt-cache showsrc zlib 2>/dev/null || true)"
    if grep -q '^Package:' <<< "$known"; then
        return
    fi

    echo "Adding Debian's source package index (deb-src) for bookworm"
    $SUDO tee /etc/apt/sources.list.d/dremlor-deb-src.sources > /dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    $SUDO apt-get update -qq
}

# fetchSource <source package>: unpacks it (Debian's patches applied) under $sources
# and prints the folder. A version that a mirror no longer serves falls back to the
# release's own one.
fetchSource ()
{
    local package="$1" folder
    folder="$(find "$sources" -maxdepth 1 -type d -name "$package-*" 2>/dev/null | head -1)"

    if [ -z "$folder" ]; then
        (cd "$sources" && { apt-get source -qq "$package" > "$package.fetch.log" 2>&1 \
                             || apt-get source -qq "$package/bookworm" >> "$package.fetch.log" 2>&1 \
                             || { cat "$package.fetch.log" >&2; return 1; }; })
        folder="$(find "$sources" -maxdepth 1 -type d -name "$package-*" | head -1)"
    fi

    echo "$folder"
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

# Each library is built once; a changed recipe (its function here, or the toolchain)
# builds it again. The libraries are independent of each other: they build side by
# side, each logging to deps/<library>.out.
toolchainHash="$(sha1sum "$toolchain" | cut -c1-12)"
libraries=(Png Jpeg Gif Curl)
if [ "$withTests" = ON ] || [ "$withBenchmarks" = ON ]; then libraries+=(GTest); fi
if [ "$withBenchmarks" = ON ]; then libraries+=(Benchmark); fi
pending=()
pids=()
for library in "${libraries[@]}"; do
    stamp="$prefix/.built-$library-$( (declare -f "build$library"; echo "$toolchainHash") | sha1sum | cut -c1-12)"
    [ -e "$stamp" ] && continue

    if [ ${#pending[@]} -eq 0 ]; then
        ensureSourceIndex
        mkdir -p "$prefix" "$sources" "$windows/deps"
    fi
    echo "== Cross-building $library for Windows into $prefix (log: $windows/deps/$library.out)"
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
version="$(head -1 "$root/VERSION")"
package="$windows/Dremlor-$version-win64.zip"
staging="$windows/package/Dremlor-$version-win64"
echo "== Packing $package"
rm -rf "$windows/package" "$package"
mkdir -p "$staging"
cp "$crossBuild/bin/Dremlor.exe" "$staging/"
cp -r "$crossBuild/bin/Skin" "$staging/"
$triple-strip "$staging/Dremlor.exe"
(cd "$windows/package" && zip -qr "$package" "Dremlor-$version-win64")
echo "   $(du -h "$package" | cut -f1)  $package"
