#!/usr/bin/env bash
# Installs what is missing, builds, and starts omclient on the embedded
# switch. Arguments pass on to omclient (try --help).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"${JOBS:-2}" >/dev/null
exec build/bin/omclient "$@"
