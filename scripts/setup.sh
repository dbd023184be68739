#!/usr/bin/env bash
# Installs everything the build, the tests and the packages need, on a fresh
# Debian 12, and builds the two libraries the Windows build links statically
# (libjpeg-turbo and GoogleTest for MinGW). Safe to run again: what is there
# is kept.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
deps="$top/build/deps"
mingw_prefix="$deps/mingw"
toolchain="$top/cmake/mingw-w64-toolchain.cmake"

say() { printf 'setup: %s\n' "$*"; }
die() { printf 'setup: %s\n' "$*" >&2; exit 1; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"
    elif command -v sudo >/dev/null 2>&1; then sudo "$@"
    else die "needs root (or sudo) to install packages: $*"; fi
}

packages=(
    build-essential cmake ninja-build pkg-config python3 git
    clang libclang-rt-14-dev
    libgtest-dev googletest libbenchmark-dev libjpeg62-turbo-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
    wine wine64 fonts-wine fonts-liberation xvfb xauth socat dpkg-dev xz-utils
    nsis python3-pil python3-markdown zip unzip
    locales  # the German locale's sources, for run.sh's Wine prefix
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    say "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    as_root apt-get update -qq
    as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

for tool in cmake ninja x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres wine xvfb-run socat clang++ makensis zip; do
    command -v "$tool" >/dev/null 2>&1 || die "missing tool after install: $tool"
done
# The guide's converter runs on Debian's interpreter, which has its modules.
/usr/bin/python3 -c 'import markdown' 2>/dev/null || die "Debian's python3 cannot import markdown (package python3-markdown)"

mkdir -p "$deps"

# libjpeg-turbo for MinGW, from Debian's source package: static, without SIMD.
if [ ! -f "$mingw_prefix/lib/libjpeg.a" ]; then
    srcs=/etc/apt/sources.list.d/vemu-deb-src.sources
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
        say "adding a deb-src entry for Debian's source packages"
        as_root tee "$srcs" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
        as_root apt-get update -qq
    fi
    mkdir -p "$deps/src"
    ( cd "$deps/src"
      ls libjpeg-turbo_*.orig.tar.gz >/dev/null 2>&1 || apt-get source --download-only libjpeg-turbo >/dev/null 2>&1 \
          || die "apt-get source libjpeg-turbo failed (is a deb-src entry reachable?)"
      rm -rf libjpeg-turbo-src && mkdir libjpeg-turbo-src
      tar -xzf libjpeg-turbo_*.orig.tar.gz -C libjpeg-turbo-src --strip-components=1 )
    say "building libjpeg-turbo for MinGW"
    cmake -S "$deps/src/libjpeg-turbo-src" -B "$deps/libjpeg-build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
        -DCMAKE_INSTALL_PREFIX="$mingw_prefix" >"$deps/libjpeg-configure.log" 2>&1 \
        || die "libjpeg-turbo configure failed, see $deps/libjpeg-configure.log"
    cmake --build "$deps/libjpeg-build" --target jpeg-static -j2 >"$deps/libjpeg-build.log" 2>&1 \
        || die "libjpeg-turbo build failed, see $deps/libjpeg-build.log"
    mkdir -p "$mingw_prefix/lib" "$mingw_prefix/include"
    cp "$deps/libjpeg-build/libjpeg.a" "$mingw_prefix/lib/"
    cp "$deps/src/libjpeg-turbo-src/jpeglib.h" "$deps/src/libjpeg-turbo-src/jmorecfg.h" \
       "$deps/src/libjpeg-turbo-src/jerror.h" "$deps/libjpeg-build/jconfig.h" "$mingw_prefix/include/"
fi

# GoogleTest for MinGW, from Debian's sources in /usr/src/googletest.
if [ ! -f "$mingw_prefix/lib/libgtest.a" ]; then
    [ -f /usr/src/googletest/CMakeLists.txt ] || die "missing /usr/src/googletest (package googletest)"
    say "building GoogleTest for MinGW"
    cmake -S /usr/src/googletest -B "$deps/gtest-build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -Dgtest_disable_pthreads=OFF -DCMAKE_INSTALL_PREFIX="$mingw_prefix" >"$deps/gtest-configure.log" 2>&1 \
        || die "GoogleTest configure failed, see $deps/gtest-configure.log"
    cmake --build "$deps/gtest-build" -j2 >"$deps/gtest-build.log" 2>&1 \
        || die "GoogleTest build failed, see $deps/gtest-build.log"
    cmake --install "$deps/gtest-build" >/dev/null || die "GoogleTest install failed"
fi

say "ready"
