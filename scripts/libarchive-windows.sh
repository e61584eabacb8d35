#!/usr/bin/env bash
# Cross-builds the static libraries Winrar95.exe needs for 64-bit Windows, libarchive and
# libdeflate, from Debian's own source packages and prints the folder they are installed in
# (include/, lib/libarchive.a and lib/libdeflate.a). Debian ships neither for mingw-w64; the RAR 4
# and RAR 5 readers use no compression or crypto library, so every one of those is off. The source comes through a private apt state
# under build/ (the machine's own sources, as deb-src), never through the machine's apt sources.
# The built library is cached: a second run only prints the folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD/${LIBARCHIVE_WINDOWS_DIR:-build/libarchive-windows}
prefix=$root/install
if [ -f "$prefix/lib/libarchive.a" ] && [ -f "$prefix/include/archive.h" ] &&
  [ -f "$prefix/lib/libdeflate.a" ] && [ -f "$prefix/include/libdeflate.h" ]; then
  echo "$prefix"
  exit 0
fi

state=$root/apt
mkdir -p "$state/lists/partial" "$state/cache/archives/partial" "$state/sources.list.d"
: >"$state/status"
# The machine's suites, as source entries (both the deb822 and the one-line formats).
: >"$state/sources.list"
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] && sed -E 's/^Types:.*/Types: deb-src/' "$f" >"$state/sources.list.d/$(basename "$f")"
done
if [ -f /etc/apt/sources.list ]; then
  sed -nE 's/^deb[[:space:]]+/deb-src /p' /etc/apt/sources.list >"$state/sources.list"
fi
apt_opts=(
  -o "Dir::State=$state" -o "Dir::State::status=$state/status"
  -o "Dir::Cache=$state/cache" -o "Dir::Etc::SourceList=$state/sources.list"
  -o "Dir::Etc::SourceParts=$state/sources.list.d" -o "Debug::NoLocking=1"
  -o "APT::Sandbox::User=root"
)
apt-get "${apt_opts[@]}" -qq update >&2
src=$root/src
rm -rf "$src" && mkdir -p "$src"
(cd "$src" && apt-get "${apt_opts[@]}" -qq source libarchive libdeflate >&2)
tree=$(find "$src" -mindepth 1 -maxdepth 1 -type d -name 'libarchive-*' | head -n1)
deflate_tree=$(find "$src" -mindepth 1 -maxdepth 1 -type d -name 'libdeflate-*' | head -n1)

build=$root/build
cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_C_FLAGS=-w \
  -DENABLE_TEST=OFF -DENABLE_TAR=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF -DENABLE_UNZIP=OFF \
  -DENABLE_ZLIB=OFF -DENABLE_BZip2=OFF -DENABLE_LZMA=OFF -DENABLE_LZ4=OFF -DENABLE_ZSTD=OFF \
  -DENABLE_LZO=OFF -DENABLE_LIBB2=OFF -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF \
  -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF -DENABLE_CNG=OFF \
  -DENABLE_ICONV=OFF -DENABLE_ACL=OFF -DENABLE_XATTR=OFF -DENABLE_PCREPOSIX=OFF \
  -DENABLE_PCRE2POSIX=OFF -DPOSIX_REGEX_LIB=NONE >&2
cmake --build "$build" --target archive_static -j2 >&2
mkdir -p "$prefix/lib" "$prefix/include"
cp "$build/libarchive/libarchive_static.a" "$prefix/lib/libarchive.a"
cp "$tree/libarchive/archive.h" "$tree/libarchive/archive_entry.h" "$prefix/include/"

# libdeflate 1.14 builds with its own Makefile, which names the static library for mingw-w64.
make -C "$deflate_tree" -j2 CC=x86_64-w64-mingw32-gcc-posix AR=x86_64-w64-mingw32-ar \
  CFLAGS=-O2 libdeflatestatic.lib >&2
cp "$deflate_tree/libdeflatestatic.lib" "$prefix/lib/libdeflate.a"
cp "$deflate_tree/libdeflate.h" "$prefix/include/"
echo "$prefix"
