#!/usr/bin/env bash
# The dependency step (tools/deps.sh) on simulated machines, then the
# program's configuration on a machine without GoogleTest.
#
# Each simulated machine is a PATH of one folder that holds only the tools the
# case grants, plus stand-ins: `id` tells the user (root or not), `sudo` runs
# its command or wants a password, `apt-get` and `dnf` log what they are asked
# and "install" a package by granting the real tool.  GoogleTest is hidden by
# a compiler wrapper whose include path starts with a gtest/gtest.h that is an
# error.  The real package managers are never on such a PATH.
#
# Usage: deps_test.sh <source dir>
set -u
source_dir=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset MAKEFLAGS MFLAGS MAKELEVEL CXX
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

real() {
    local found
    found=$(type -P "$1") || {
        echo "deps_test: $1 is not on the PATH" >&2
        exit 1
    }
    echo "$found"
}
real_cxx=$(real c++)
real_cmake=$(real cmake)
real_make=$(real make)
real_ln=$(real ln)
real_rm=$(real rm)

# Builds the machine of one case in $machine/bin.  Grants: make, cmake,
# oldcmake (a cmake 3.16), cxx (a C++20 compiler as c++), oldcxx (a C++17
# one), nogtest (GoogleTest hidden from the compiler), root, sudo (without a
# password), sudo-password, apt, dnf.
build_machine() {
    machine=$1
    shift
    local bin=$machine/bin tool grant uid=1000
    mkdir -p "$bin" "$machine/poison/gtest"
    : >"$machine/log"
    for tool in bash env mktemp rm cat true as ld nproc; do
        ln -s "$(real "$tool")" "$bin/$tool"
    done
    echo '#error GoogleTest is not installed' >"$machine/poison/gtest/gtest.h.off"
    for grant in "$@"; do
        case $grant in
        make) ln -s "$real_make" "$bin/make" ;;
        cmake) ln -s "$real_cmake" "$bin/cmake" ;;
        oldcmake) printf '#!/bin/sh\necho "cmake version 3.16.3"\n' >"$bin/cmake" ;;
        cxx) printf '#!/bin/sh\nexec %s -I%s "$@"\n' "$real_cxx" "$machine/poison" >"$bin/c++" ;;
        oldcxx) printf '#!/bin/sh\nexec %s "$@" -std=c++17\n' "$real_cxx" >"$bin/c++" ;;
        nogtest) mv "$machine/poison/gtest/gtest.h.off" "$machine/poison/gtest/gtest.h" ;;
        root) uid=0 ;;
        sudo) printf '#!/bin/sh\n[ "$1" = -n ] && shift\nFAKE_VIA=sudo exec "$@"\n' >"$bin/sudo" ;;
        sudo-password) printf '#!/bin/sh\necho "sudo: a password is required" >&2\nexit 1\n' >"$bin/sudo" ;;
        apt | dnf)
            local name=apt-get
            [ "$grant" = dnf ] && name=dnf
            cat >"$bin/$name" <<FAKE
#!/bin/sh
echo "\${FAKE_VIA:-root}: $name \$*" >>"$machine/log"
for package in "\$@"; do
    case \$package in
    cmake) $real_ln -sf "$real_cmake" "$bin/cmake" ;;
    make) $real_ln -sf "$real_make" "$bin/make" ;;
    g++ | gcc-c++) $real_ln -sf "$real_cxx" "$bin/g++" ;;
    libgtest-dev | gtest-devel) $real_rm -f "$machine/poison/gtest/gtest.h" ;;
    esac
