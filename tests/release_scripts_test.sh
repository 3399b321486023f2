#!/usr/bin/env bash
# The release scripts' own steps, on Linux alone:
#   release_scripts_test.sh package EXE LIMIT
#       the zip holds the program as built, the user's and the administrators'
#       guides, the changelog and the licence as Windows text, the guides
#       filled in with the project's version, the repository and the "Which
#       file?" table, the user's under 200 lines, and the changelog naming the
#       version; the program is at most LIMIT bytes (0: no limit); the README's
#       first 120 lines and the release notes are for users: the table, the
#       install blocks, no developer's command, no wrapped line in the notes
#   release_scripts_test.sh seeding      the run command writes settings.ini only where there is none
#   release_scripts_test.sh format
#       the formatting script refuses a clang-format of another version than
#       the project's, naming both in one line, and takes the one CLANG_FORMAT names
#   release_scripts_test.sh signed EXE32 EXE64 PROGRAM_TESTS
#       with a throwaway certificate and time-stamp server: the signing
#       script signs a program and its package (SHA-256, time-stamped), the
#       signed program passes its tests' start-up (PROGRAM_TESTS, under
#       Wine), and with the signatures removed the zip and the package are
#       those built unsigned, which the release's comparison tells from a
#       package changed since; only the release job's signing steps see the
#       signing secrets; the Scoop manifest of the zips passes Scoop's
#       schema with their hashes, in Scoop's style
#   release_scripts_test.sh installer|installer-moves EXE32 EXE64
#       the Windows Installer packages, in two parts that run side by side
#       (installer-moves: the moves of the Run value, below): what Windows
#       Installer's validation checks in their tables (every category and foreign key in
#       _Validation among them), and the program's version recorded; then
#       under Wine's msiexec, in a 64-bit prefix of their own: the per-user
#       one, installed as a double-click does, ends with the program's window,
#       starts from its shortcut, refuses a downgrade and upgrades an older
#       program silently, starting nothing, keeping the user's settings.ini
#       and Run values; the per-machine ones preset the settings given,
#       refuse intervals under 3 seconds and move the Run value across
#       architectures, with Task Manager's switch as it was, and a move that
#       fails at its end leaves every Run value and switch as it was,
#       whatever an earlier installation left in the copies its rollback
#       restores, and no change comes before those copies; each
#       uninstall leaves nothing of the program's and another copy's Run
#       values as they were; START_WITH_WINDOWS=1 leaves the Run value
#       switched on in Task Manager, and an uninstall removes the switch of
#       each Run value it removes; the 32-bit machine package likewise in a
#       32-bit prefix; the winget manifests pass winget's schemas, with tags
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/release.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
run='Software\Microsoft\Windows\CurrentVersion\Run'

