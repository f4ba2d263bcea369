#!/usr/bin/python3
"""Kalder's speed beside its references, in one run, with the ratios:

  1. Fft3D forward + inverse (complex float) against FFTW with plans made by FFTW_MEASURE before
     timing (and FFTW_ESTIMATE for reference), 64^3 to 512^3, same thread count;
  2. the random field synthesis (Von Karman, a = 5 cells, h = 0.5) at 128^3, 256^3 and 512^3
     against bench/random_media_numpy.py (scipy.special.kv, numpy.fft), time and peak resident
     set of each, and the largest difference between the two fields at 128^3;
  3. the 512^3 FD model export (five components, committed with fsync): time, peak resident set
     and MB/s against dd writing the same number of bytes to the same folder with conv=fsync.

Usage: /usr/bin/python3 bench/speed_compare.py <build> [scratch folder]
The scratch folder (default <build>/bench/scratch) must be on the disk to be measured; it needs
about 3 GB free, and the NumPy run at 512^3 about 10 GB of memory.

Kalder and FFTW run with OMP_NUM_THREADS=2 and OMP_WAIT_POLICY=passive (FFTW's idle threads
block; spinning OpenMP threads would take the cores on a shared machine). NumPy's FFT and SciPy's
kv run on one thread. Run it on a quiet machine: the load average is printed before each part.
Every measured run starts after a sync, so no run pays for the dirty pages of the one before.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

import numpy as np


def load():
    return "load average %.2f %.2f %.2f" % os.getloadavg()


def run_json(cmd, env, cwd):
    # start every measurement with no dirty pages left by the one before
    os.sync()
    out = subprocess.run(cmd, check=True, capture_output=True, text=True, env=env, cwd=cwd).stdout
    return json.loads(out.strip().splitlines()[-1])


def fft_part(build, env):
    exe = os.path.join(build, "bench", "bench_spectral")
    out = subprocess.run([exe, "--benchmark_filter=Fft3D", "--benchmark_format=json",
                          "--benchmark_min_time=1"], check=True, capture_output=True, text=True,
                         env=env).stdout
    ms = {b["name"]: b["real_time"] for b in json.loads(out)["benchmarks"]}
    print("3D FFT forward + inverse, complex float, 2 threads (ms):")
    print("   size     Kalder  FFTW_MEASURE  FFTW_ESTIMATE   Kalder/MEASURE  Kalder/ESTIMATE")
    for n in (64, 128, 256, 512):
        k = ms[f"KalderFft3D/{n}/real_time"]
        m = ms[f"FftwMeasureFft3D/{n}/real_time"]
        e = ms[f"FftwEstimateFft3D/{n}/real_time"]
        print(f"  {n:4d}^3 {k:9.1f} {m:13.1f} {e:14.1f}   {k / m:14.2f} {k / e:16.2f}")


def synthesis_part(build, env, scratch, here):
    exe = os.path.join(build, "bench", "bench_random_media")
    script = os.path.join(here, "random_media_numpy.py")
    print("Random field synthesis, Von Karman a = 5 cells, h = 0.5 (s, MiB of peak resident set):")
    print("   size   Kalder s  Kalder MiB    NumPy s  NumPy MiB   NumPy/Kalder time")
    for n in (128, 256, 512):
        with tempfile.TemporaryDirectory(dir=scratch) as work:
            kf, nf = os.path.join(work, "kalder.f32"), os.path.join(work, "numpy.f32")
            compare = n == 128
            k = run_json([exe, "synth", str(n)] + ([kf] if compare else []), env, work)
            p = run_json([sys.executable, script, str(n)] + ([nf] if compare else []), env, work)
            print(f"  {n:4d}^3 {k['synthesis_s']:9.2f} {k['peak_rss_mib']:11.1f} "
                  f"{p['seconds']:10.2f} {p['peak_rss_mib']:10.1f}   "
                  f"{p['seconds'] / k['synthesis_s']:17.2f}")
            if compare:
                a = np.fromfile(kf, dtype="<f4")
                b = np.fromfile(nf, dtype="<f4")
                print(f"          largest |Kalder - NumPy| at 128^3: {np.abs(a - b).max():.2e} "
                      "(unit standard deviation)")


def export_part(build, env, scratch):
    exe = os.path.join(build, "bench", "bench_random_media")
    n = 512
    with tempfile.TemporaryDirectory(dir=scratch) as work:
        model = os.path.join(work, "model.fd")
        k = run_json([exe, "export", str(n), model], env, work)
        size = os.path.getsize(model)
        os.remove(model)
        target = os.path.join(work, "dd.out")
        os.sync()
        t0 = time.perf_counter()
        subprocess.run(["dd", "if=/dev/zero", f"of={target}", "bs=4M", f"count={size}",
                        "iflag=count_bytes", "conv=fsync"], check=True, capture_output=True)
        dd_s = time.perf_counter() - t0
        os.remove(target)
    dd_rate = size / 1e6 / dd_s
    print(f"FD model export at {n}^3, {size} bytes, written and committed with fsync:")
    print(f"  Kalder: synthesis {k['synthesis_s']:.2f} s, export {k['export_s']:.2f} s "
          f"(writes {k['export_write_s']:.2f} s, fsync {k['export_commit_s']:.2f} s), "
          f"{k['export_mb_s']:.0f} MB/s, peak resident set {k['peak_rss_mib']:.0f} MiB "
          f"({k['peak_rss_mib'] * 1.048576:.0f} MB) for synthesis and export")
    print(f"  dd:     {dd_s:.2f} s, {dd_rate:.0f} MB/s   Kalder/dd rate = "
          f"{k['export_mb_s'] / dd_rate:.2f}")


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    here = os.path.dirname(os.path.abspath(__file__))
    scratch = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else os.path.join(
        build, "bench", "scratch")
    os.makedirs(scratch, exist_ok=True)
    env = dict(os.environ)
    env["OMP_NUM_THREADS"] = "2"
    env["OMP_WAIT_POLICY"] = "passive"
    print(f"Kalder and FFTW: 2 threads, OMP_WAIT_POLICY=passive; NumPy/SciPy: one thread. "
          f"Scratch folder {scratch} ({shutil.disk_usage(scratch).free / 1e9:.0f} GB free).")
    print(load())
    fft_part(build, env)
    print(load())
    synthesis_part(build, env, scratch, here)
    print(load())
    export_part(build, env, scratch)
    print(load())


if __name__ == "__main__":
    main()
