# Shared by the build, run and test scripts: the virtual display and the
# throwaway Wine prefix. Source it; it defines functions only.

repo_root() { cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd; }

# Configures and builds a CMake project for one architecture (i686 or x86_64):
#   cross_build SOURCE BINARY ARCH [-DNAME=VALUE...] [--target NAME...]
# The -D settings configure the project; the rest go to the build.
# The program's tests run in a Wine prefix of their own in BINARY, so that
# the two architectures' tests can run at once.
cross_build() {
  local root source=$1 binary=$2 arch=$3 settings=()
  shift 3
  while [[ ${1:-} == -D* ]]; do settings+=("$1"); shift; done
  root=$(repo_root)
  cmake -S "$source" -B "$binary" --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-toolchain.cmake" -DMINGW_ARCH="$arch" "${settings[@]}" >/dev/null
  cmake --build "$binary" -j "$(nproc)" "$@" -- --no-print-directory
}

# Builds the program, its tests and the stand-in into build/<arch>; extra
# arguments go to the build (--target BackdropCarousel builds the program only).
build_arch() {
  local root
  root=$(repo_root)
  cross_build "$root" "$root/build/$1" "$1" "${@:2}"
}

# The 64-bit program built as the older version 2.1.0, into
# build/older-x86_64, for the installers' test to upgrade from; prints its
# path. The test command builds it with the rest, before the tests.
build_older_program() {
  local root
  root=$(repo_root)
  cross_build "$root" "$root/build/older-x86_64" x86_64 -DBACKDROP_VERSION=2.1.0 -DBUILD_TESTING=OFF \
    --target BackdropCarousel >/dev/null
  echo "$root/build/older-x86_64/bin/BackdropCarousel.exe"
}

# Starts a 1024x768 virtual display with a window manager, as a desktop has,
# and makes it DISPLAY; the calling script ends it (XVFB_PID, and every one
# started in XVFB_PIDS), and the window manager ends with it. Without one,
# Wine waits two seconds at every window it hides for a manager to withdraw
# it. Openbox follows the window manager standards Wine relies on for focus,
# activation and stacking, and leaves windows where and as large as Wine asks.
start_virtual_display() {
  local number said
  said=$(mktemp)
  # Xvfb takes a free display number itself, whatever else starts one at the
  # same time, and writes it once it answers.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$said" >/dev/null 2>&1 &
  XVFB_PID=$!
  XVFB_PIDS+=("$XVFB_PID")
  for _ in $(seq 300); do [ -s "$said" ] && break; sleep 0.1; done
  number=$(cat "$said")
  if [ -z "$number" ]; then
    echo "Xvfb did not start" >&2
    rm -f "$said"
    return 1
  fi
  export DISPLAY=":$number"
  openbox --sm-disable >"$said" 2>&1 &
  # The manager announces itself on the root window once it manages windows.
  for _ in $(seq 300); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && { rm -f "$said"; return; }
    sleep 0.1
  done
  echo "No window manager on the virtual display :$number:" >&2
  cat "$said" >&2
  rm -f "$said"
  return 1
}

# The throwaway Wine prefix, in the build tree.
wine_prefix() { echo "$(repo_root)/build/wineprefix"; }

# The prefix (by default the one above) is made once, for 64-bit Windows
# unless win32 is asked for; the Mono and Gecko overrides keep Wine from
# offering downloads while it is made.
#   ensure_wine_prefix [PREFIX [win32|win64]]
ensure_wine_prefix() {
  export WINEPREFIX
  WINEPREFIX=${1:-$(wine_prefix)}
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix in $WINEPREFIX ..."
    WINEARCH=${2:-win64} wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
}

# The locale, such as zh_CN.UTF-8, compiled into FOLDER for LOCPATH, where
# Wine finds it whether or not the machine has it.
#   ensure_locale FOLDER LOCALE
ensure_locale() {
  [ -d "$1/$2" ] || { mkdir -p "$1" && localedef -i "${2%%.*}" -f "${2#*.}" "$1/$2"; }
}

# The version, from its one place: project(... VERSION ...) in CMakeLists.txt.
project_version() {
  sed -n 's/^project(BackdropCarousel VERSION \([0-9.]*\).*/\1/p' "$(repo_root)/CMakeLists.txt"
}

