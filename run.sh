#!/usr/bin/env bash
# Installs what is missing, builds and starts the Vireo viewer.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
# Only the programs: the tests and benchmarks are ./test.sh's to build.
tools/build.sh vireo vireo-post vireo-examine
exec build/src/app/vireo "$@"