case $1 in
package)
  zip=$work/release.zip
  export BACKDROP_REPOSITORY=owner/name
  pack_release "$2" "$zip" 0
  contents=$(unzip -Z1 "$zip" | tr '\n' ' ')
  [ "$contents" = "BackdropCarousel.exe README.txt ADMINISTRATORS.txt CHANGELOG.txt LICENSE.txt " ] || fail "the zip holds $contents"
  files=$work/unpacked
  unzip -q "$zip" -d "$files"
  cmp -s "$files/BackdropCarousel.exe" "$2" || fail "the zip's program is not the one built"
  for text in README.txt ADMINISTRATORS.txt CHANGELOG.txt LICENSE.txt; do
    ! grep -qv $'\r$' "$files/$text" && [ "$(tail -c 2 "$files/$text" | od -An -tx1)" = " 0d 0a" ] ||
      fail "$text has a line that does not end in CR LF"
  done
  version=$(project_version)
  [[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "the project's version is '$version'"
  for guide in README.txt ADMINISTRATORS.txt; do
    grep -qF "Version $version" "$files/$guide" && ! grep -q '@[A-Z_]*@' "$files/$guide" ||
      fail "$guide does not name version $version, or keeps a placeholder"
  done
  grep -qF -- "--repo owner/name" "$files/README.txt" && grep -qF "BackdropCarousel-$version-win64.zip" "$files/README.txt" &&
    [ "$(wc -l < "$files/README.txt")" -lt 200 ] || fail "README.txt lacks the repository or the table, or is 200 lines or more"
  grep -q "^## \[$version\]" "$files/CHANGELOG.txt" || fail "CHANGELOG.txt has no entry for $version"
  grep -q "^MIT License" "$files/LICENSE.txt" || fail "LICENSE.txt is not the MIT licence"
  size=$(stat -c %s "$2")
  [ "$3" = 0 ] || [ "$size" -le "$3" ] || fail "the program is $size bytes, over $3"

  # The README's first screen (40 lines): the download page, the file most
  # people take and the .jpg rule; its first 120 lines: the "Which file?"
  # table, each package manager's command alone in its block, and no
  # developer's command; the test command one link away, and CI running it.
  root=$(repo_root)
  head -120 "$root/README.md" > "$work/readme"
  for told in 40:releases/latest 40:-win64-user.msi '40:`.jpeg`' '120:## SmartScreen and Smart App Control' \
    120:docs/building.md#the-two-commands; do
    [[ $(head -"${told%%:*}" "$work/readme") == *"${told#*:}"* ]] || fail "the README's first ${told%%:*} lines lack ${told#*:}"
  done
  table=$(awk '/^\|/ { print; table = 1; next } table { exit }' "$work/readme")
  [ "$table" = "$(which_file_table '<version>')" ] && [[ $table == *'Windows 10 on an ARM64'*'Windows 11 on an ARM64'* ]] ||
    fail "the README's first table is not the Which-file table with its ARM64 rows: $table"
  blocks=$(awk '/^```/ { inside = !inside; next } inside' "$work/readme")
  [ "$blocks" = "winget install --id BackdropCarousel.BackdropCarousel --exact --source winget
winget install --id BackdropCarousel.BackdropCarousel --exact --source winget --scope machine
scoop install https://github.com/BackdropCarousel/BackdropCarousel/releases/latest/download/backdropcarousel.json" ] &&
    [ "$(awk '/^```/ { n++ } END { print n }' "$work/readme")" = 6 ] || fail "the README's install blocks are: $blocks"
  ! grep -nE '\<(apt|apt-get|cmake)\>|scripts/' "$work/readme" || fail "the README's first 120 lines hold a developer's command"
  [[ $(sed -n '/^## The two commands$/,/^## /p' "$root/docs/building.md") == *'`scripts/test.sh`'* ]] &&
    grep -qx 'exec scripts/test.sh' "$root/.ci/run" || fail "docs/building.md's two commands or .ci/run lost the test command"

  # The release notes as GitHub shows them, every line break kept: the
  # table, a link to the changelog, the users' changes only, and each
  # paragraph or entry on one line.
  release_notes no > "$work/notes"
  [[ $(cat "$work/notes") == *"$(which_file_table "$version")"* && $(cat "$work/notes") == *ARM64* ]] &&
    grep -qF "(https://github.com/owner/name/blob/v$version/CHANGELOG.md)" "$work/notes" &&
    ! grep -q 'Build and workflow' "$work/notes" || fail "the release notes lack the table or the link, or hold the build's changes"
  wrapped=$(awk 'previous != "" && $0 != "" && !/^(#|- |\|)/ { print } { previous = $0 }' "$work/notes")
  [ -z "$wrapped" ] || fail "the release notes break a paragraph or an entry before: $wrapped"
  ;;
seeding)
  # The sample pictures are on the Wine prefix's drive C:, any other folder on Z:.
  for folder in "$(sample_pictures_folder)=C:\users\Public\Pictures\BackdropCarousel" \
    "$work/pictures=Z:${work//\//\\}\pictures"; do
    rm -f "$work/settings.ini"
    seed_settings "$work" "${folder%%=*}" || fail "no settings.ini was written"
    for line in "wallpaperDir=${folder#*=}" rotationInt=3 rotationIntType=0 rotateAtStartup=1; do
      tr -d '\r' < "$work/settings.ini" | grep -qxF "$line" || fail "settings.ini lacks $line"
    done
  done
  printf '[Settings]\nwallpaperDir=C:\\Mine\n' > "$work/settings.ini"
  cp "$work/settings.ini" "$work/own.ini"
  ! seed_settings "$work" "$work/pictures" || fail "an existing settings.ini was replaced"
  cmp -s "$work/settings.ini" "$work/own.ini" || fail "an existing settings.ini was changed"
  ;;
format)
  # Stand-ins that say their version and format nothing.
  for version in 18.1.8 14.0.6; do
    mkdir "$work/$version"
    printf '#!/bin/sh\n[ "$1" != --version ] || echo "clang-format version %s"\n' "$version" > "$work/$version/clang-format"
    chmod +x "$work/$version/clang-format"
  done
  said=$(PATH="$work/18.1.8:$PATH" "$(repo_root)/scripts/format.sh" --check 2>&1) && fail "clang-format 18 was taken"
  [[ $said == *"clang-format 14"*"18.1.8"* && $said != *$'\n'* ]] || fail "the refusal says: $said"
  CLANG_FORMAT=$work/14.0.6/clang-format PATH="$work/18.1.8:$PATH" "$(repo_root)/scripts/format.sh" --check ||
    fail "the clang-format that CLANG_FORMAT names was not taken"
  ;;
signed)
  cd "$work"
  # A self-signed code-signing certificate in a PFX, as a certificate
  # authority's would come, and a time-stamp authority answering RFC 3161
  # requests on a local port.
  certificate() { openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$1" -keyout "$2.key" -out "$2.crt" \
    -addext "extendedKeyUsage=critical,$3" -addext "keyUsage=critical,digitalSignature" 2>/dev/null; }
  certificate 'BackdropCarousel test signer' signer codeSigning && certificate 'Test time stamps' tsa timeStamping
  openssl pkcs12 -export -inkey signer.key -in signer.crt -out signer.pfx -passout pass:throwaway
  printf '[tsa]\ndefault_tsa = t\n[t]\nserial = %s/serial\nsigner_cert = tsa.crt\nsigner_key = tsa.key\nsigner_digest = sha256\ndefault_policy = 1.2.3.4\ndigests = sha1, sha256\n' \
    "$work" > tsa.cnf && echo 01 > serial
  python3 -c 'import http.server, subprocess
class TimeStamps(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", "tsa.cnf", "-queryfile", "/dev/stdin", "-out", "/dev/stdout"],
                               input=query, capture_output=True, check=True).stdout
        self.send_response(200); self.send_header("Content-Type", "application/timestamp-reply"); self.end_headers()
        self.wfile.write(reply)
server = http.server.HTTPServer(("127.0.0.1", 0), TimeStamps)
open("port", "w").write(str(server.server_port)); server.serve_forever()' 2>/dev/null &
  trap "kill $!; rm -rf \"$work\"" EXIT
  for _ in $(seq 50); do [ -s port ] && break; sleep 0.1; done
  export SIGNING_PASSWORD=throwaway SIGNING_TIMESTAMP_URL=http://127.0.0.1:$(cat port)/
  # The program signed before it is packed, the package after, as the release
  # is: with the certificate in a file, as by hand, and in base64, as the
  # release job has it.
  mkdir tests tested shipped && cp "$4" "$(dirname "$4")"/*.dll tests/ && cp "$2" tests/BackdropCarousel.exe
  SIGNING_PFX=signer.pfx "$(repo_root)/scripts/sign.sh" tests/BackdropCarousel.exe
  pack_release tests/BackdropCarousel.exe shipped/release.zip 0 && pack_installer tests/BackdropCarousel.exe shipped/release.msi user x86 0
  SIGNING_PFX_BASE64=$(base64 -w0 signer.pfx) "$(repo_root)/scripts/sign.sh" shipped/release.msi
  for file in tests/BackdropCarousel.exe shipped/release.msi; do
    osslsigncode verify -CAfile signer.crt -TSA-CAfile tsa.crt -in "$file" > verified 2>&1 && signed_with_sha256 "$file" ||
      fail "$file is not signed with SHA-256 and time-stamped: $(cat verified)"
  done
  # Its signatures removed, the release is the one built unsigned and tested;
  # a package with one row changed since is not, a file's recorded size too.
  pack_release "$2" tested/release.zip 0 && pack_installer "$2" tested/release.msi user x86 0
  "$(repo_root)/scripts/compare-release.sh" tested shipped || fail "the signed release, unsigned, is not the one built"
  for row in "\`Property\` SET \`Value\` = '0' WHERE \`Property\` = 'ARPNOMODIFY'" "\`File\` SET \`FileSize\` = 1 WHERE \`File\` = 'README.txt'"; do
    cp shipped/release.msi signed.msi && msibuild shipped/release.msi -q "UPDATE $row"
    ! "$(repo_root)/scripts/compare-release.sh" tested shipped 2>/dev/null || fail "a package changed after it was tested passed the comparison: $row"
    mv signed.msi shipped/release.msi
  done
  # In the release job only the signing steps see the certificate and its
  # password; every other step, and the job, at most whether there is one.
  /usr/bin/python3 - "$(repo_root)/.github/workflows/windows.yml" <<'CHECK' || fail "a workflow step that does more than sign sees the signing secrets"
import re, sys, yaml
for job in yaml.safe_load(open(sys.argv[1]))['jobs'].values():
    for part in [job] + job['steps']:
        given = [*part.get('env', {}).values(), *part.get('with', {}).values()]
        if any(re.fullmatch(r'\$\{\{\s*secrets\.SIGNING_\w+\s*\}\}', str(value)) for value in given):
            assert re.fullmatch(r'scripts/package\.sh sign-\w+', part.get('run', '')), part
CHECK
  "$(repo_root)/scripts/wine-run.sh" "$BACKDROP_TEST_RUN" tests/"${4##*/}" --gtest_filter=FirstRunTest.WindowIsCentredFixedAndTitled >started 2>&1 &&
    grep -q '^\[  PASSED  \] 1 test' started ||
    fail "the signed program did not start as its tests expect: $(cat started)"

  # The Scoop manifest of the two zips, against Scoop's schema.
  mkdir release
  pack_release "$2" "release/BackdropCarousel-$(project_version)-win32.zip" 0
  pack_release "$3" "release/BackdropCarousel-$(project_version)-win64.zip" 0
  write_scoop_manifest release owner/name
  /usr/bin/python3 - release "$(repo_root)/tests/schemas/scoop/schema.json" "$(project_version)" <<'CHECK' ||
