#!/usr/bin/env bash
# Signs an installer with Authenticode: sign.sh <certificate.pem> <key.pem> <in.exe> <out.exe>.
# Sign after packing: packing writes into the executable and would break the signature, and the
# packing tool refuses a signed executable for that reason.
set -euo pipefail
certificate=$1
key=$2
input=$3
output=$4
osslsigncode sign -certs "$certificate" -key "$key" -h sha256 \
  -n "Veltrin Installer" -i "http://www.veltrin.example/" \
  -in "$input" -out "$output.signing" >/dev/null
mv "$output.signing" "$output"