# A Linux path as the program sees it: inside the Wine prefix's drive_c on
# drive C:, anywhere else on drive Z:, the Linux root.
windows_path() {
  local path drive_c
  path=$(realpath -m "$1")
  drive_c=$(realpath -m "$(wine_prefix)/drive_c")
  case $path in
    "$drive_c"/*) path="C:${path#"$drive_c"}" ;;
    *) path="Z:$path" ;;
  esac
  echo "${path//\//\\}"
}

# The run command's sample pictures, in a folder a Windows user would have:
# C:\users\Public\Pictures\BackdropCarousel in the Wine prefix.
sample_pictures_folder() { echo "$(wine_prefix)/drive_c/users/Public/Pictures/BackdropCarousel"; }

# Writes the program's settings.ini:
#   write_settings FILE FOLDER INTERVAL UNIT(0 s, 1 min) STYLE(0 Center, 1 Tile, 2 Stretch)
# FOLDER is a Linux path; the rotation starts with the program.
write_settings() {
  printf '[Settings]\r\nwallpaperDir=%s\r\nrotationInt=%s\r\nrotationIntType=%s\r\nwallpaperMode=%s\r\nrotateAtStartup=1\r\n' \
    "$(windows_path "$2")" "$3" "$4" "$5" > "$1"
}

# Text for Windows: every line ends in CR LF, whatever the checkout gave.
windows_text() { sed 's/\r$//; s/$/\r/'; }

# Puts a release's files into FOLDER: the executable with the user's guide
# (its version filled in from the project), the changelog and the licence as
# Windows text files, every file with the time EPOCH (seconds) and fixed
# permissions:
#   stage_release EXE FOLDER EPOCH
stage_release() {
  local root
  root=$(repo_root)
  cp "$1" "$2/BackdropCarousel.exe"
  sed "s/@VERSION@/$(project_version)/g" "$root/docs/user-guide.txt" | windows_text > "$2/README.txt"
  windows_text < "$root/CHANGELOG.md" > "$2/CHANGELOG.txt"
  windows_text < "$root/LICENSE" > "$2/LICENSE.txt"
  chmod 644 "$2"/*
  TZ=UTC touch -d "@$3" "$2"/*
}

# Packs a release's files into the zip named:
#   pack_release EXE ZIP EPOCH
# zip adds no extra fields, so the same files always give the same zip.
pack_release() {
  local stage zip packed=0
  # The zip's full path before leaving for the staging folder, where a
  # relative one would name a file deleted with it.
  zip=$(realpath -m "$2")
  stage=$(mktemp -d)
  stage_release "$1" "$stage" "$3"
  rm -f "$zip"
  (cd "$stage" && TZ=UTC zip -X -D -q "$zip" BackdropCarousel.exe README.txt CHANGELOG.txt LICENSE.txt) || packed=$?
  rm -rf "$stage"
  return "$packed"
}

# The version in the version resource of a program, as Windows reads it
# (2.2.0.0), from the fixed part that follows its signature; fails for a file
# without one.
#   file_version FILE
file_version() {
  local at
  at=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe\x00\x00\x01\x00' "$1" | awk -F: 'NR == 1 {print $1}')
  [ -n "$at" ] || return 1
  od -An -tu2 --endian=little -j $((at + 8)) -N 8 "$1" | awk '{print $2 "." $1 "." $4 "." $3}'
}

# A GUID that the same text always gives: the start of its SHA-256.
guid_of() {
  sha256sum <<<"$1" | sed -E 's/^(.{8})(.{4})(.{4})(.{4})(.{12}).*/{\1-\2-\3-\4-\5}/' | tr a-f A-F
}

