#!/usr/bin/env bash
# A signed installer: the signature verifies, the signed program still extracts every product
# file, and the packing tool refuses to pack into it.
# Usage: signed-install.sh <packed round-trip test program> <packing tool> <payload folder>
set -uo pipefail
program=$1
packer=$2
payload=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$here/../harness/runnable" "$program" || exit
work=$(mktemp -d /tmp/kst-signed.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
check() {
  if "$@"; then echo "ok: ${description}"; else echo "FAILED: ${description}"; failures=$((failures + 1)); fi
}

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Veltrin Test Signing" \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
"$here/../../scripts/sign.sh" "$work/cert.pem" "$work/key.pem" "$program" "$work/signed.exe"

description="the signature verifies against the signing certificate"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed.exe" >"$work/verify.txt" 2>&1
check grep -q "Signature verification: ok" "$work/verify.txt"

description="the signed program extracts every file byte for byte"
check /usr/lib/wine/wine64 "$work/signed.exe" --gtest_brief=1

description="the packing tool refuses a signed executable and leaves no output"
if "$packer" "$work/signed.exe" "$payload" "$work/repacked.exe" >"$work/pack.txt" 2>&1; then
  check false
else
  check grep -qi "signed" "$work/pack.txt"
fi
[[ ! -e $work/repacked.exe ]] || { echo "FAILED: an output was written"; failures=$((failures + 1)); }

echo "$failures failures"
((failures == 0))
