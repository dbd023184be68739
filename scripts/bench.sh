#!/usr/bin/env bash
# Builds the host preset and runs the engine benchmarks (Google Benchmark),
# then prints a short table of the figures against their targets.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/setup.sh
cmake --preset host >/dev/null
cmake --build --preset host --target vemu_bench >/dev/null
mkdir -p build/bench
build/host/bench/vemu_bench --benchmark_counters_tabular=true \
    --benchmark_out=build/bench/results.json --benchmark_out_format=json "$@"
python3 - build/bench/results.json <<'PY'
import json, sys
runs = {b["name"].split("/")[0]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
def get(name, key):
    return runs.get(name, {}).get(key)
rows = [
    ("framing (AddBytes)", "%.1f MB/s" % (get("BM_Framing", "bytes_per_second") / 1e6), "-", ""),
    ("engine, queue to sink", "%.1f MB/s, %.2f M units/s" % (get("BM_Engine", "bytes_per_second") / 1e6,
                                                            get("BM_Engine", "items_per_second") / 1e6), "", ""),
    ("engine / line rate", "%.0f x" % get("BM_Engine", "x_line_rate"), ">= 1000 x",
     "met" if get("BM_Engine", "x_line_rate") >= 1000 else "MISSED"),
    ("latency p50", "%.1f us" % get("BM_Latency", "p50_us"), "-", ""),
    ("latency p99", "%.1f us" % get("BM_Latency", "p99_us"), "< 200 us",
     "met" if get("BM_Latency", "p99_us") < 200 else "MISSED"),
    ("log line, all kinds, file on", "%.2f us" % (1e6 / get("BM_LogLine", "items_per_second")), "-", ""),
    ("memory over 64 MB of stream", "%+d KB" % get("BM_MemoryFlat", "rss_growth_kb"), "flat",
     "met" if get("BM_MemoryFlat", "rss_growth_kb") < 1024 else "MISSED"),
    ("memory, parser paused, 64 MB", "%+d KB, %d units held" % (get("BM_MemoryParserPaused", "rss_growth_kb"),
                                                               get("BM_MemoryParserPaused", "units_held")),
     "flat", "met" if get("BM_MemoryParserPaused", "rss_growth_kb") < 1024 else "MISSED"),
]
print()
print("%-30s %-30s %-10s %s" % ("measure", "figure", "target", ""))
for row in rows:
    print("%-30s %-30s %-10s %s" % row)
PY
