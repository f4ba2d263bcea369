#!/usr/bin/python3
"""Times kalder-random-mpi under mpirun with 1 and 2 ranks against the single-machine synthesis
and export (kalder-random-reference, the window's code) on the same model, in one run: wall
time, peak RSS per rank, and the ratios. The outputs are compared as well (largest relative
difference of the model values).

Usage: /usr/bin/python3 bench/random_mpi_compare.py <build> [cells per axis, default 256]
       [repeats, default 3]
Run from a folder on the disk to be measured: the model files (5 x 4 x N^3 bytes each) and the
scratch files are written to the current directory and removed afterwards.
"""
import os
import re
import shutil
import subprocess
import sys
import time

import numpy as np


def timed(command, env):
    t0 = time.perf_counter()
    done = subprocess.run(command, env=env, capture_output=True, text=True)
    elapsed = time.perf_counter() - t0
    if done.returncode != 0:
        sys.exit("failed: %s\n%s%s" % (" ".join(command), done.stdout, done.stderr))
    return elapsed, done.stdout


def mib_values(text):
    """The sizes of a 'peak RSS ...' line, in MiB."""
    scale = {"B": 1 / 1048576, "KiB": 1 / 1024, "MiB": 1, "GiB": 1024}
    return [float(v) * scale[u] for v, u in re.findall(r"([0-9.]+) (B|KiB|MiB|GiB)", text)]


def main():
    build = sys.argv[1]
    n = int(sys.argv[2]) if len(sys.argv) > 2 else 256
    repeats = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    mpi = os.path.join(build, "src/distributed/kalder-random-mpi")
    reference = os.path.join(build, "tests/kalder-random-reference")
    mpirun = shutil.which("mpirun")
    env = dict(os.environ, OMPI_ALLOW_RUN_AS_ROOT="1", OMPI_ALLOW_RUN_AS_ROOT_CONFIRM="1")
    model = ["--size", str(n), "--type", "vonkarman", "--ax", "5", "--ay", "5", "--az", "5",
             "--e", "10", "--hurst", "0.5"]

    runs = {
        "single machine": [reference] + model + ["-o", "bench-ref.fd3d"],
        "MPI, P = 1": [mpirun, "-np", "1", mpi] + model + ["-o", "bench-p1.fd3d"],
        "MPI, P = 2": [mpirun, "-np", "2", mpi] + model + ["-o", "bench-p2.fd3d"],
    }
    results = {}
    for name, command in runs.items():
        best, out = None, ""
        for _ in range(repeats):
            elapsed, text = timed(command, env)
            if best is None or elapsed < best:
                best, out = elapsed, text
        rss = [line for line in out.splitlines() if "peak RSS" in line]
        results[name] = (best, mib_values(rss[0]) if rss else [], out)

    ref = np.fromfile("bench-ref.fd3d", dtype="<f4", offset=28).astype(np.float64)
    base = results["single machine"][0]
    print("random FD model %d^3, Von Karman a = 5 cells, h = 0.5; best of %d (wall time, "
          "mpirun start included)" % (n, repeats))
    print("%-16s %9s %10s %24s %14s" % ("", "time (s)", "vs single", "peak RSS per rank (MiB)",
                                        "max rel diff"))
    for name, (elapsed, rss, out) in results.items():
        path = {"single machine": "bench-ref.fd3d", "MPI, P = 1": "bench-p1.fd3d",
                "MPI, P = 2": "bench-p2.fd3d"}[name]
        values = np.fromfile(path, dtype="<f4", offset=28)
        diff = np.max(np.abs(values - ref) / np.abs(ref))
        print("%-16s %9.2f %9.2fx %24s %14.2e" % (name, elapsed, base / elapsed,
                                                   " ".join("%.1f" % r for r in rss), diff))
    for name in ("MPI, P = 1", "MPI, P = 2"):
        print("\n%s stages:\n%s" % (name, "\n".join(
            l for l in results[name][2].splitlines() if l.startswith(" "))))
    for f in ("bench-ref.fd3d", "bench-p1.fd3d", "bench-p2.fd3d", "VonKarmanModel3D.txt",
              "utility.txt", "RandomModel.dat", "AutoCorrelationModel.dat",
              "VonKarmanFunction3D.txt", "VonKarmanNoise3D.txt", "VonKarmanNoise3D_ac_x.txt",
              "VonKarmanNoise3D_ac_y.txt", "VonKarmanNoise3D_ac_z.txt"):
        if os.path.exists(f):
            os.remove(f)


if __name__ == "__main__":
    main()
