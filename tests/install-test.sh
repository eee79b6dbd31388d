#!/usr/bin/env bash
# Installs the built program into a temporary prefix made read-only, starts
# it from there as a learner would (its own home and configuration home),
# ends it with SIGTERM and checks that it found its runtime libraries and kept
# its profile and playlist in the configuration home, not beside itself; then
# validates the installed menu entry.
# Usage: install-test.sh BUILD_DIR [FILE]  (FILE: handed to the program, and
# expected as the only playlist item)
set -euo pipefail
build=$1
file=${2:-}
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
prefix="$work/prefix"
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" > /dev/null
for installed in bin/quillmere lib/quillmere/libquillmere_audio.so lib/quillmere/libquillmere_tempo.so \
    share/applications/quillmere.desktop share/icons/hicolor/scalable/apps/quillmere.svg \
    lib/udev/rules.d/60-quillmere-pedal.rules; do
  [ -f "$prefix/$installed" ] || fail "$installed is not installed"
done
[ -z "$(find "$prefix" -name '*_tests' -o -name '*_bench' -o -name '*_helper')" ] || fail "tests installed"
desktop-file-validate "$prefix/share/applications/quillmere.desktop"
chmod -R a-w "$prefix"

mkdir -p "$work/home" "$work/config" "$work/run" "$work/tmp"
chmod 700 "$work/run"
# A runtime folder and temporary folder of its own: no other copy (a
# developer's) takes the start over.
HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/run" \
  TMPDIR="$work/tmp" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
  "$prefix/bin/quillmere" ${file:+"$file"} > "$work/output.txt" 2>&1 &
pid=$!
sleep 5
kill -0 "$pid" 2> /dev/null || { cat "$work/output.txt"; fail "the program ended by itself"; }
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
cat "$work/output.txt"
[ "$status" -eq 0 ] || fail "the program ended with $status after SIGTERM"

config="$work/config/quillmere"
[ -f "$config/quillmere.ini" ] || fail "no profile in $config"
[ -f "$config/Playlist.Qpl" ] || fail "no playlist in $config"
[ -z "$(find "$prefix" -name '*.ini' -o -name '*.Qpl')" ] || fail "files written into the prefix"
if [ -n "$file" ]; then
  grep -qxF "$file" <(tr -d '\r' < "$config/Playlist.Qpl") || fail "$file is not the playlist's item"
fi
echo "installed program kept its files in $config"
