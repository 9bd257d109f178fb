#!/usr/bin/env bash
# `cmake --install` with DESTDIR (what `make install` runs) puts the program
# and its manual page, and nothing else, under <DESTDIR>/usr/local.
#
# Usage: install_test.sh <cmake> <build dir> <source dir>
set -u
cmake=$1
build=$2
source_dir=$3
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

DESTDIR=$stage "$cmake" --install "$build" --prefix /usr/local >/dev/null || fail "cmake --install failed"

program=$stage/usr/local/bin/ostrane
manual=$stage/usr/local/share/man/man1/ostrane.1
[ -x "$program" ] || fail "no executable $program"
cmp -s "$manual" "$source_dir/docs/ostrane.1" || fail "$manual is not docs/ostrane.1"
installed=$(cd "$stage" && find . -type f | sort | tr '\n' ' ')
[ "$installed" = "./usr/local/bin/ostrane ./usr/local/share/man/man1/ostrane.1 " ] ||
    fail "installed files: $installed"
# Without arguments the installed program shows its banner.
[ -x "$program" ] && { "$program" | grep -q '^Ostrane'; } || fail "the installed program does not run"

[ "$failures" = 0 ] && echo "install: bin/ostrane and share/man/man1/ostrane.1 in place"
[ "$failures" = 0 ]
