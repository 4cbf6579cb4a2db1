#!/bin/sh
# Verifies the systemd units of UNIT_DIR with their ExecStart pointed at BINARY (the units name
# the installed program). systemd-analyze only warns about a key it cannot parse, so any word
# from it fails the check.
set -eu
unit_dir=$1 binary=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for unit in "$unit_dir"/*.service "$unit_dir"/*.timer; do
  sed "s#^ExecStart=/usr/bin/quorvex-monitor #ExecStart=$binary #" "$unit" > "$work/$(basename "$unit")"
done
out=$(systemd-analyze verify "$work"/* 2>&1)
[ -z "$out" ] || { echo "$out" >&2; exit 1; }
