#!/usr/bin/env bash
# Builds the host tests with ThreadSanitizer (build/tsan) and runs the tests
# in which several threads meet: the queue, the parser thread, the serial
# read thread on a pty, the receiver's job thread, the engine's shutdown, and
# all engine threads at once.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/setup.sh
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEMU_SANITIZE=thread >/dev/null
cmake --build build/tsan --target vemu_tests -j2 >/dev/null
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
build/tsan/tests/vemu_tests \
    --gtest_filter='EngineThreads.*:JobThread.*:ReceiverOnJobThread.*:ParserThread.*:ParserCut.*:ReceiveQueueTest.*:ReceiverOnPty.*:EngineOnPty.*:Loggers*:Event.*:CriticalSection.*:Thread.*:TyperCommands.Wait*'
