#!/usr/bin/env bash
# Whether the release in SHIPPED is the one tested in TESTED but for its
# signatures: the same zips and Windows Installer packages, each holding the
# same files, byte for byte once their signatures are removed; each package
# with the same tables (msiinfo export) and summary, but for its signature,
# its package code (which comes from the files packed) and the size and hash
# each file's row records, which must be those of the file as packed. Says
# what differs, and fails, if not.
#   compare-release.sh TESTED SHIPPED
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
releases() { (cd "$1" && shopt -s nullglob && printf '%s\n' *.zip *.msi); }
[ "$(releases "$1")" = "$(releases "$2")" ] || { echo "$2 holds other files than $1." >&2; exit 1; }

# What a release file holds, into the folder OUT: files/, its files with
# their signatures removed; and for a package, its summary and its tables as
# msiinfo exports them (TABLE.idt, and TABLE/ with the streams of their
# binary columns), the cabinets aside, whose files are in files/.
contents() {
  local file out=$2 name path
  file=$(realpath "$1")
  mkdir -p "$out/files"
  case $file in
    *.zip) unzip -q "$file" -d "$out/files" ;;
    *.msi)
      msiextract -C "$out/files" "$file" >/dev/null
      msiinfo suminfo "$file" | grep -v '^Revision number' > "$out/summary"
      for name in $(msiinfo tables "$file" | grep -vx _SummaryInformation); do
        (cd "$out" && msiinfo export "$file" "$name" | tr -d '\r' > "$name.idt")
      done
      # Each file's name, size and MD5 hash in the four numbers of
      # MsiFileHash, as packed; where File and MsiFileHash record those, they
      # read "=" instead.
      find "$out/files" -type f | while read -r path; do
        printf '%s\t%s\t' "${path##*/}" "$(stat -c %s "$path")"
        printf "$(md5sum < "$path" | cut -c1-32 | sed 's/../\\x&/g')" | od -An -td4 --endian=little | xargs | tr ' ' '\t'
      done > "$work/packed"
      awk -F'\t' -v OFS='\t' 'FILENAME ~ /packed$/ { size[$1] = $2; hash[$1] = $3 OFS $4 OFS $5 OFS $6; next }
        FNR > 3 && FILENAME ~ /\/File\.idt$/ { name[$1] = $3; sub(/.*\|/, "", name[$1]); if (size[name[$1]] == $4) $4 = "=" }
        FNR > 3 && FILENAME ~ /MsiFileHash\.idt$/ && hash[name[$1]] == $3 OFS $4 OFS $5 OFS $6 { $3 = $4 = $5 = $6 = "=" }
        { print > (FILENAME ".recorded") }' "$work/packed" "$out/File.idt" "$out/MsiFileHash.idt"
      for name in File MsiFileHash; do mv "$out/$name.idt.recorded" "$out/$name.idt"; done
      ;;
  esac
  # osslsigncode removes a signature where there is one, and fails on any
  # other file, which stays as it is.
  find "$out/files" -type f | while read -r path; do
    osslsigncode remove-signature -in "$path" -out "$path.unsigned" >/dev/null 2>&1 && mv "$path.unsigned" "$path" ||
      rm -f "$path.unsigned"
  done
}

same=0
for file in $(releases "$1"); do
  contents "$1/$file" "$work/tested/$file"
  contents "$2/$file" "$work/shipped/$file"
  diff -r "$work/tested/$file" "$work/shipped/$file" >&2 || { echo "$2/$file is not the $file tested." >&2; same=1; }
done
exit "$same"
