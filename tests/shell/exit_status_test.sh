#!/bin/sh
# The executable answers --help, --version and bad options before the toolkit starts: without
# any display, with the right status, and with a bad option's message and usage on stderr.
set -u
vantle=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
run() { env -u DISPLAY -u WAYLAND_DISPLAY "$vantle" "$@" >"$work/out" 2>"$work/err"; }

run --version || fail "--version exited with $?"
grep -qx 'Vantle [0-9]*\.[0-9]*\.[0-9]*' "$work/out" || fail "--version printed: $(cat "$work/out")"
run --help || fail "--help exited with $?"
head -n 1 "$work/out" | grep -q '^Usage: vantle' || fail "--help printed no usage"
grep -q '^Settings file: /' "$work/out" || fail "--help names no settings file"

for bad in --bogus --settings --start stray; do
    run $bad
    status=$?
    [ "$status" -eq 2 ] || fail "$bad exited with $status, not 2"
    [ ! -s "$work/out" ] || fail "$bad printed on stdout"
    head -n 1 "$work/err" | grep -q '^vantle: ' || fail "$bad: no one-line error first"
    sed -n 2p "$work/err" | grep -q '^Usage: vantle' || fail "$bad: no usage after the error"
done
echo "exit statuses as expected"
