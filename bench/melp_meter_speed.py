#!/usr/bin/env python3
"""File metering speed of melp-meter: a 48 kHz stereo 24-bit WAV metered in true-peak mode,
reading included, as a multiple of real time. Not asserted; the target is 200x.

usage: melp_meter_speed.py MELP_METER OUT.json [SECONDS]
"""
import json
import math
import os
import resource
import struct
import subprocess
import sys
import tempfile
import time
import wave


def write_wav(path, seconds, rate=48000):
    frames = int(seconds * rate)
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(3)
        w.setframerate(rate)
        # One second of programme, repeated: writing stays quick for long files.
        seed = 12345
        out = bytearray()
        for i in range(rate):
            # Programme-like: two tones and a little noise, different per channel.
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            n = (seed / 0x7FFFFFFF - 0.5) * 0.1
            t = i / rate
            left = 0.4 * math.sin(2 * math.pi * 440 * t) + n
            right = 0.3 * math.sin(2 * math.pi * 1234 * t) - n
            for v in (left, right):
                out += struct.pack("<i", int(v * 8388607))[:3]
        for _ in range(frames // rate):
            w.writeframes(bytes(out))
    return (frames // rate)


def main():
    meter, out_json = sys.argv[1], sys.argv[2]
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 120.0
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "speed.wav")
        duration = write_wav(path, seconds)
        results = {}
        for mode in ("truepeak", "peak", "quasipeak"):
            best = None
            best_cpu = None
            for _ in range(2):
                before = resource.getrusage(resource.RUSAGE_CHILDREN)
                start = time.perf_counter()
                subprocess.run([meter, "--quiet", "--mode", mode, path], check=True)
                elapsed = time.perf_counter() - start
                after = resource.getrusage(resource.RUSAGE_CHILDREN)
                # CPU time too: on a shared machine the wall clock says more about the others.
                cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
                best = elapsed if best is None else min(best, elapsed)
                best_cpu = cpu if best_cpu is None else min(best_cpu, cpu)
            results[mode] = {"seconds": best, "realTimeFactor": duration / best,
                             "cpuSeconds": best_cpu}
        usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    report = {"loadAverage": os.getloadavg()[0], "file": {"sampleRateHz": 48000, "channels": 2, "bits": 24, "durationSeconds": duration},
              "modes": results, "maxResidentKib": usage.ru_maxrss, "target": 200}
    with open(out_json, "w") as f:
        json.dump(report, f, indent=2)
    for mode, r in results.items():
        print(f"melp-meter {mode:9s}: {r['realTimeFactor']:7.1f} x real time "
              f"({duration:.0f} s of 48 kHz stereo in {r['seconds']:.2f} s, "
              f"{r['cpuSeconds']:.2f} s of processor time on two threads)")
    print(f"load average during the run: {os.getloadavg()[0]:.1f}")


if __name__ == "__main__":
    main()
