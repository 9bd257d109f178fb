#!/usr/bin/env bash
# docs/ARCHITECTURE.md names only what exists: every path it quotes is a file
# or folder of the repository, every name a word of the code.
#
#   architecture_test.sh <source dir>
set -euo pipefail
cd "$1"
doc=docs/ARCHITECTURE.md
[ -f "$doc" ] || { echo "missing $doc"; exit 1; }
sources=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
missing=0
# Quoted spans: `...` outside the fenced arrow diagram.
while IFS= read -r span; do
  for word in $(echo "$span" | tr -s ' ,()' '\n\n\n\n'); do
    word=${word%...}
    [ -z "$word" ] && continue
    case "$word" in
      /[A-Z]*)  # a switch
        grep -q "\"$word" converter/ConvertSettings.cpp ||
          { echo "no such switch: $word"; missing=1; } ;;
      */*|*.h|*.cpp|*.md)  # a path, or a file named within its folder
        [ -e "$word" ] || [ -n "$(git ls-files "*/$word" "$word" 2>/dev/null)" ] ||
          { echo "no such file: $word"; missing=1; } ;;
      *)
        for part in $(echo "$word" | sed 's/::/ /g'); do
          # A whole word, or a prefix of names (ict..., QzI).
          grep -qw -- "$part" $sources || grep -qE -- "\b${part}[A-Z]" $sources ||
            { echo "no such name in the code: $part (from \`$span\`)"; missing=1; }
        done ;;
    esac
  done
done < <(sed '/^```/,/^```/d' "$doc" | grep -o '`[^`]*`' | tr -d '`' | sort -u)
exit $missing
