#!/usr/bin/env bash
# Checks our settings-file reading against the Windows profile functions as
# Wine implements them (Wine follows Windows closely and is tested against
# it). Generates many small settings files of awkward lines in Windows-1250,
# UTF-8 and UTF-16, plus copies saved by our code with awkward values, looks
# a set of names up in each with GetPrivateProfileStringW under Wine and with
# our reader, and compares. By hand only, not in CI: it needs the Debian
# packages wine64 and gcc-mingw-w64-x86-64, which scripts/install-deps.sh
# does not install.
#
# Usage: scripts/wine-profile-check.sh [COUNT] [SEED]   (3000 and 1 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-3000}
seed=${2:-1}
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
for tool in x86_64-w64-mingw32-gcc g++ "$wine"; do
  command -v "$tool" >/dev/null || { echo "missing $tool: apt-get install wine64 gcc-mingw-w64-x86-64" >&2; exit 2; }
done

work=$(mktemp -d /tmp/varnex-wine-XXXXXX)
[ -n "${KEEP:-}" ] && echo "keeping $work" || trap 'rm -rf "$work"' EXIT
mkdir "$work/files"
x86_64-w64-mingw32-gcc -municode -O2 -Wall -Wextra -o "$work/profile_lookup.exe" tests/wine/ProfileLookup.c
g++ -std=c++20 -O2 -Wall -Wextra -Isrc -o "$work/profile_cases" \
  tests/wine/ProfileCases.cpp src/params/ProfileFile.cpp src/link/Codepage.cpp

"$work/profile_cases" generate "$work/files" "$count" "$seed"
"$work/profile_cases" read "$work/files" >"$work/ours.txt"
# A Hungarian locale makes Wine's 8-bit code page Windows-1250.
env WINEPREFIX="${WINEPREFIX:-$HOME/.cache/varnex-wine}" WINEDEBUG=-all LANG=hu_HU.UTF-8 LC_ALL=hu_HU.UTF-8 \
  "$wine" "$work/profile_lookup.exe" "Z:${work//\//\\}\\files" 2>/dev/null | tr -d '\r' >"$work/wine.txt"

lookups=$(wc -l <"$work/wine.txt")
[ "$lookups" -eq "$(wc -l <"$work/ours.txt")" ] || { echo "Wine gave $lookups answers, we gave $(wc -l <"$work/ours.txt")" >&2; exit 1; }
paste -d '\t' "$work/wine.txt" "$work/ours.txt" | awk -F '\t' '$1 != $2' >"$work/differ.txt"
# What Wine reads back from the files we saved, against what we wrote.
awk 'NR == FNR { want[$1 " " $2] = $0; next } ($1 " " $2) in want { n++; if (want[$1 " " $2] != $0) print $0 "\t" want[$1 " " $2] } END { print n > "/dev/stderr" }' \
  "$work/files/expected.txt" "$work/wine.txt" 2>"$work/written.count" >"$work/lost.txt"
# The one difference we keep on purpose: a value of exactly 2047 characters
# inside quotes. Wine cuts it to 2047 with the closing quote and then drops
# the quote, giving 2046; we drop the pair first, so that the longest text
# we write in quotes reads back whole. Lines: Wine's answer, then the other.
known() { awk -F '\t' '{ n = split($1, a, " "); m = split($2, b, " ")
  if (n == 3 + 2046 && m == 3 + 2047 && substr($2, 1, length($1)) == $1) k++; else print > "/dev/stderr" }
  END { print k + 0 }' "$1" 2>"$1.other"; }

files=$(wc -l <"$work/files/files.txt")
echo "files: $files ($(grep -c '^w' "$work/files/files.txt") of them saved by us), lookups compared: $lookups"
echo "lookups where Wine and our reader differ: $(wc -l <"$work/differ.txt") ($(known "$work/differ.txt") of them the 2047 characters in quotes)"
echo "values we wrote: $(cat "$work/written.count"), read back otherwise by Wine: $(wc -l <"$work/lost.txt") ($(known "$work/lost.txt") of them the 2047 characters in quotes)"
show() { [ -s "$1" ] && { echo "$2"; head -n 8 "$1" | cut -c1-300; }; return 0; }
show "$work/differ.txt.other" "other differences (Wine, then ours):"
show "$work/lost.txt.other" "other values read back otherwise (Wine, then written):"
[ ! -s "$work/differ.txt.other" ] && [ ! -s "$work/lost.txt.other" ]
