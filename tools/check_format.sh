#!/usr/bin/env bash
# Fails, naming the files, when a C++ file of the repository is not formatted
# by .clang-format.  Run `clang-format -i <file>` to fix one.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null 2>&1; then
  echo "check_format: clang-format is not installed (apt-get install clang-format)" >&2
  exit 1
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h')
unformatted=()
for file in "${files[@]}"; do
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "check_format: not formatted by .clang-format (clang-format -i fixes them):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "check_format: ${#files[@]} files formatted"