# Builds the Windows Installer package of a release's files for one scope
# (user or machine) and platform (x86 or x64) from the sources in installer/:
#   pack_installer EXE MSI SCOPE PLATFORM EPOCH [VERSION]
# VERSION, the project's by default, lets a test build an older package from
# the same tree. The same files always give the same package: wixl and
# msibuild run at the clock time EPOCH, and the package code comes from the
# inputs (wixl would take the build's time and a random code).
pack_installer() {
  local root stage msi scope=$3 platform=$4 version=${6:-$(project_version)} clock inputs built=0
  local sources=(product.wxs program.wxs) changes=(uninstall.sql) win64=no template=Intel
  root=$(repo_root)
  msi=$(realpath -m "$2")
  stage=$(mktemp -d)
  stage_release "$1" "$stage" "$5"
  cp "$root/res/icon_lg.ico" "$stage/BackdropCarousel.ico"
  if [ "$scope" = machine ]; then
    sources+=(presets.wxs)
    changes+=(presets.sql)
    # The empty settings.ini the presets are written into: UTF-16LE with its
    # byte-order mark, as the program writes it.
    { printf '\xff\xfe'; printf '[Settings]\r\n' | iconv -f ASCII -t UTF-16LE; } > "$stage/settings.ini"
  else
    changes+=(per-user.sql)
  fi
  TZ=UTC touch -d "@$5" "$stage"/*
  if [ "$platform" = x64 ]; then
    win64=yes
    template=x64
  else
    changes+=(win32.sql)
  fi
  clock=$(TZ=UTC date -d "@$5" '+%Y-%m-%d %H:%M:%S')
  inputs=$(cd "$root/installer" && cat "$stage"/* "${sources[@]}" "${changes[@]}" validation.txt | sha256sum)
  rm -f "$msi"
  (
    cd "$stage" || exit
    export TZ=UTC
    faketime -f "$clock" wixl -a "$platform" -D Scope="$scope" -D Win64="$win64" -D Version="$version" \
      -D ProductCode="$(guid_of "BackdropCarousel $scope $platform $version")" \
      -o "$msi" "${sources[@]/#/$root/installer/}" || exit
    for change in "${changes[@]}"; do
      faketime -f "$clock" msibuild "$msi" -q "$(grep -v -e '^--' -e '^$' "$root/installer/$change")" || exit
    done
    # Each versioned file's version, and the language of its version
    # resource (res/BackdropCarousel.rc), which wixl leaves out; the files'
    # ids are their names.
    for file in *; do
      numbers=$(file_version "$file") || continue
      faketime -f "$clock" msibuild "$msi" -q \
        "UPDATE \`File\` SET \`Version\` = '$numbers', \`Language\` = '1033' WHERE \`File\` = '$file'" || exit
    done
    # The _Validation table, which wixl does not write, from
    # installer/validation.txt: Windows Installer's validation finds there
    # what each column may hold.
    grep -v '^#' "$root/installer/validation.txt" | awk 'BEGIN {
        OFS = "\t"
        print "Table", "Column", "Nullable", "MinValue", "MaxValue", "KeyTable", "KeyColumn", "Category", "Set", "Description"
        print "s32", "s32", "s4", "I4", "I4", "S255", "I2", "S32", "S255", "S255"
        print "_Validation", "Table", "Column" }
      { for (i = 1; i <= NF; i++) if ($i == "-") $i = ""; $10 = ""; print }' > _Validation.idt
    faketime -f "$clock" msibuild "$msi" -i _Validation.idt || exit
    faketime -f "$clock" msibuild "$msi" -s "BackdropCarousel $version" "The BackdropCarousel developers" \
      "$template;1033" "$(guid_of "$inputs $scope $platform $version")"
  ) || built=$?
  rm -rf "$stage"
  return "$built"
}

# Six numbered, named pictures of 640x480 in distinct colours, smaller than
# the screen so that Center, Tile and Stretch each look different.
make_sample_pictures() {
  local dir=$1 i=0 name from to
  mkdir -p "$dir"
  for name in Sunrise:orange:gold Ocean:navy:deepskyblue Forest:darkgreen:yellowgreen \
    Dusk:indigo:hotpink Glacier:steelblue:white Ember:darkred:orangered; do
    i=$((i + 1))
    IFS=: read -r name from to <<<"$name"
    convert -size 640x480 "gradient:$from-$to" -bordercolor white -border 6 \
      -font DejaVu-Sans-Bold -fill white -stroke black -strokewidth 3 -gravity center \
      -pointsize 160 -annotate +0-50 "$i" -pointsize 64 -annotate +0+110 "$name" \
      "$dir/$i-$name.jpg"
  done
}

# The run command's settings: when the program in BIN has no settings.ini
# yet, one that rotates FOLDER every 3 seconds from start-up, stretched.
# A settings.ini already there is the user's own: it stays, and this returns 1.
#   seed_settings BIN FOLDER
seed_settings() {
  [ ! -e "$1/settings.ini" ] || return 1
  write_settings "$1/settings.ini" "$2" 3 0 2
}

# One winget manifest of TYPE (version, defaultLocale or installer) in FILE:
# the address of its schema, the package and version, the lines read from
# standard input, and the type.
#   winget_manifest TYPE FILE
winget_manifest() {
  {
    printf '# yaml-language-server: $schema=https://aka.ms/winget-manifest.%s.1.10.0.schema.json\n' "$1"
    printf 'PackageIdentifier: BackdropCarousel.BackdropCarousel\nPackageVersion: "%s"\n' "$(project_version)"
    cat
    printf 'ManifestType: %s\nManifestVersion: 1.10.0\n' "$1"
  } > "$2"
}

# The winget manifests of a release, in the manifest format 1.10.0, written
# into FOLDER/winget for the community repository winget-pkgs. The installer
# file lists the four packages in FOLDER with their addresses in the GitHub
# release v<version> of REPOSITORY (owner/name), their SHA-256, product and
# upgrade codes, scope and architecture. A newer package replaces the
# installed version itself, so winget installs it over the old one.
#   write_winget_manifests FOLDER REPOSITORY
write_winget_manifests() {
  local folder=$1 repository=$2 version out name msi code upgrade names=(win32-user win32-machine win64-user win64-machine)
  version=$(project_version)
  for name in "${names[@]}"; do
    msi=$folder/BackdropCarousel-$version-$name.msi
    [ -f "$msi" ] || { echo "There is no $msi." >&2; return 1; }
  done
  out=$folder/winget/BackdropCarousel.BackdropCarousel
  mkdir -p "$folder/winget"
  winget_manifest version "$out.yaml" <<<'DefaultLocale: en-US'
  winget_manifest defaultLocale "$out.locale.en-US.yaml" <<LOCALE
PackageLocale: en-US
Publisher: The BackdropCarousel developers
PackageName: BackdropCarousel
PackageUrl: https://github.com/$repository
License: MIT
LicenseUrl: https://github.com/$repository/blob/v$version/LICENSE
ShortDescription: Changes the desktop wallpaper at a fixed interval, going through the .jpg pictures of one folder.
ReleaseNotesUrl: https://github.com/$repository/releases/tag/v$version
LOCALE
  for name in "${names[@]}"; do
    msi=$folder/BackdropCarousel-$version-$name.msi
    read -r code upgrade < <(msiinfo export "$msi" Property | tr -d '\r' |
      awk -F'\t' '$1 == "ProductCode" { product = $2 } $1 == "UpgradeCode" { upgrade = $2 } END { print product, upgrade }')
    cat <<INSTALLER
  - Architecture: $([ "${name%-*}" = win32 ] && echo x86 || echo x64)
    Scope: ${name#*-}
    InstallerUrl: https://github.com/$repository/releases/download/v$version/${msi##*/}
    InstallerSha256: $(sha256sum "$msi" | cut -d' ' -f1 | tr a-f A-F)
    ProductCode: "$code"
    AppsAndFeaturesEntries:
      - DisplayName: BackdropCarousel
        Publisher: The BackdropCarousel developers
        DisplayVersion: "$version"
        ProductCode: "$code"
        UpgradeCode: "$upgrade"
