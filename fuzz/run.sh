#!/usr/bin/env bash
# Builds the fuzz targets with libFuzzer (clang, ASan+UBSan) and runs each
# for the given number of seconds (default 30) over the corpus in fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-30}
OUT=build-fuzz
mkdir -p "$OUT"
CXXFLAGS=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
          -Iinclude -Isrc/platform -Isrc/userobj/filters)

clang++ "${CXXFLAGS[@]}" fuzz/fuzz_report.cpp src/hostlibs/ObjArray.cpp -o "$OUT/fuzz_report"
# Profile files are saved through Qt's save file: the text target links Qt Core.
read -r -a QTCORE <<<"$(pkg-config --cflags --libs Qt6Core)"
clang++ "${CXXFLAGS[@]}" -fPIC fuzz/fuzz_cmdtext.cpp src/userobj/filters/CmdText.cpp src/hostlibs/Cmd.cpp \
    src/hostlibs/MmlText.cpp src/platform/TextHelpers.cpp src/platform/Trace.cpp \
    src/platform/ClientRoot.cpp src/platform/ProfileFile.cpp src/platform/HostStrings.cpp "${QTCORE[@]}" -o "$OUT/fuzz_cmdtext"

for t in report cmdtext; do
    corpus="$OUT/corpus-$t"
    mkdir -p "$corpus"
    seeds=fuzz/corpus/${t/cmdtext/cmd}
    log="$OUT/fuzz_$t.log"
    echo "== fuzz_$t for ${SECONDS_EACH}s"
    if ! (cd "$OUT" && "./fuzz_$t" -max_total_time="$SECONDS_EACH" -max_len=65536 -timeout=10 \
            -print_final_stats=1 "corpus-$t" "../$seeds") >"$log" 2>&1; then
        tail -40 "$log"
        echo "fuzz_$t failed; the failing input is in $OUT"
        exit 1
    fi
    grep -E '^(#.*DONE|stat::number_of_executed_units)' "$log" || true
done
