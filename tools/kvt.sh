#!/usr/bin/env bash
# Set-up, build and run of PraveltaKVT on Debian 12, as root.
#   tools/kvt.sh run    install what is missing, build, prepare the program folder, start it
#   tools/kvt.sh test   install what is missing, build, run every test
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${KVT_BUILD_DIR:-$here/build}"

packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-charts-dev libqt6opengl6-dev
          libsqlite3-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-noto-cjk
          fonts-arphic-uming qt6-translations-l10n xvfb xauth poppler-utils locales)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
    fi
}

configure() {
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
}

# The program and its folder (database, skins, help pages) only; tests and performance
# programs are built by `test`.
build_program() {
    configure
    ninja -C "$build" PraveltaKVT
}

build_all() {
    configure
    ninja -C "$build"
}

case "${1:-}" in
    run)
        install_missing
        build_program
        exec "$build/PraveltaKVT"
        ;;
    test)
        install_missing
        build_all
        cd "$build"
        ctest --output-on-failure -j"$(nproc)" --timeout 300
        ;;
    *)
        echo "usage: $0 run|test" >&2
        exit 2
        ;;
esac
