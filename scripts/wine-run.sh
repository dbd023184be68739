#!/usr/bin/env bash
# Runs a Windows program of the build under Wine in the project's throwaway
# prefix (build/wineprefix); ctest uses it for every Windows test.
exec python3 "$(dirname "$0")/wine_harness.py" run "$@"
