#!/usr/bin/env bash
# Installs what is needed, builds, and runs the application scan on the demo
# list and demo drives shipped in demo/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)"

cd demo
../build/default/zelmocb-cli scan --list ZelmoAppl.csv \
    --drive C=drives/C --drive D=drives/D --json
