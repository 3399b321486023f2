#!/usr/bin/env bash
# Signs programs and Windows Installer packages in place with an Authenticode
# signature, as Windows' SignTool writes it: a SHA-256 digest, and an RFC 3161
# time stamp, which keeps the signature valid after the certificate expires.
#   sign.sh FILE...
# The code-signing certificate and its key are in the PKCS#12 (PFX) file
# SIGNING_PFX, or in SIGNING_PFX_BASE64 as the file's base64 (as a GitHub
# secret holds it), whose password is SIGNING_PASSWORD; the time stamp comes
# from the server SIGNING_TIMESTAMP_URL, by default DigiCert's. A file that
# cannot be signed stops the script and stays as it was.
set -euo pipefail
[ -n "${SIGNING_PFX:-}${SIGNING_PFX_BASE64:-}" ] ||
  { echo "No certificate to sign with: neither SIGNING_PFX nor SIGNING_PFX_BASE64 is set." >&2; exit 1; }
timestamp=${SIGNING_TIMESTAMP_URL:-http://timestamp.digicert.com}
certificate() { if [ -n "${SIGNING_PFX:-}" ]; then cat -- "$SIGNING_PFX"; else base64 -d <<<"$SIGNING_PFX_BASE64"; fi; }
for file; do
  # The certificate and its password are read from pipes: neither is given
  # on the command line, where every process could read it, nor written to
  # a file that could outlast the signing.
  osslsigncode sign -pkcs12 <(certificate) -readpass <(printf '%s' "${SIGNING_PASSWORD:-}") -h sha256 \
    -n BackdropCarousel -i "https://github.com/${BACKDROP_REPOSITORY:-${GITHUB_REPOSITORY:-BackdropCarousel/BackdropCarousel}}" \
    -ts "$timestamp" -in "$file" -out "$file.signed" >/dev/null || { rm -f "$file.signed"; exit 1; }
  mv "$file.signed" "$file"
done