done
FAKE
            ;;
        *)
            echo "deps_test: unknown grant $grant" >&2
            exit 1
            ;;
        esac
    done
    printf '#!/bin/sh\necho %s\n' "$uid" >"$bin/id"
    chmod +x "$bin"/*
}

# Case table: mode | grants | exit status | what it prints (one line or
# nothing) | the package manager's log, entries separated by "; ".
cases=(
    "program | make cmake cxx | 0 | | "
    "tests | make cmake cxx root apt | 0 | | "
    "program | make cxx sudo-password apt | 1 | ostrane: missing cmake; run: sudo apt-get update && sudo apt-get install -y cmake | "
    "tests | make cxx nogtest apt | 1 | ostrane: missing cmake, GoogleTest; run: su -c 'apt-get update && apt-get install -y cmake libgtest-dev' | "
    "program | cmake cxx nogtest sudo-password apt | 1 | ostrane: missing make; run: sudo apt-get update && sudo apt-get install -y make | "
    "tests | make cmake cxx nogtest root apt | 0 | ostrane: installing libgtest-dev with apt-get | root: apt-get update; root: apt-get install -y libgtest-dev"
    "tests | sudo apt | 0 | ostrane: installing make cmake g++ with apt-get | sudo: apt-get update; sudo: apt-get install -y make cmake g++"
    "tests | make cmake cxx nogtest sudo dnf | 0 | ostrane: installing gtest-devel with dnf | sudo: dnf install -y gtest-devel"
    "program | make cxx sudo-password dnf | 1 | ostrane: missing cmake; run: sudo dnf install -y cmake | "
    "program | make cxx | 1 | ostrane: missing cmake; install it with the system's package manager | "
    "program | make oldcmake cxx root apt | 1 | ostrane: cmake 3.16.3 is older than 3.20; install a newer cmake | "
    "program | make cmake oldcxx root apt | 1 | ostrane: c++ does not compile C++20 (g++ 11 or newer does); install one and set CXX | "
)

trim() {
    local text=$1
    text=${text#"${text%%[! ]*}"}
    echo "${text%"${text##*[! ]}"}"
}

number=0
for row in "${cases[@]}"; do
    number=$((number + 1))
    IFS='|' read -r mode grants status expected log <<<"$row"
    mode=$(trim "$mode")
    status=$(trim "$status")
    expected=$(trim "$expected")
    log=$(trim "$log")
    read -r -a grant_list <<<"$grants"
    build_machine "$work/case$number" "${grant_list[@]}"
    output=$(PATH="$machine/bin" "$source_dir/tools/deps.sh" "$mode" 2>&1)
    got_status=$?
    got_log=$(awk 'NR > 1 { printf "; " } { printf "%s", $0 }' "$machine/log")
    [ "$got_status" = "$status" ] || fail "case $number ($mode: $grants): status $got_status, expected $status"
    [ "$output" = "$expected" ] || fail "case $number ($mode: $grants): printed [$output], expected [$expected]"
    [ "$got_log" = "$log" ] || fail "case $number ($mode: $grants): package manager log [$got_log], expected [$log]"
done

# The make targets use the step: on a machine without cmake and GoogleTest
# where this user may not install, `make demo` asks for cmake alone, `make
# test` for both, and neither goes on to configure.
for row in "demo | ostrane: missing cmake; run: sudo apt-get update && sudo apt-get install -y cmake" \
    "test | ostrane: missing cmake, GoogleTest; run: sudo apt-get update && sudo apt-get install -y cmake libgtest-dev"; do
    IFS='|' read -r target expected <<<"$row"
    target=$(trim "$target")
    expected=$(trim "$expected")
    build_machine "$work/make-$target" make cxx nogtest sudo-password apt
    output=$(PATH="$machine/bin" make -s -C "$source_dir" "$target" BUILD="$machine/build" 2>&1)
    got_status=$?
    [ "$got_status" != 0 ] || fail "make $target succeeded without cmake"
    [ "$(head -n 1 <<<"$output")" = "$expected" ] || fail "make $target printed [$output], expected first [$expected]"
    [ ! -e "$machine/build" ] || fail "make $target configured without cmake"
done

# The program configures where GoogleTest cannot be found, and leaves the
# tests out; the tests cannot be configured there and say so.
build=$work/build
output=$(make -s -C "$source_dir" configure BUILD="$build" CMAKE_ARGS=-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON 2>&1) ||
    fail "make configure without GoogleTest failed: $output"
grep -q '^OSTRANE_TESTS:BOOL=OFF$' "$build/CMakeCache.txt" 2>/dev/null || fail "the program's build has the tests on"
[ ! -e "$build/tests" ] || fail "the program's build configured the tests"
output=$("$real_cmake" -S "$source_dir" -B "$build" -DOSTRANE_TESTS=ON -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON 2>&1) &&
    fail "the tests configured without GoogleTest"
grep -q GTest <<<"$output" || fail "configuring the tests without GoogleTest did not name it: $output"

[ "$failures" = 0 ] && echo "dependency step: all cases passed"
[ "$failures" = 0 ]
