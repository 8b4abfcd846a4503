#!/usr/bin/env bash
# Builds and runs every test: the Linux build, the sanitizer build, the fuzz
# targets for a short while, then the
# Windows builds (tests under Wine) unless ZELMO_WINDOWS=0.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

for preset in default asan; do
    echo "=== ${preset}: build"
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j"$(nproc)"
    echo "=== ${preset}: test"
    ctest --preset "$preset" -j"$(nproc)"
done

echo "=== fuzz: each target for ${ZELMO_FUZZ_SECONDS:-30}s from the seed corpus"
scripts/fuzz.sh "${ZELMO_FUZZ_SECONDS:-30}"

if [[ "${ZELMO_WINDOWS:-1}" != 0 ]]; then
    scripts/test-windows.sh
fi
