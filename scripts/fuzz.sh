#!/usr/bin/env bash
# Fuzzes the engine (queue, parser, typer) with libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer: scripts/fuzz.sh [SECONDS]
# (default 60). The seed corpus is tests/fuzz/corpus; what the fuzzer adds
# goes to build/fuzz/corpus, findings to build/fuzz/findings.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
seconds=${1:-60}
scripts/setup.sh
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DVEMU_FUZZ=ON -DVEMU_TESTS=OFF -DVEMU_SANITIZE=address,undefined >/dev/null
cmake --build build/fuzz --target vemu_fuzz -j2 >/dev/null
mkdir -p build/fuzz/corpus build/fuzz/findings
build/fuzz/vemu_fuzz -max_total_time="$seconds" -print_final_stats=1 -max_len=4096 -timeout=10 \
    -artifact_prefix=build/fuzz/findings/ build/fuzz/corpus tests/fuzz/corpus