import hashlib, json, sys, jsonschema
folder, schema, version = sys.argv[1:]
manifest = json.load(open(f'{folder}/scoop/backdropcarousel.json'))
jsonschema.Draft7Validator(json.load(open(schema))).validate(manifest)
assert open(f'{folder}/scoop/backdropcarousel.json').read() == json.dumps(manifest, indent=4) + '\n', "not in Scoop's style"
assert manifest['version'] == version and manifest['persist'] == 'settings.ini', manifest
for bits, zip in manifest['architecture'].items():
    name = f"BackdropCarousel-{version}-win{bits[:2]}.zip"
    assert zip['url'] == f'https://github.com/owner/name/releases/download/v{version}/{name}', zip
    assert zip['hash'] == hashlib.sha256(open(f'{folder}/{name}', 'rb').read()).hexdigest(), name
CHECK
    fail "the Scoop manifest does not describe the zips"
  ;;
installer | installer-moves)
  declare -A exe=([x86]=$2 [x64]=$3)
  table() { msiinfo export "$1" "$2" 2>/dev/null | tr -d '\r' | tail -n +4 || true; }
  property() { table "$1" Property | awk -F'\t' -v name="$2" '$1 == name {print $2}'; }
  # Windows Installer's validation (ICE03, ICE18, ICE38, ICE43, ICE64, ICE80)
  # from the tables: every name has a short one, every component a key path,
  # each one in the user's profile or with a shortcut an HKCU value of its
  # own, every folder made in the profile is removed again, every column is
  # described, and a 32-bit package keeps to the 32-bit view. Then the
  # program's version, as its version resource gives it, is recorded.
  # RemoveFile's names may hold the wildcards * and ?.
  short='[^][\\/|<>:"+,;=. ]'
  validate() {
    { for column in File:3 Shortcut:3 RemoveFile:3 IniFile:2; do table "$1" ${column%:*} | cut -f${column#*:}; done
      table "$1" Directory | awk -F'\t' '$2 != "" {print $3}'; } | grep -vxE "|\.|$short{1,8}(\.$short{1,3})?(\|.+)?"
    for name in Directory Component Registry Shortcut RemoveFile CreateFolder; do table "$1" $name | sed "s/^/$name\t/"; done |
      awk -F'\t' '$1 == "Directory" { parent[$2] = $3 } $1 == "Component" { dir[$2] = $4; key[$2] = $7 }
        $1 == "Registry" && $3 == 1 { hkcu[$2] = $7 } $1 == "Shortcut" { shortcut[$5] = 1 }
        $1 == "RemoveFile" && $4 == "" { removed[$5] = 1 } $1 == "CreateFolder" { created[$3] = $2 }
        function profile(d) { for (; d != ""; d = parent[d]) if (d ~ /^(LocalAppData|AppData|ProgramMenu)Folder$/) return 1 }
        END { for (c in dir) if (key[c] == "" && created[c] != dir[c] || (profile(dir[c]) || shortcut[c]) && hkcu[key[c]] != c) print c
              for (d in parent) if (profile(parent[d]) && !removed[d]) print d }'
    # Every column of every table described in _Validation, nullable there
    # as its type is (upper case), for ICE03; its category one of Windows
    # Installer's column data types, each held by text (s, or l where
    # localizable) or binary (v) columns, the numbers' by none: theirs is
    # left empty, their range given instead. Every foreign key (a column
    # named with a closing _, or _Parent) names its key tables, and every
    # value in it is a key there; a Version may be a version instead, and a
    # locator's Signature_ is a search of its own.
    types='Text:s UpperCase:s LowerCase:s Integer:- DoubleInteger:- Time/Date:- Identifier:s Property:s Filename:s
      WildCardFilename:s Path:s Paths:s AnyPath:s DefaultDir:s RegPath:s Formatted:s FormattedSDDLText:s Template:s
      Condition:s Guid:s Version:s Language:s Binary:v CustomSource:s Cabinet:s Shortcut:s'
    for name in $(msiinfo tables "$1" | grep -vxe _ForceCodepage -e _SummaryInformation); do
      # A table with a binary column writes its streams into the current folder.
      (cd "$work" && msiinfo export "$1" "$name") | tr -d '\r' | sed "s/^/$name\t/"
    done | awk -F'\t' -v types="$types" 'BEGIN { n = split(types, list, /[ \n]+/); for (i = 1; i <= n; i++) if (split(list[i], p, ":") == 2) held[p[1]] = p[2] }
      $1 != t { t = $1; line = 0 } { line++ }
      line == 1 { for (i = 2; i <= NF; i++) name[t, i - 1] = $i; next }
      line == 2 { for (i = 2; i <= NF; i++) { type[t, name[t, i - 1]] = tolower(substr($i, 1, 1)) ($i ~ /^[A-Z]/ ? "Y" : "N"); columns[t, name[t, i - 1]] = i - 1 } next }
      line == 3 { next }
      { rows[t]++; for (i = 2; i <= NF; i++) { cell[t, rows[t], i - 1] = $i; key[t, i - 1, $i] = 1 } }
      t == "_Validation" { described[$2, $3] = $4; category[$2, $3] = $9; keys[$2, $3] = $7; keycolumn[$2, $3] = $8 }
      END {
        for (c in type) {
          split(c, tc, SUBSEP)
          if (!((tc[1], tc[2]) in described) || described[c] != substr(type[c], 2)) print "not so in _Validation: " tc[1] "\t" tc[2] "\t" substr(type[c], 2)
          kind = substr(type[c], 1, 1); if (kind == "l") kind = "s"
          if (category[c] != "" && held[category[c]] != kind) print "not a category of its column: " tc[1] "." tc[2] " " category[c]
          if (tc[2] ~ /(_|_Parent)$/ && keys[c] == "" && !(tc[2] == "Signature_" && tc[1] ~ /Locator$/)) print "no key table: " tc[1] "." tc[2]
          if (keys[c] == "") continue
          n = split(keys[c], k, ";")
          for (r = 1; r <= rows[tc[1]]; r++) {
            v = cell[tc[1], r, columns[c]]; found = v == "" || category[c] == "Version" && v ~ /^[0-9.]+$/
            for (i = 1; i <= n && !found; i++) found = (k[i], keycolumn[c], v) in key
            if (!found) print "not a key in " keys[c] ": " tc[1] "." tc[2] " " v
          } } }'
    # Nothing of the 64-bit view in a 32-bit package (ICE80): no 64-bit
    # component (256) and no search there (16).
    if msiinfo suminfo "$1" | grep -qx 'Template: Intel;1033'; then
      table "$1" Component | awk -F'\t' 'int($4 / 256) % 2 { print "64-bit component " $1 }'
      table "$1" RegLocator | awk -F'\t' 'int($5 / 16) % 2 { print "64-bit search " $1 }'
    fi
    # Every change a custom action makes (deferred, 1024, neither rollback,
    # 256, nor commit, 512) comes after the copies of what it may change and
    # the rollbacks that put them back, which run whenever rollback is enabled.
    for name in CustomAction InstallExecuteSequence; do table "$1" $name | sed "s/^/$name\t/"; done |
      awk -F'\t' '$1 == "CustomAction" { type[$2] = $3 } $1 == "InstallExecuteSequence" && int(type[$2] / 1024) % 2 {
          if ($2 ~ /^Save/ || int(type[$2] / 256) % 4) { if ($3 != "NOT RollbackDisabled") print "not always copied or rolled back: " $2; if ($4 > last) last = $4 }
          else change[$2] = $4 }
        END { for (c in change) if (change[c] <= last) print "not rolled back: " c }'
    [ "$(file_version "$2")" = "$3" ] && table "$1" File | grep -qP "^BackdropCarousel\\.exe\t.*\t\Q$3\E\t1033\t" || echo "not version $3"
  }
  for package in user-x86 user-x64 machine-x86 machine-x64; do
    scope=${package%-*} platform=${package#*-} msi=$work/$package.msi
    pack_installer "${exe[$platform]}" "$msi" $scope $platform 0
    problems=$(validate "$msi" "${exe[$platform]}" "$(project_version).0")
    [ -z "$problems" ] || fail "$package.msi would not pass validation or has the wrong version: $problems"
    [[ $'\n'$(table "$msi" File | cut -f1)$'\n' == *$'\nADMINISTRATORS.txt\n'* ]] || fail "$package.msi lacks the administrators' guide"
    # Wine always installs as administrator: that a per-user package needs
    # no elevation shows in its word count (bit 3, 8, beside 2, compressed)
    # and in no ALLUSERS; a per-machine one sets ALLUSERS=1.
    declared="$(msiinfo suminfo "$msi" | sed -n 's/^Source: \([0-9]*\) .*/\1/p') $(property "$msi" ALLUSERS)$(property "$msi" MSIINSTALLPERUSER)"
    [ "$declared" = "$([ $scope = user ] && echo '10 ' || echo '2 1')" ] || fail "$package.msi declares $declared"
  done
  # An older version is an older program: the same code with an older version.
  old_exe=$(build_older_program)
  pack_installer "$old_exe" "$work/old.msi" user x64 0 2.1.0
  [ -z "$(validate "$work/old.msi" "$old_exe" 2.1.0.0)" ] || fail "old.msi does not record version 2.1.0.0"

  # Arguments in any script reach Wine whole in a UTF-8 locale; no menu
  # entries on the Linux desktop for the packages' shortcuts.
  export WINEPREFIX=$(repo_root)/build/$1-wineprefix WINEARCH=win64 WINEDEBUG=-all LC_ALL=C.UTF-8 \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  # A run that stopped half-way may have left something installed.
  [ ! -e "$WINEPREFIX/unfinished" ] || rm -rf "$WINEPREFIX"
  [ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1 && wineserver -w; }
  touch "$WINEPREFIX/unfinished"
  # Set first, so that a display that started without its window manager ends too.
  trap 'wineserver -k 2>/dev/null || true; kill ${XVFB_PID:-} 2>/dev/null || true; rm -rf "$work"' EXIT
  [ -n "${DISPLAY:-}" ] || start_virtual_display
  # Wine's cmd leaves the output of a command that for /f reads (win32.sql)
  # in a temporary file; Windows' reads it from a pipe.
  wine_cmd_output='./users/*/Temp/CMD*.tmp'
  files=$(cd "$WINEPREFIX/drive_c" && find . -type f ! -path "$wine_cmd_output" | sort)
  # Silent (/qn) unless ui= asks for the interactive install a double-click gives.
  msi() { wine msiexec "$1" "$(windows_path "$2")" "${@:3}" ${ui-/qn} >/dev/null 2>&1; }
  window() { timeout 10 sh -c 'until xwininfo -name "BackdropCarousel - v2.0"; do sleep 0.2; done' >/dev/null 2>&1; }
  entry() { wine reg query "HKLM\\${run%Run}Uninstall\\$(property "$1" ProductCode)" /reg:"$2" | tr -d '\r' | sed -n 's/^ *//; s/  */ /g; / REG_/p'; }
  run_value() { wine reg query "$1\\$run" /v BackdropCarousel /reg:$2 | tr -d '\r' | sed -n 's/.*REG_SZ *//p'; }
  run_values() { for key in "HKCU\\$run /reg:64" "HKLM\\$run /reg:64" "HKLM\\$run /reg:32"; do
    wine reg "$1" ${key% *} /v BackdropCarousel ${key##* } "${@:2}" >/dev/null 2>&1 || return; done; }
  # What the program leaves: its Run values name it (the command line, $2).
  # Not set*.tmp, which the program removes itself unless stopped half-way:
  # Wine's msiexec leaves the RemoveFile rows with wildcards out.
  # Task Manager's switches of the Run values, in the 64-bit view: "switch_off
  # ROOT SUBKEY" turns one off; switched counts those there.
  approved='Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved'
  off=030000000000000000000000
  switch_off() { wine reg add "$1\\$approved\\$2" /v BackdropCarousel /t REG_BINARY /d $off /reg:64 /f >/dev/null 2>&1; }
  switched() { for root in HKCU HKLM; do wine reg query "$root\\$approved" /s /reg:64 2>/dev/null; done | grep -c BackdropCarousel; }
  # The machine-wide switches, as Run=DATA Run32=DATA; every machine-wide
  # Run value and switch there is, as reg.exe lists them.
  switches() { for key in Run Run32; do printf '%s=%s ' $key "$(wine reg query "HKLM\\$approved\\$key" /v BackdropCarousel /reg:64 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_BINARY *//p')"; done; }
  startup() { wine cmd /d /c "reg query HKCU\\$run & reg query HKLM\\$run /reg:64 & reg query HKLM\\$run /reg:32 & reg query HKLM\\$approved /s /reg:64" 2>&1 || :; }
  # The package (NAME.msi) made to fail at its very end, after every change
  # it makes, into NAME-fails.msi: Windows Installer then rolls them back,
  # from copies that start clean of what an earlier installation left there.
  failing() { for root in HKCU HKLM; do wine reg add "$root\\Software\\BackdropCarouselRollback\\Keys\\Run" /v Stale /reg:64 /f >/dev/null 2>&1 || return; done
    cp "$work/$1.msi" "$work/$1-fails.msi" && msibuild "$work/$1-fails.msi" -q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('Fail', 3106, 'SystemFolder', '\"[SystemFolder]cmd.exe\" /d /c exit 1')" &&
    msibuild "$work/$1-fails.msi" -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('Fail', 6599)"; }
  leftovers() { touch "$1/settings.ini.bak" "$profile/Temp/BackdropCarousel settings.ini"{,.bak}; run_values add /d "$2" /f &&
    switch_off HKCU Run && switch_off HKLM Run && switch_off HKLM Run32; }

  # The installers' test runs as two, side by side, each in a prefix of its
  # own: the moves of the Run value between the per-machine packages take
  # as long as the rest.
  if [ "$1" = installer ]; then
    # The per-user package, installed as a double-click does: its files,
    # shortcut and Apps & features entry, the program's window at the end, and
    # the program started from the shortcut.
    profile=$WINEPREFIX/drive_c/users/$(id -un)
    folder=$profile/AppData/Local/Programs/BackdropCarousel
    shortcut="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/BackdropCarousel.lnk"
    ui= msi /i "$work/user-x64.msi" || fail "the per-user package did not install"
    cmp -s "$3" "$folder/BackdropCarousel.exe" && ls "$folder"/{README,ADMINISTRATORS,CHANGELOG,LICENSE}.txt "$shortcut" >/dev/null ||
      fail "the per-user package did not install its files and shortcut"
    [ "$(entry "$work/user-x64.msi" 64 | grep -cxF -e "DisplayName REG_SZ BackdropCarousel" -e "NoModify REG_DWORD 0x1" \
      -e "DisplayVersion REG_SZ $(project_version)" -e "Publisher REG_SZ The BackdropCarousel developers" \
      -e "InstallLocation REG_SZ C:\\users\\$(id -un)\\AppData\\Local\\Programs\\BackdropCarousel\\")" = 5 ] || fail "Apps & features: $(entry "$work/user-x64.msi" 64)"
    window && wineserver -k || fail "the interactive install did not end with the program's window"
    wine start "$(winepath -w "$shortcut")" >/dev/null 2>&1 && window || fail "the Start menu shortcut does not start the program"
    wineserver -k
    # Wine forgets a version's upgrade code when an upgrade removes the version
    # before it, so the older package is refused here, before the upgrade.
    ! msi /i "$work/old.msi" && [ -z "$(entry "$work/old.msi" 64)" ] || fail "an older version installed over the newer one"
    msi /x "$work/user-x64.msi" && msi /i "$work/old.msi" && cmp -s "$old_exe" "$folder/BackdropCarousel.exe" || fail "the older package did not install"
    # The user's own settings.ini and Run values outlive the upgrade.
    printf '[Settings]\r\nwallpaperDir=C:\\Mine\r\n' | tee "$work/settings.ini" > "$folder/settings.ini"
    leftovers "$folder" "C:\\users\\$(id -un)\\AppData\\Local\\Programs\\BackdropCarousel\\BackdropCarousel.exe"
    msi /i "$work/user-x64.msi" && [ -z "$(entry "$work/old.msi" 64)" ] && cmp -s "$3" "$folder/BackdropCarousel.exe" || fail "the upgrade did not replace the older version"
    # No process of the program (Wine names it by its path) in this prefix.
    ! grep -qzxF "WINEPREFIX=$WINEPREFIX" $(pgrep -f '^C:.*\\BackdropCarousel\.exe$' | sed 's|.*|/proc/&/environ|') /dev/null 2>/dev/null ||
      fail "a silent upgrade started the program"
    cmp -s "$work/settings.ini" "$folder/settings.ini" && run_values query || fail "the upgrade lost settings.ini or a Run value"
    msi /x "$work/user-x64.msi" && [ ! -e "$folder" ] && [ ! -e "$shortcut" ] || fail "the per-user package did not uninstall"

    # The machine-wide packages: the 64-bit one with every property, the 32-bit
    # one with some, each in its own folder and registry view.
    name='\\server\Обои 壁纸 🌄'
    # Presets the program would refuse at every start are refused before
    # anything is installed.
    for refused in INTERVAL=2 "INTERVAL=1 UNIT=Seconds"; do
      ! msi /i "$work/machine-x64.msi" $refused && [ ! -e "$WINEPREFIX/drive_c/Program Files/BackdropCarousel" ] ||
        fail "machine-x64.msi installed with $refused"
    done
    for platform in x64 x86; do
      dir='Program Files' view=64 presets=(FOLDER="$name" INTERVAL=10 UNIT=Minutes STYLE=Stretch ROTATE_AT_STARTUP=1)
      keys=("wallpaperDir=$name" rotationInt=10 rotationIntType=1 wallpaperMode=2 rotateAtStartup=1)
      [ $platform = x64 ] || dir='Program Files (x86)' view=32 presets=(FOLDER="$name" INTERVAL=3 UNIT=seconds STYLE=tile) \
        keys=("wallpaperDir=$name" rotationInt=3 rotationIntType=0 wallpaperMode=1)
      folder=$WINEPREFIX/drive_c/$dir/BackdropCarousel
      switch_off HKLM "Run${view#64}"
      msi /i "$work/machine-$platform.msi" "${presets[@]}" START_WITH_WINDOWS=1 && [ "$(switched)" = 0 ] ||
        fail "machine-$platform.msi did not install, or left its Run value switched off"
      { printf '\xff\xfe'; printf '%s\r\n' '[Settings]' "${keys[@]}" | iconv -f UTF-8 -t UTF-16LE; } > "$work/settings.ini"
      cmp -s "$work/settings.ini" "$folder/settings.ini" || fail "machine-$platform.msi did not write ${keys[*]} as UTF-16LE"
      command="\"C:\\$dir\\BackdropCarousel\\BackdropCarousel.exe\""
      [ "$(run_value HKLM $view)" = "$command" ] || fail "machine-$platform.msi did not write the Run value in the $view-bit registry view"
      leftovers "$folder" "$command"
      msi /x "$work/machine-$platform.msi" && [ ! -e "$folder" ] && [ "$(switched)" = 0 ] ||
        fail "machine-$platform.msi did not uninstall"
    done

    # Uninstalling leaves a Run value that names another copy.
    zip_copy='D:\Tools\BackdropCarousel.exe'
    msi /i "$work/user-x64.msi" && run_values add /d "$zip_copy" /f && msi /x "$work/user-x64.msi" &&
      [ "$(run_value HKCU 64)$(run_value HKLM 64)$(run_value HKLM 32)" = "$zip_copy$zip_copy$zip_copy" ] ||
      fail "uninstalling removed another copy's Run values"
    run_values delete /f
  else
    # Replacing the other architecture's per-machine package moves the Run
    # value to the new program, unless START_WITH_WINDOWS=0 removes it. Task
    # Manager's switches are kept under keys that Windows has from the start.
    for key in Run Run32; do wine reg add "HKLM\\$approved\\$key" /reg:64 /f >/dev/null 2>&1; done
    x86='"C:\Program Files (x86)\BackdropCarousel\BackdropCarousel.exe"' x64='"C:\Program Files\BackdropCarousel\BackdropCarousel.exe"'
    # Moved with the value, a switch that Task Manager turned off stays off.
    # A move that fails at the end leaves every value and switch as it was.
    msi /i "$work/machine-x86.msi" START_WITH_WINDOWS=1 && switch_off HKLM Run32 && before=$(startup) && failing machine-x64 &&
      ! msi /i "$work/machine-x64-fails.msi" && [ "$(startup)" = "$before" ] ||
      fail "a failed move did not roll back the Run values and switches: $(diff <(echo "$before") <(startup))"
    # (Wine's rollback forgets the replaced package's upgrade code: installed again.)
    msi /x "$work/machine-x86.msi" && msi /i "$work/machine-x86.msi" START_WITH_WINDOWS=1 && switch_off HKLM Run32 &&
      msi /i "$work/machine-x64.msi" && [ "$(run_value HKLM 64)/$(run_value HKLM 32)" = "$x64/" ] ||
      fail "the Run value did not move to the 64-bit program"
    [ "$(switches)" = "Run=$off Run32= " ] || fail "the switch did not move with the Run value: $(switches)"
    # (Wine's msiexec finds no product to replace after an upgrade: uninstalled first.)
    msi /x "$work/machine-x64.msi" && msi /i "$work/machine-x86.msi" START_WITH_WINDOWS=1 &&
      wine reg add "HKLM\\$run" /v BackdropCarousel /d "$x64" /reg:64 /f >/dev/null 2>&1 &&
      msi /i "$work/machine-x64.msi" START_WITH_WINDOWS=0 && [ "$(run_value HKLM 64)/$(run_value HKLM 32)" = / ] ||
      fail "START_WITH_WINDOWS=0 left a Run value"
    msi /x "$work/machine-x64.msi" && msi /i "$work/machine-x64.msi" START_WITH_WINDOWS=1 ||
      fail "machine-x64.msi did not uninstall and install again"
    # The 32-bit package, which may not search the 64-bit registry view, moves
    # the 64-bit program's value too, to the 32-bit view where it writes its own.
    switch_off HKLM Run && before=$(startup) && failing machine-x86 && ! msi /i "$work/machine-x86-fails.msi" &&
      [ "$(startup)" = "$before" ] || fail "a failed move to the 32-bit program did not roll back: $(diff <(echo "$before") <(startup))"
    msi /x "$work/machine-x64.msi" && msi /i "$work/machine-x64.msi" START_WITH_WINDOWS=1 && switch_off HKLM Run &&
      msi /i "$work/machine-x86.msi" && [ "$(run_value HKLM 64)/$(run_value HKLM 32)" = "/$x86" ] &&
      [ "$(switches)" = "Run= Run32=$off " ] && msi /x "$work/machine-x86.msi" &&
      [ "$(run_value HKLM 64)/$(run_value HKLM 32)/$(switches)" = "//Run= Run32= " ] ||
      fail "the Run value and its switch did not move to the 32-bit program, or stayed: $(switches)"
  fi

  # The registry reaches system.reg and user.reg when the server ends.
  wineserver -k || true
  wineserver -w
  [ "$(cd "$WINEPREFIX/drive_c" && find . -type f ! -path "$wine_cmd_output" | sort)" = "$files" ] || fail "uninstalling left files behind"
  ! grep -il backdropcarousel "$WINEPREFIX"/*.reg || fail "uninstalling left the registry entries above"
  rm "$WINEPREFIX/unfinished"

  # The rest is the first part's.
  [ "$1" = installer ] || exit 0
  # The 32-bit machine package on 32-bit Windows, in a 32-bit prefix of its
  # own: one machine-wide Run key, whose switch is under Run.
  export WINEPREFIX=$WINEPREFIX-win32 WINEARCH=win32
  [ ! -e "$WINEPREFIX/unfinished" ] || rm -rf "$WINEPREFIX"
  [ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1 && wineserver -w; }
  touch "$WINEPREFIX/unfinished"
  folder="$WINEPREFIX/drive_c/Program Files/BackdropCarousel" command='"C:\Program Files\BackdropCarousel\BackdropCarousel.exe"'
  switch_off HKLM Run
  msi /i "$work/machine-x86.msi" START_WITH_WINDOWS=1 && [ "$(run_value HKLM 32)" = "$command" ] && [ "$(switched)" = 0 ] ||
    fail "machine-x86.msi did not write its Run value switched on, on 32-bit Windows"
  run_values add /d "$command" /f && switch_off HKCU Run && switch_off HKLM Run
  msi /x "$work/machine-x86.msi" && [ ! -e "$folder" ] && [ "$(switched)" = 0 ] &&
    [ -z "$(run_value HKCU 32)$(run_value HKLM 32)" ] || fail "machine-x86.msi did not uninstall on 32-bit Windows"
  rm "$WINEPREFIX/unfinished"

  # The packages' winget manifests against winget's schemas, and each installer's
  # address naming the package whose SHA-256, codes, scope and architecture
  # it gives.
  mkdir "$work/release"
  for package in user-x86 user-x64 machine-x86 machine-x64; do
    name=$([ "${package#*-}" = x86 ] && echo win32 || echo win64)-${package%-*}
    ln -s "$work/$package.msi" "$work/release/BackdropCarousel-$(project_version)-$name.msi"
  done
  write_winget_manifests "$work/release" owner/name
  /usr/bin/python3 - "$work/release" "$(repo_root)/tests/schemas/winget-1.10.0" "$(project_version)" <<'CHECK' ||
import hashlib, json, subprocess, sys, jsonschema, yaml
folder, schemas, version = sys.argv[1:]
manifests = {}
for kind, suffix in (('version', ''), ('defaultLocale', '.locale.en-US'), ('installer', '.installer')):
    with open(f'{folder}/winget/BackdropCarousel.BackdropCarousel{suffix}.yaml') as text:
        manifests[kind] = json.loads(json.dumps(yaml.safe_load(text), default=str))
    with open(f'{schemas}/manifest.{kind}.1.10.0.json') as schema:
        jsonschema.Draft7Validator(json.load(schema)).validate(manifests[kind])
    assert manifests[kind]['PackageVersion'] == version, manifests[kind]
assert 'wallpaper' in manifests['defaultLocale']['Tags'], manifests['defaultLocale']
packages = set()
for installer in manifests['installer']['Installers']:
    url, name = installer['InstallerUrl'].rsplit('/', 1)
    assert url == f'https://github.com/owner/name/releases/download/v{version}', url
    with open(f'{folder}/{name}', 'rb') as msi:
        assert installer['InstallerSha256'] == hashlib.sha256(msi.read()).hexdigest().upper(), name
    code = next(line.split('\t')[1] for line in subprocess.run(['msiinfo', 'export', f'{folder}/{name}', 'Property'],
        capture_output=True, text=True, check=True).stdout.splitlines() if line.startswith('ProductCode\t'))
    entry = installer['AppsAndFeaturesEntries'][0]
    assert installer['ProductCode'] == entry['ProductCode'] == code and entry['DisplayVersion'] == version, name
    assert name.endswith(f"-{'win32' if installer['Architecture'] == 'x86' else 'win64'}-{installer['Scope']}.msi"), name
    packages.add(name)
assert len(packages) == 4, packages
CHECK
    fail "the winget manifests do not describe the packages"
  ;;
esac
