#!/usr/bin/env bash
# Set-up, build, test and demo of Tarvix on a Debian 12 machine.
#   tools/setup.sh deps          install the Debian packages (as root)
#   tools/setup.sh build [DIR]   configure and build (default DIR: build)
#   tools/setup.sh test  [DIR]   build, then run every test with ctest
#   tools/setup.sh sanitize      ThreadSanitizer and Address/UB sanitizer builds and tests
#   tools/setup.sh demo          build the viewer and the simulator only, then start the viewer
#                                against the simulator on 127.0.0.1 (needs a display)
#   tools/setup.sh deps-fuzz     install clang and libFuzzer (as root)
#   tools/setup.sh fuzz [SECS]   build the fuzz targets with clang, run each SECS seconds (30)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

packages=(cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools libqt6opengl6-dev libgl-dev qt6-svg-dev
  qt6-charts-dev
  libx11-dev libxkbfile-dev fonts-liberation2 fonts-dejavu-core
  libgtest-dev libgmock-dev libmodbus-dev socat xvfb xauth x11-xkb-utils xdotool libxtst-dev openbox x11-utils
  desktop-file-utils dpkg-dev file iproute2 util-linux python3 python3-pymodbus
  scdoc man-db lintian appstream)

# Only for the fuzz targets: clang and its libFuzzer runtime.
fuzz_packages=(clang libclang-rt-14-dev)

install_packages() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "$1: run as root (sudo $0 $1)" >&2
    exit 1
  fi
  shift
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

configure() {
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
}

configure_build() {
  configure "$@"
  cmake --build "$1" -j "$jobs"
}

run_tests() {
  local dir=$1; shift
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600 "$@"
}

case "${1:-}" in
  deps) install_packages deps "${packages[@]}" ;;
  deps-fuzz) install_packages deps-fuzz "${fuzz_packages[@]}" ;;
  fuzz)
    CC=clang CXX=clang++ configure build-fuzz -DTARVIX_FUZZ=ON -DTARVIX_BENCH=OFF
    cmake --build build-fuzz -j "$jobs" --target fuzz
    exec "$root/fuzz/run.sh" "$root/build-fuzz" "${2:-30}"
    ;;
  build) configure_build "${2:-build}" ;;
  test)
    configure_build "${2:-build}"
    run_tests "${2:-build}"
    ;;
  sanitize)
    configure_build build-tsan -DTARVIX_SANITIZE=thread -DTARVIX_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" run_tests build-tsan -L threads
    configure_build build-asan -DTARVIX_SANITIZE=address -DTARVIX_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
    ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" run_tests build-asan
    ;;
  demo)
    # Checked before the build, which takes minutes on a small machine.
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      echo "demo: no display (DISPLAY is not set): the viewer is a desktop window;" \
           "start the demo from a desktop session or over ssh -X" >&2
      exit 1
    fi
    # Only what the demo runs, so that the first start is as quick as it can be.
    configure build
    cmake --build build -j "$jobs" --target tarvix tarvix-slave
    exec "$root/tools/demo.sh" "$root/build"
    ;;
  *)
    sed -n '2,10p' "$0" >&2
    exit 2
    ;;
esac
