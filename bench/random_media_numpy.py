#!/usr/bin/python3
"""The random field synthesis written with NumPy and SciPy, the counterpart of Kalder's
VonKarmanNoise3D in bench/speed_compare.py: the same seeded noise (the program's linear
congruential generator, seed 10), the Von Karman auto-correlation sampled on the grid with
scipy.special.kv, the three transforms with numpy.fft, unit standard deviation.

Usage: /usr/bin/python3 bench/random_media_numpy.py N [field.f32]
Prints one JSON object: seconds, peak resident set (MiB). With a file name, writes the field as
float32, x fastest.
"""
import json
import resource
import sys
import time

import numpy as np
from scipy.special import gamma, kv

A, C, MASK = 214013, 2531011, 0xFFFFFFFF


def lcg_noise(count, seed=10):
    """draw / 32768 - 0.5 for count draws of s <- s * 214013 + 2531011 (mod 2^32)."""
    states = np.empty(count, dtype=np.uint64)
    s = seed
    first = min(count, 1024)
    for i in range(first):
        s = (s * A + C) & MASK
        states[i] = s
    # jump ahead: the k-step map is s -> a_k s + c_k (mod 2^32); doubling k fills the rest
    a_k, c_k, k = 1, 0, 0
    for _ in range(first):
        a_k, c_k = (a_k * A) & MASK, (c_k * A + C) & MASK
    k = first
    while k < count:
        m = min(k, count - k)
        states[k:k + m] = (np.uint64(a_k) * states[:m] + np.uint64(c_k)) & np.uint64(MASK)
        a_k, c_k = (a_k * a_k) & MASK, (c_k * a_k + c_k) & MASK
        k += m
    return ((states >> np.uint64(16)) & np.uint64(0x7FFF)).astype(np.float64) / 32768.0 - 0.5


def von_karman_grid(n, a, e, h):
    """The model auto-correlation centred on the grid, one plane at a time."""
    off = n * 0.5 - np.arange(n, dtype=np.float64)  # unit steps
    x2 = (off / a) ** 2
    plane = x2[np.newaxis, :] + x2[:, np.newaxis]
    factor = e * e * 2.0 ** (1.0 - h) / gamma(h)
    grid = np.empty((n, n, n))
    for z in range(n):
        r = np.sqrt(plane + x2[z])
        rs = np.where(r > 0, r, 1.0)
        c = np.where(r > 0, factor * rs ** h * kv(h, rs), e * e)
        grid[z] = np.where(r > 400, 0.0, c)
    return grid


def main():
    n = int(sys.argv[1])
    a, e, h = 5.0, 0.05, 0.5
    t0 = time.perf_counter()
    noise = lcg_noise(n * n * n).reshape(n, n, n)
    spectrum = np.fft.fftn(noise)
    del noise
    model = np.fft.fftn(von_karman_grid(n, a, e, h))
    np.abs(model, out=model)
    spectrum *= np.sqrt(model.real)
    del model
    field = np.fft.ifftn(spectrum).real
    del spectrum
    field /= field.std()
    t1 = time.perf_counter()
    if len(sys.argv) > 2:
        field.astype("<f4").tofile(sys.argv[2])
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0
    print(json.dumps({"n": n, "seconds": round(t1 - t0, 4), "peak_rss_mib": round(peak, 1)}))


if __name__ == "__main__":
    main()
