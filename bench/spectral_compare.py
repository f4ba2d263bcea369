#!/usr/bin/python3
"""Runs the compiled bench_spectral once and times NumPy's fftn/ifftn and SciPy's median filter
on random data of the same shapes, then prints the ratios.

Usage: /usr/bin/python3 bench/spectral_compare.py <build>/bench/bench_spectral
"""
import json
import os
import subprocess
import sys
import time

import numpy as np
import scipy.ndimage


def best_of(fn, repeats):
    best = float("inf")
    for _ in range(repeats):
        t0 = time.perf_counter()
        fn()
        best = min(best, time.perf_counter() - t0)
    return best * 1e3  # ms


def main():
    exe = sys.argv[1]
    # FFTW's worker threads block while idle; OpenMP's spin by default, which on a machine
    # shared with other work takes the cores from the threads that have work. Passive waiting
    # makes the comparison like for like (override by setting OMP_WAIT_POLICY yourself).
    env = dict(os.environ)
    env.setdefault("OMP_WAIT_POLICY", "passive")
    out = subprocess.run([exe, "--benchmark_format=json", "--benchmark_min_time=2",
                          "--benchmark_filter=KalderFft3D/(128|256)|FftwMeasureFft3D/(128|256)|Median"],
                         check=True, capture_output=True, text=True, env=env).stdout
    ms = {b["name"]: b["real_time"] for b in json.loads(out)["benchmarks"]}

    rng = np.random.default_rng(1)
    numpy_fft = {}
    for n in (128, 256):
        data = (rng.uniform(-1, 1, (n, n, n)) + 1j * rng.uniform(-1, 1, (n, n, n))).astype(np.complex64)
        numpy_fft[n] = best_of(lambda: np.fft.ifftn(np.fft.fftn(data)), 3 if n == 128 else 2)

    vol = rng.uniform(0, 1, (256, 256, 256)).astype(np.float32)
    cross = np.zeros((3, 3, 3), dtype=bool)
    cross[1, 1, :] = cross[1, :, 1] = cross[:, 1, 1] = True
    scipy_median = best_of(lambda: scipy.ndimage.median_filter(vol, footprint=cross), 2)

    threads = int(json.loads(out)["benchmarks"][0].get("threads", 0))
    print(f"Kalder and FFTW threads: {threads}, OMP_WAIT_POLICY={env['OMP_WAIT_POLICY']}; "
          "NumPy and SciPy single-threaded; load average "
          f"{os.getloadavg()[0]:.2f}")
    print("3D FFT forward + inverse, complex float (ms):")
    for n in (128, 256):
        k, f = ms[f"KalderFft3D/{n}/real_time"], ms[f"FftwMeasureFft3D/{n}/real_time"]
        print(f"  {n}^3: Kalder {k:8.1f}  FFTW {f:8.1f}  NumPy {numpy_fft[n]:8.1f}   "
              f"Kalder/FFTW = {k / f:.2f}   NumPy/Kalder = {numpy_fft[n] / k:.2f}")
    km = ms["KalderMedian/256/real_time"]
    print("Median filter 7-point cross, 256^3 (ms):")
    print(f"  Kalder {km:8.1f}  SciPy {scipy_median:8.1f}   SciPy/Kalder = {scipy_median / km:.1f}")


if __name__ == "__main__":
    main()
