#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test suite: the unit tests (also under
# AddressSanitizer and UndefinedBehaviorSanitizer), the Qt window tests, a short run of
# each fuzzer, and the Windows build's tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh test
export CMAKE_BUILD_PARALLEL_LEVEL="$(nproc)"

step() { printf '\n==== %s\n' "$*"; }

step "Formatting"
find app bench commands console pickers platform resources tests tools \( -name '*.cpp' -o -name '*.h' \) \
  -print0 | xargs -0 clang-format --dry-run -Werror

step "Layers and the tests' share of the code"
tools/check-layers.sh

step "Linux build: unit and window tests"
cmake --workflow --preset native

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

step "Packages: the .deb and the Windows .zip"
tools/package.sh

step "All test suites passed"
