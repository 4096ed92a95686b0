#!/usr/bin/env bash
# Installs what is missing, checks the formatting and the repository, runs the static
# analysers, builds, and runs every test suite: the unit tests (also under AddressSanitizer
# and UndefinedBehaviorSanitizer), the Qt window tests, the first command offline, a short run
# of each fuzzer, the Windows build's tests under Wine, short soak runs, and the packages:
# built, checked, installed under Wine, and built again from a second clone to the same bytes.
# Each step says how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh test
export CMAKE_BUILD_PARALLEL_LEVEL="$(nproc)"

step_started=$SECONDS
step() {
  printf '==== (%d s)\n\n==== %s\n' $((SECONDS - step_started)) "$*"
  step_started=$SECONDS
}

step "Formatting"
find app bench commands console pickers platform resources tests tools \( -name '*.cpp' -o -name '*.h' \) \
  -print0 | xargs -0 clang-format --dry-run -Werror

step "Layers and the tests' share of the code; no stray paths in the repository"
tools/check-layers.sh
tools/check-paths.sh

step "Static analysis: clang-tidy over the program, clazy over its Qt backend"
tools/analyse.sh

step "Linux build: unit and window tests"
cmake --workflow --preset native

step "The first command, tools/run.sh, with no network and GoogleTest hidden"
tools/check-first-run.sh

step "Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --workflow --preset asan

step "Fuzzers, briefly"
tools/fuzz.sh "${FUZZ_SECONDS:-15}"

step "Windows build under Wine"
source tools/wine-env.sh
fresh_wine_prefix
cmake --workflow --preset windows

step "Soak runs, short: tool starts, a console flood and resizes (Linux, and Windows under Wine)"
tools/soak.sh --short

step "Packages: the .deb, the Windows .zip and installer, hardened and checked"
tools/package.sh

step "The Windows installer under Wine: install, upgrade, run, uninstall"
tools/check-windows-installer.sh build/packages/morlett-*-win64-setup.exe \
  build/windows/stand-in/lithrez.exe build/windows/press_button.exe

step "Reproducible packages: built again from a second clone, compared byte for byte"
tools/check-reproducible.sh --against build/packages

step "All test suites passed, in $((SECONDS / 60)) min $((SECONDS % 60)) s"