INSTALLER
  done | { printf 'InstallerType: msi\nUpgradeBehavior: install\nInstallers:\n'; cat; } |
    winget_manifest installer "$out.installer.yaml"
}

# The Scoop manifest of a release, FOLDER/scoop/backdropcarousel.json, for a
# Scoop bucket: the two zips in FOLDER with their addresses in the GitHub
# release v<version> of REPOSITORY (owner/name) and their SHA-256, a Start
# menu shortcut, and settings.ini kept across updates in Scoop's persist
# folder. Scoop keeps a file there only if it exists at the first install, so
# an empty one is made as the program writes it (UTF-16LE with its mark); the
# program rewrites a hard-linked settings.ini in place, keeping the link.
# checkver and autoupdate let the bucket follow later releases, their hashes
# taken from SHA256SUMS.
#   write_scoop_manifest FOLDER REPOSITORY
write_scoop_manifest() {
  local folder=$1 repository=$2 version zip bits address hashes=()
  version=$(project_version)
  for bits in 64 32; do
    zip=$folder/BackdropCarousel-$version-win$bits.zip
    [ -f "$zip" ] || { echo "There is no $zip." >&2; return 1; }
    hashes+=("$(sha256sum "$zip" | cut -d' ' -f1)")
  done
  mkdir -p "$folder/scoop"
  address="https://github.com/$repository/releases/download/v"
  cat > "$folder/scoop/backdropcarousel.json" <<SCOOP
{
  "version": "$version",
  "description": "Changes the desktop wallpaper at a fixed interval, going through the .jpg pictures of one folder.",
  "homepage": "https://github.com/$repository",
  "license": "MIT",
  "architecture": {
    "64bit": {
      "url": "$address$version/BackdropCarousel-$version-win64.zip",
      "hash": "${hashes[0]}"
    },
    "32bit": {
      "url": "$address$version/BackdropCarousel-$version-win32.zip",
      "hash": "${hashes[1]}"
    }
  },
  "pre_install": "if (-not (Test-Path \"\$persist_dir\\\\settings.ini\")) { [IO.File]::WriteAllText(\"\$dir\\\\settings.ini\", \"[Settings]\`r\`n\", [Text.Encoding]::Unicode) }",
  "shortcuts": [["BackdropCarousel.exe", "BackdropCarousel"]],
  "persist": "settings.ini",
  "checkver": {
    "github": "https://github.com/$repository"
  },
  "autoupdate": {
    "architecture": {
      "64bit": {
        "url": "$address\$version/BackdropCarousel-\$version-win64.zip"
      },
      "32bit": {
        "url": "$address\$version/BackdropCarousel-\$version-win32.zip"
      }
    },
    "hash": {
      "url": "\$baseurl/SHA256SUMS"
    }
  }
}
SCOOP
}

