#!/usr/bin/env bash
# Prepares this machine to build, run and test SARVOLT.  Idempotent: each step
# checks first and does nothing when its result is already there.  Every step
# prints one line; a failing step names itself and the reason, and the script
# stops with a non-zero status.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${SARVOLT_CACHE:-$here/.cache}
build=${SARVOLT_BUILD:-$here/build}
mkdir -p "$cache" "$build"
log=$cache/setup.log
: > "$log"

step() { printf 'setup: %-44s' "$1"; }
ok() { printf '%s\n' "${1:-ok}"; }
fail() {
    printf 'FAILED\nsetup: step "%s" failed: %s\n' "$1" "$2" >&2
    echo "setup: last lines of $log:" >&2
    tail -n 20 "$log" >&2
    exit 1
}

packages=(mingw-w64 wine wine32:i386 wine64 xvfb xauth cmake make googletest nasm imagemagick
          xdotool x11-utils dpkg-dev python3 clang libclang-rt-14-dev arj
          hershey-fonts-data poppler-utils liblnk-utils icoutils bwbasic yabasic valgrind python3-ezdxf librecad
          cups printer-driver-cups-pdf libcups2:i386)

step "Debian packages"
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    ok "present"
else
    export DEBIAN_FRONTEND=noninteractive
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386 >>"$log" 2>&1 || fail "Debian packages" "dpkg --add-architecture i386"
    fi
    apt-get update >>"$log" 2>&1 || fail "Debian packages" "apt-get update"
    apt-get install -y --no-install-recommends "${missing[@]}" >>"$log" 2>&1 \
        || fail "Debian packages" "apt-get install ${missing[*]}"
    ok "installed ${#missing[@]}"
fi

# Source packages are reached through a deb-src entry made from the machine's
# own apt sources, so no package host is written anywhere in this repository.
step "deb-src entry"
srcfile=/etc/apt/sources.list.d/sarvolt-deb-src.sources
srclist=/etc/apt/sources.list.d/sarvolt-deb-src.list
if [ -f "$srcfile" ] || [ -f "$srclist" ]; then
    ok "present"
