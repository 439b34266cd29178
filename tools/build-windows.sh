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
# needs further libraries (SSH, HTTP/2, IDN, PSL, Brotli, zstd, LDAP, RTMP).
buildCurl ()
{
    crossCMake "$(fetchSource curl)" "$windows/deps/curl" \
        -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_USE_MBEDTLS=OFF -DCURL_USE_BEARSSL=OFF \
        -DCURL_USE_WOLFSSL=OFF -DCURL_USE_GNUTLS=OFF -DCURL_USE_NSS=OFF -DCURL_USE_LIBSSH2=OFF \
        -DCURL_USE_LIBSSH=OFF -DUSE_NGHTTP2=OFF -DUSE_NGTCP2=OFF -DUSE_QUICHE=OFF -DUSE_LIBIDN2=OFF \
        -DUSE_WIN32_IDN=OFF -DCURL_USE_LIBPSL=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DCURL_DISABLE_LDAP=ON \
        -DCURL_DISABLE_LDAPS=ON -DUSE_LIBRTMP=OFF -DCURL_USE_GSSAPI=OFF -DENABLE_UNIX_SOCKETS=OFF \
        -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DCURL_ZLIB=ON -DZLIB_ROOT="/usr/$triple" \
        -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none
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
# Each library is built once; a changed recipe (its function here, or the toolchain)
# builds it again.
toolchainHash="$(sha1sum "$toolchain" | cut -c1-12)"
libraries=(Png Jpeg Gif Curl)
if [ "$withTests" = ON ] || [ "$withBenchmarks" = ON ]; then libraries+=(GTest); fi
if [ "$withBenchmarks" = ON ]; then libraries+=(Benchmark); fi
for library in "${libraries[@]}"; do
    stamp="$prefix/.built-$library-$( (declare -f "build$library"; echo "$toolchainHash") | sha1sum | cut -c1-12)"
    [ -e "$stamp" ] && continue

    echo "== Cross-building $library for Windows into $prefix"
    started=$(date +%s)
    ensureSourceIndex
    mkdir -p "$prefix" "$sources" "$windows/deps"
    rm -f "$prefix/.built-$library-"*
    "build$library"
    touch "$stamp"
    echo "   done in $(( $(date +%s) - started )) s"
done

#==============================================================================
echo "== Default-skin generator for this machine"
if [ ! -e "$hostBuild/build.ninja" ]; then
    cmake -S "$root" -B "$hostBuild" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo > "$hostBuild.configure.log" 2>&1 \
        || { cat "$hostBuild.configure.log"; exit 1; }
fi
cmake --build "$hostBuild" -j "$jobs" --target dremlor_skingen
skingen="$hostBuild/bin/dremlor_skingen"

# The same build type and warnings as the normal Linux build; the packed program is
# stripped of its debug information.
echo "== Cross build for Windows"
cmake -S "$root" -B "$crossBuild" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DDREMLOR_WINDOWS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDREMLOR_HOST_SKINGEN="$skingen" \
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
