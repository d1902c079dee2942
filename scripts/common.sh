# Shared by scripts/run and scripts/test: package installation and the build.
# shellcheck shell=bash

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What the program needs to build and run.
run_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-qpa-plugins
    unixodbc unixodbc-dev odbcinst libsqliteodbc odbc-postgresql
    libxlsxwriter-dev sqlite3
    qtkeychain-qt6-dev
    fonts-ipafont-gothic
)
# What the tests need on top.
test_packages=(
    googletest libgtest-dev libgmock-dev
    postgresql-15 postgresql-client-15
    mariadb-server mariadb-client odbc-mariadb
    clang-format
    dpkg-dev lintian desktop-file-utils
    xvfb xauth xdotool
    dbus gnome-keyring libsecret-tools
    unzip
)
# What scripts/package needs to pack the program (dpkg-shlibdeps finds its dependencies).
package_packages=(
    dpkg-dev
)
# What the benchmarks (cmake -DQV_BUILD_BENCH=ON) need on top of the tests' packages: the native
# client libraries they compare with.
bench_packages=(
    libsqlite3-dev libpq-dev libmariadb-dev
)
# What scripts/fuzz needs on top of the program's packages: clang and its libFuzzer runtime.
fuzz_packages=(
    clang-14 libclang-rt-14-dev
)

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the packages that are missing; apt-get update only when something is missing.
install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# configure once, then build incrementally
build() {
    local dir=$1 type=$2
    shift 2
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
    fi
    cmake --build "$dir" -j "$(nproc)"
}
