# The release's steps, shared by the packaging script, the release
# workflow and the release scripts' test: packing the zips and the Windows
# Installer packages, the winget and Scoop manifests, the release notes and
# the checks of signed files. Source it; it defines functions only.

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# Text for Windows: every line ends in CR LF, whatever the checkout gave.
windows_text() { sed 's/\r$//; s/$/\r/'; }

# The repository of the release (owner/name), which its download addresses,
# manifests and guides name: BACKDROP_REPOSITORY, else the one a GitHub
# workflow runs in (GITHUB_REPOSITORY), else the project's own.
release_repository() { echo "${BACKDROP_REPOSITORY:-${GITHUB_REPOSITORY:-BackdropCarousel/BackdropCarousel}}"; }

# The "Which file?" table of a release, written once for the README, the
# release notes and the user's guide: one line for each kind of user, what
# they want, a tab, and the file to take, with VERSION in its name.
#   which_file VERSION
which_file() {
  printf '%s\t%s\n' \
    'install it for yourself (most people; no administrator rights)' "BackdropCarousel-$1-win64-user.msi" \
    'run it without installing (a folder of your own, a USB stick)' "BackdropCarousel-$1-win64.zip" \
    'install it for every user of the computer, or on many computers' "BackdropCarousel-$1-win64-machine.msi" \
    'use it on 32-bit Windows, or on Windows 10 on an ARM64 processor' 'the same with win32 in the name' \
    'use it on Windows 11 on an ARM64 processor' 'the win64 files, which Windows 11 runs by emulation'
}

# The same table in Markdown, as the README and the release notes show it.
#   which_file_table VERSION
which_file_table() {
  printf '| If you want to | Take |\n|---|---|\n'
  which_file "$1" | awk -F'\t' '{ if ($2 ~ /^BackdropCarousel-/) $2 = "`" $2 "`"; else gsub(/win(32|64)/, "`&`", $2)
    print "| " $1 " | " $2 " |" }'
}

# A guide of docs/ as Windows text, with the project's version for
# @VERSION@, the release's repository for @REPOSITORY@, and the "Which
# file?" table for a line @WHICH_FILE@:
#   release_guide FILE
release_guide() {
  local version
  version=$(project_version)
  VERSION=$version REPOSITORY=$(release_repository) \
    TABLE=$(which_file "$version" | awk -F'\t' '{ print "  " $1 "\n      " $2 }') \
    awk '$0 == "@WHICH_FILE@" { print ENVIRON["TABLE"]; next }
      { gsub(/@VERSION@/, ENVIRON["VERSION"]); gsub(/@REPOSITORY@/, ENVIRON["REPOSITORY"]); print }' "$1" | windows_text
}

# Puts a release's files into FOLDER: the executable, the user's guide as
# README.txt and the administrators' guide as ADMINISTRATORS.txt (both
# filled in by release_guide), the changelog and the licence, all four as
# Windows text files, every file with the time EPOCH (seconds) and fixed
# permissions:
#   stage_release EXE FOLDER EPOCH
stage_release() {
  local root
  root=$(repo_root)
  cp "$1" "$2/BackdropCarousel.exe"
  release_guide "$root/docs/user-guide.txt" > "$2/README.txt"
  release_guide "$root/docs/administrators-guide.txt" > "$2/ADMINISTRATORS.txt"
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
  (cd "$stage" && TZ=UTC zip -X -D -q "$zip" BackdropCarousel.exe README.txt ADMINISTRATORS.txt CHANGELOG.txt LICENSE.txt) || packed=$?
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
# Its tags let winget search find it by what it does (wallpaper).
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
Tags:
- wallpaper
- background
- slideshow
- desktop
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
# taken from SHA256SUMS. Written as Scoop's contributing guide asks: indented
# by 4, as json.tool writes it, with every array's items on lines of their own.
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
  python3 -m json.tool --indent 4 > "$folder/scoop/backdropcarousel.json" <<SCOOP
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

# The notes of the GitHub release, whose text GitHub shows with every line
# break kept: which file to take, whether the files are signed (SIGNED: yes
# or no), the changes of the version's section of CHANGELOG.md up to its
# build and workflow changes, each entry on one line, and a link to the whole
# changelog.
#   release_notes SIGNED
release_notes() {
  local version pages
  version=$(project_version)
  pages=https://github.com/$(release_repository)/blob/v$version
  {
    printf '## Which file?\n\n'
    which_file_table "$version"
    printf '\n`SHA256SUMS` lists the files'"'"' SHA-256 sums; the `.yaml` files are the winget manifests, the `.json` file the Scoop manifest.\n\n'
    if [ "$1" = yes ]; then
      printf 'The programs and the packages are signed (Authenticode, SHA-256, time-stamped).'
    else
      printf 'These files are not signed: Smart App Control, where it is on, blocks an unsigned program it does not know.'
    fi
    printf ' Microsoft Edge and SmartScreen may warn about a file they do not know yet ([SmartScreen and Smart App Control](%s/README.md#smartscreen-and-smart-app-control)).\n\n' "$pages"
    awk -v head="## [$version]" 'index($0, "## [") == 1 { on = index($0, head) == 1; next }
      $0 == "### Build and workflow" { on = 0 } !on { next }
      /^$/ { if (entry != "") print entry; entry = ""; print; next }
      entry != "" && !/^(#|- )/ { sub(/^ +/, ""); entry = entry " " $0; next }
      { if (entry != "") print entry; entry = $0 }
      END { if (entry != "") print entry }' "$(repo_root)/CHANGELOG.md"
    printf '\nEvery change, those of the build included: [CHANGELOG.md](%s/CHANGELOG.md).\n' "$pages"
  } | cat -s
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
