#!/usr/bin/env bash
# Makes sure this machine has what the build needs before make configures it.
#
#   tools/deps.sh program   make, cmake 3.20 or newer, a C++20 compiler
#   tools/deps.sh tests     the same and GoogleTest
#
# Silent when everything is there.  What is missing is installed with the
# system's package manager (apt-get, else dnf) when this user may do so: as
# root, or through sudo when sudo asks no password.  Otherwise the script
# prints one line naming the command that installs it and exits with 1.
# Nothing that is already there is installed again.
#
# The compiler is the one cmake will pick: $CXX when set, else the first of
# c++, g++ and clang++ on the PATH.
set -u

mode=${1:-program}
case $mode in
program | tests) ;;
*)
    echo "usage: $0 [program|tests]" >&2
    exit 2
    ;;
esac

cmake_major_needed=3
cmake_minor_needed=20

scratch=$(mktemp -d) || exit 1
trap 'rm -rf "$scratch"' EXIT

# The parts of C++20 (and of its library) that the sources rely on.
cat >"$scratch/probe.cpp" <<'EOF'
#include <bit>
#include <charconv>
#include <cstdint>
#include <string_view>
int main() {
    std::string_view text = "1.5";
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return text.starts_with('1') && std::bit_cast<std::uint64_t>(value) != 0 ? 0 : 1;
}
EOF

compiler=()     # command line of the compiler, empty when there is none
missing=()      # what is missing: make cmake compiler gtest
unfixable=""    # a present tool that installing cannot fix

find_compiler() {
    compiler=()
    if [ -n "${CXX:-}" ]; then
        local words
        read -r -a words <<<"$CXX"
        if command -v "${words[0]}" >/dev/null 2>&1; then
            compiler=("${words[@]}")
        fi
        return
    fi
    local name
    for name in c++ g++ clang++; do
        if command -v "$name" >/dev/null 2>&1; then
            compiler=("$name")
            return
        fi
    done
}

check_cmake() {
    if ! command -v cmake >/dev/null 2>&1; then
        missing+=(cmake)
        return
    fi
    local version
    version=$(cmake --version 2>/dev/null)
    version=${version#cmake version }
    version=${version%%$'\n'*}
    if [[ $version =~ ^([0-9]+)\.([0-9]+) ]]; then
        local major=${BASH_REMATCH[1]} minor=${BASH_REMATCH[2]}
        if ((major < cmake_major_needed || (major == cmake_major_needed && minor < cmake_minor_needed))); then
            unfixable="cmake $version is older than $cmake_major_needed.$cmake_minor_needed; install a newer cmake"
        fi
    fi
}

check_compiler() {
    find_compiler
    if [ ${#compiler[@]} -eq 0 ]; then
        missing+=(compiler)
        return
    fi
    if ! "${compiler[@]}" -std=c++20 -o "$scratch/probe" "$scratch/probe.cpp" >/dev/null 2>&1; then
        unfixable="${compiler[*]} does not compile C++20 (g++ 11 or newer does); install one and set CXX"
    fi
}

# With a compiler, the header must be found and the library linked; without
# one (it is about to be installed) the distribution's header is the sign.
check_gtest() {
    if [ ${#compiler[@]} -eq 0 ]; then
        [ -f /usr/include/gtest/gtest.h ] || missing+=(gtest)
        return
    fi
    if ! echo '#include <gtest/gtest.h>' | "${compiler[@]}" -std=c++20 -E -x c++ - >/dev/null 2>&1 ||
        ! echo 'int main() {}' | "${compiler[@]}" -x c++ - -o "$scratch/linked" -lgtest -pthread >/dev/null 2>&1; then
        missing+=(gtest)
    fi
}

check_all() {
    missing=()
    unfixable=""
    command -v make >/dev/null 2>&1 || missing+=(make)
    check_cmake
    check_compiler
    [ "$mode" = tests ] && check_gtest
}

# Names for people and for each package manager.
describe() {
    case $1 in
    compiler) echo "a C++20 compiler" ;;
    gtest) echo "GoogleTest" ;;
    *) echo "$1" ;;
    esac
}

package() {
    case $1:$2 in
    apt-get:compiler) echo g++ ;;
    apt-get:gtest) echo libgtest-dev ;;
    dnf:compiler) echo gcc-c++ ;;
    dnf:gtest) echo gtest-devel ;;
    *) echo "$2" ;;
    esac
}

# "cmake, GoogleTest" for the missing items.
missing_names() {
    local item text=""
    for item in "${missing[@]}"; do
        text+="${text:+, }$(describe "$item")"
    done
    echo "$text"
}

check_all
if [ -n "$unfixable" ]; then
    echo "ostrane: $unfixable" >&2
    exit 1
fi
[ ${#missing[@]} -eq 0 ] && exit 0

if command -v apt-get >/dev/null 2>&1; then
    manager=apt-get
elif command -v dnf >/dev/null 2>&1; then
    manager=dnf
else
    echo "ostrane: missing $(missing_names); install it with the system's package manager" >&2
    exit 1
fi

packages=()
for item in "${missing[@]}"; do packages+=("$(package "$manager" "$item")"); done

# The commands that install them, each run as root.
if [ "$manager" = apt-get ]; then
    steps=("apt-get update" "apt-get install -y ${packages[*]}")
else
    steps=("dnf install -y ${packages[*]}")
fi

# Root installs; so does sudo when it asks no password.  Anyone else is told
# the one command line to run, through sudo where there is one, else su.
as_root=()
if [ "$(id -u)" != 0 ]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true >/dev/null 2>&1; then
        as_root=(sudo -n)
    else
        line=""
        if command -v sudo >/dev/null 2>&1; then
            for step in "${steps[@]}"; do line+="${line:+ && }sudo $step"; done
        else
            for step in "${steps[@]}"; do line+="${line:+ && }$step"; done
            line="su -c '$line'"
        fi
        echo "ostrane: missing $(missing_names); run: $line" >&2
        exit 1
    fi
fi

echo "ostrane: installing ${packages[*]} with $manager" >&2
for step in "${steps[@]}"; do
    read -r -a words <<<"$step"
    if ! "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive "${words[@]}" >/dev/null; then
        echo "ostrane: '$step' failed" >&2
        exit 1
    fi
done

check_all
if [ ${#missing[@]} -gt 0 ]; then
    echo "ostrane: still missing $(missing_names) after installing ${packages[*]}" >&2
    exit 1
fi
if [ -n "$unfixable" ]; then
    echo "ostrane: $unfixable" >&2
    exit 1
fi
