#!/usr/bin/env bash
# lintian.sh DIR: lintian finds no error in the package that install_deb made.
set -euo pipefail
command -v lintian >/dev/null || { echo "lintian is missing: skipped"; exit 77; }
shopt -s nullglob
debs=("$1"/dyskel_*.deb)
[ ${#debs[@]} -gt 0 ] || { echo "install_deb made no package: skipped"; exit 77; }
rc=0
out=$(lintian --fail-on error --tag-display-limit 0 "${debs[0]}" 2>&1) || rc=$?
printf '%s\n' "$out" | grep -v 'root privileges' || true
exit "$rc"