# The notes of the GitHub release: which file to take, whether the files are
# signed (SIGNED: yes or no), then the version's section of CHANGELOG.md,
# whose build and workflow changes come last, under their own heading.
#   release_notes SIGNED
release_notes() {
  local version
  version=$(project_version)
  cat <<NOTES
## Which file?

| To | Take |
|---|---|
| install it for yourself (most people; no administrator rights) | \`BackdropCarousel-$version-win64-user.msi\` |
| run it without installing (a folder or a USB stick) | \`BackdropCarousel-$version-win64.zip\` |
| install it for every user of a computer, or on many computers | \`BackdropCarousel-$version-win64-machine.msi\` |
| use it on 32-bit Windows | the same with \`win32\` in the name |

\`SHA256SUMS\` lists the files' SHA-256 sums; the \`.yaml\` files are the winget
manifests, the \`.json\` file the Scoop manifest.

NOTES
  if [ "$1" = yes ]; then
    echo "The programs and the packages are signed (Authenticode, SHA-256, time-stamped)."
  else
    echo "These files are not signed: Windows SmartScreen may warn before the first start, and Smart App Control, where it is on, may block them (see the README)."
  fi
  echo
  awk -v head="## [$version]" 'index($0, "## [") == 1 { on = index($0, head) == 1; next } on' "$(repo_root)/CHANGELOG.md"
}

# Whether FILE carries an Authenticode signature with a SHA-256 digest and an
# RFC 3161 time stamp, as scripts/sign.sh writes it, whoever issued the
# certificate: the release job holds no list of the authorities Windows
# trusts, so osslsigncode's verdict on the chain is left aside.
#   signed_with_sha256 FILE
signed_with_sha256() {
  local said
  said=$(osslsigncode verify -in "$1" 2>&1) || true
  grep -qE '^Message digest algorithm +: SHA256$' <<<"$said" && grep -qE '^\s+Timestamp time:' <<<"$said"
}
