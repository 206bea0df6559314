#!/usr/bin/env bash
# Installs what is missing, builds, and starts omclient on the embedded
# switch. Arguments pass on to omclient (try --help).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"${JOBS:-2}" >/dev/null
exec build/bin/omclient "$@"
