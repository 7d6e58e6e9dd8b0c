#!/usr/bin/env bash
# Runs the benchmarks: the native Google Benchmark program (build/release), the timing
# program of the 32-bit and 64-bit builds under Wine (build/win32, build/win64) and of the
# Linux library's build (build/linux64), and the panel's idle per refresh on the headless
# and the X11 backend. Writes Google Benchmark JSON into build/bench/ (native.json,
# native_timing.json from the timing program built natively, win32.json, win64.json,
# linux64.json, panel_idle_headless.json, panel_idle_x11.json) and prints them. ./run bench
# configures the builds first and starts Xvfb when there is no display.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
out=build/bench
mkdir -p "$out"
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG=-all

cmake --build build/release -j 2 --target melp_meter_bench melp_dll_bench
build/release/bench/melp_meter_bench --benchmark_min_time=0.5 \
  --benchmark_out="$out/native.json" --benchmark_out_format=json >/dev/null
cat "$out/native.json"
# The same timing method as the Windows run, for a like-for-like ratio.
build/release/bench/melp_dll_bench >"$out/native_timing.json"
cat "$out/native_timing.json"

cmake build/win32 -DMELP_BUILD_BENCH=ON >/dev/null
cmake --build build/win32 -j 2 --target melp_dll_bench
# ./run tells whether this machine runs 32-bit programs at all.
if [ "${MELP_RUNS_32BIT:-1}" = 1 ]; then
  cmake/wine-run.sh build/win32/bench/melp_dll_bench.exe >"$out/win32.json"
  cat "$out/win32.json"
else
  echo "win32 timing skipped: this machine's kernel cannot run 32-bit programs" >&2
fi

# The 64-bit build's timing under Wine's 64-bit loader.
cmake build/win64 -DMELP_BUILD_BENCH=ON >/dev/null
cmake --build build/win64 -j 2 --target melp_dll_bench
cmake/wine-run.sh build/win64/bench/melp_dll_bench.exe >"$out/win64.json"
cat "$out/win64.json"

# The Linux library's build: the same timing program, and the X11 panel's idle beside the
# headless one (same program, other backend).
cmake build/linux64 -DMELP_BUILD_BENCH=ON >/dev/null
cmake --build build/linux64 -j 2 --target melp_dll_bench melp_panel_idle_bench
build/linux64/bench/melp_dll_bench >"$out/linux64.json"
cat "$out/linux64.json"
cmake --build build/release -j 2 --target melp_panel_idle_bench
build/release/bench/melp_panel_idle_bench --benchmark_min_time=0.5 \
  --benchmark_out="$out/panel_idle_headless.json" --benchmark_out_format=json
build/linux64/bench/melp_panel_idle_bench --benchmark_min_time=0.5 \
  --benchmark_out="$out/panel_idle_x11.json" --benchmark_out_format=json

# melp-meter: file metering speed, reading included (writes melp_meter.json).
cmake --build build/release -j 2 --target melp-meter
python3 bench/melp_meter_speed.py build/release/tools/melp-meter "$out/melp_meter.json"
