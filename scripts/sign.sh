#!/usr/bin/env bash
# Signs programs and Windows Installer packages in place with an Authenticode
# signature, as Windows' SignTool writes it: a SHA-256 digest, and an RFC 3161
# time stamp, which keeps the signature valid after the certificate expires.
#   sign.sh FILE...
# The code-signing certificate and its key are in the PKCS#12 (PFX) file
# SIGNING_PFX, whose password is SIGNING_PASSWORD; the time stamp comes from
# the server SIGNING_TIMESTAMP_URL, by default DigiCert's. A file that cannot
# be signed stops the script and stays as it was.
set -euo pipefail
[ -n "${SIGNING_PFX:-}" ] || { echo "No certificate to sign with: SIGNING_PFX is not set." >&2; exit 1; }
timestamp=${SIGNING_TIMESTAMP_URL:-http://timestamp.digicert.com}
for file; do
  # The password is read from a pipe, not given on the command line where
  # every process could read it.
  osslsigncode sign -pkcs12 "$SIGNING_PFX" -readpass <(printf '%s' "${SIGNING_PASSWORD:-}") -h sha256 \
    -n BackdropCarousel -i "https://github.com/${BACKDROP_REPOSITORY:-${GITHUB_REPOSITORY:-BackdropCarousel/BackdropCarousel}}" \
    -ts "$timestamp" -in "$file" -out "$file.signed" >/dev/null || { rm -f "$file.signed"; exit 1; }
  mv "$file.signed" "$file"
done
