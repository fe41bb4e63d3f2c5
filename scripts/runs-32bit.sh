#!/usr/bin/env bash
# runs-32bit.sh [--wine]
#
# Exit code 0 when this machine runs 32-bit x86 programs: the kernel runs a tiny 32-bit Linux
# program (kernels differ here, and their options do not tell reliably), and with --wine, Wine's
# 32-bit loader is installed too. Otherwise prints the reason and exits with 1.
set -u

# A 32-bit ELF program of 96 bytes: one loadable segment whose code is exit(42) through int 0x80.
tiny_program='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'
tiny_program+='\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00'
tiny_program+='\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'
tiny_program+='\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
tiny_program+='\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'

work=$(mktemp -d "${TMPDIR:-/tmp}/kst-32bit.XXXXXX") || { echo "cannot make a temporary folder"; exit 1; }
trap 'rm -rf "$work"' EXIT
printf "$tiny_program" >"$work/tiny" && chmod +x "$work/tiny"
output=$("$work/tiny" 2>&1)
rc=$?
if ((rc != 42)); then
    echo "the kernel does not run 32-bit x86 programs (a tiny one ended with exit code $rc${output:+: $output})"
    exit 1
fi
if [[ ${1:-} == --wine && ! -x /usr/lib/wine/wine ]]; then
    echo "Wine's 32-bit loader (/usr/lib/wine/wine, package wine32:i386) is not installed"
    exit 1
fi
exit 0