elif [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -e 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$srcfile" \
        || fail "deb-src entry" "cannot write $srcfile"
    apt-get update >>"$log" 2>&1 || fail "deb-src entry" "apt-get update"
    ok "added"
elif [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > "$srclist" \
        || fail "deb-src entry" "cannot write $srclist"
    apt-get update >>"$log" 2>&1 || fail "deb-src entry" "apt-get update"
    ok "added"
else
    fail "deb-src entry" "no apt source list found to derive it from"
fi

mkdir -p "$cache/src"

fetch_source() { # $1 package, $2 glob of the upstream tarball
    local t
    t=$(ls "$cache"/src/$2 2>/dev/null | head -n 1)
    if [ -z "$t" ]; then
        # The newest version first; a mirror may lack some files of one
        # version (a security update's .dsc), so each listed version is tried
        # until the upstream tarball is there.
        local v
        for v in "" $(apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p'); do
            (cd "$cache/src" && apt-get source --download-only "$1${v:+=$v}") >>"$log" 2>&1
            t=$(ls "$cache"/src/$2 2>/dev/null | head -n 1)
            [ -n "$t" ] && break
        done
    fi
    [ -n "$t" ] && echo "$t"
}

# libjpeg-turbo and libtiff, cross-built as static libraries for one
# architecture (i686 always; x86_64 too where the Wine tests run 64-bit).
build_deps() { # $1 i686 | x86_64
    local arch=$1 tarball srcdir
    local deps=$cache/deps-$arch
    local toolchain=$here/cmake/toolchain-$arch-mingw.cmake
    step "libjpeg-turbo ($arch, release-8 interface)"
    if [ -f "$deps/lib/libjpeg.a" ] && grep -q 'JPEG_LIB_VERSION *80' "$deps/include/jconfig.h" 2>/dev/null; then
        ok "present"
    else
        tarball=$(fetch_source libjpeg-turbo 'libjpeg-turbo_*.orig.tar.gz') || fail "libjpeg-turbo" "apt-get source libjpeg-turbo"
        rm -rf "$cache/build-jpeg-$arch" && mkdir -p "$cache/build-jpeg-$arch"
        tar -xzf "$tarball" -C "$cache/build-jpeg-$arch" >>"$log" 2>&1 || fail "libjpeg-turbo" "cannot unpack $tarball"
        srcdir=$(ls -d "$cache"/build-jpeg-$arch/*/ | head -n 1)
        cmake -S "$srcdir" -B "$cache/build-jpeg-$arch/b" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
            -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -DWITH_JPEG8=1 \
            -DENABLE_SHARED=0 -DWITH_TURBOJPEG=0 >>"$log" 2>&1 || fail "libjpeg-turbo" "configure"
        cmake --build "$cache/build-jpeg-$arch/b" -j"$(nproc)" >>"$log" 2>&1 || fail "libjpeg-turbo" "build"
        cmake --install "$cache/build-jpeg-$arch/b" >>"$log" 2>&1 || fail "libjpeg-turbo" "install"
        grep -q 'JPEG_LIB_VERSION *80' "$deps/include/jconfig.h" || fail "libjpeg-turbo" "jconfig.h does not give version 80"
        rm -rf "$cache/build-jpeg-$arch"
        ok "built"
    fi

    step "libtiff ($arch, static)"
    if [ -f "$deps/lib/libtiff.a" ]; then
        ok "present"
    else
        tarball=$(fetch_source tiff 'tiff_*.orig.tar.*') || fail "libtiff" "apt-get source tiff"
        rm -rf "$cache/build-tiff-$arch" && mkdir -p "$cache/build-tiff-$arch"
        tar -xf "$tarball" -C "$cache/build-tiff-$arch" >>"$log" 2>&1 || fail "libtiff" "cannot unpack $tarball"
        srcdir=$(ls -d "$cache"/build-tiff-$arch/*/ | head -n 1)
        cmake -S "$srcdir" -B "$cache/build-tiff-$arch/b" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
            -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -DBUILD_SHARED_LIBS=OFF \
            -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dcxx=OFF \
            -Dzlib=OFF -Dlibdeflate=OFF -Djpeg=OFF -Dold-jpeg=OFF -Djbig=OFF -Dlerc=OFF \
            -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF >>"$log" 2>&1 || fail "libtiff" "configure"
        cmake --build "$cache/build-tiff-$arch/b" -j"$(nproc)" >>"$log" 2>&1 || fail "libtiff" "build"
        cmake --install "$cache/build-tiff-$arch/b" >>"$log" 2>&1 || fail "libtiff" "install"
        rm -rf "$cache/build-tiff-$arch"
        ok "built"
    fi
}

wine_bits=$(bash "$here/scripts/wine_bits.sh")
build_deps i686
[ "$wine_bits" = 64 ] && build_deps x86_64

# Wine takes its ANSI code page from the Unix locale: a Russian locale gives
# code page 1251.  The locale is made into a folder of the project.
step "ru_RU.UTF-8 locale"
if [ -d "$cache/locale/ru_RU.UTF-8" ]; then
    ok "present"
else
    mkdir -p "$cache/locale"
    localedef -i ru_RU -f UTF-8 "$cache/locale/ru_RU.UTF-8" >>"$log" 2>&1
    [ -d "$cache/locale/ru_RU.UTF-8" ] || fail "ru_RU.UTF-8 locale" "localedef"
    ok "made"
fi

# The Wine prefix of the tree whose tests run on this machine (see
# wine_bits.sh): 32-bit where the kernel runs 32-bit code, else 64-bit.
step "$wine_bits-bit Wine prefix"
(
    source "$here/scripts/wine_env.sh"
    if [ -f "$WINEPREFIX/system.reg" ]; then
        ok "present"
    else
        mkdir -p "$build"
        wineboot -i >>"$log" 2>&1
        wineserver -w >>"$log" 2>&1
        [ -f "$WINEPREFIX/system.reg" ] || fail "$wine_bits-bit Wine prefix" "wineboot -i"
        ok "created"
    fi
) || exit 1
exit 0
