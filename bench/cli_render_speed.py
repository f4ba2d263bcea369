#!/usr/bin/python3
"""kalder-cli render of a 512^3 volume file's middle plane to PNG, against kalder-cli info plus
one full read of the file (cat > /dev/null), with the ratio (target: below 1.5).

Both sides read the file from the page cache: it is read once before timing. Each command runs
several times and the fastest run counts, so other work on the machine disturbs it least.

Usage: /usr/bin/python3 bench/cli_render_speed.py <build> [scratch folder] [cells per side]
The scratch folder (default <build>/bench/scratch) needs about 520 MB free at 512 cells.
"""
import os
import subprocess
import sys
import tempfile
import time

import numpy as np


def write_volume(path, n):
    # version-3 volume file: header, values (x fastest), one stretch area, reserved words,
    # starts and data type
    header = np.array([-1, 3, 3, 20, 44, n, n, n], dtype="<i4").tobytes()
    header += np.array([1000.0, 1000.0, 500.0], dtype="<f4").tobytes()
    z = np.arange(n, dtype=np.float32)[:, None]
    x = np.arange(n, dtype=np.float32)[None, :]
    with open(path, "wb") as f:
        f.write(header)
        for k in range(n):  # one XY layer at a time keeps the script's memory small
            layer = 3000.0 + 2.0 * z + np.sin(x * 0.05 + k * 0.03) * 100.0
            f.write(layer.astype("<f4").tobytes())
        f.write(np.array([1, 1000], dtype="<i4").tobytes())
        f.write(np.array([1.0], dtype="<f4").tobytes())
        f.write(np.zeros(3, dtype="<i4").tobytes())
        f.write(np.zeros(3, dtype="<f4").tobytes())
        f.write(np.zeros(1, dtype="<i4").tobytes())


def best_of(commands, runs, cwd):
    best = float("inf")
    for _ in range(runs):
        start = time.perf_counter()
        for c in commands:
            subprocess.run(c, check=True, cwd=cwd, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        best = min(best, time.perf_counter() - start)
    return best


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    scratch = sys.argv[2] if len(sys.argv) > 2 else os.path.join(build, "bench", "scratch")
    n = int(sys.argv[3]) if len(sys.argv) > 3 else 512
    cli = os.path.abspath(os.path.join(build, "src", "app", "kalder-cli"))
    scratch = os.path.abspath(scratch)
    os.makedirs(scratch, exist_ok=True)
    with tempfile.TemporaryDirectory(dir=scratch) as work:
        volume = os.path.join(work, "v.vol")
        write_volume(volume, n)
        size = os.path.getsize(volume)
        subprocess.run(["cat", volume], check=True, stdout=subprocess.DEVNULL)  # page cache
        env_cmds = [[cli, "--quiet", "info", volume], ["sh", "-c", 'cat "$0" > /dev/null', volume]]
        render = [[cli, "--quiet", "render", volume, "-o", os.path.join(work, "mid.png")]]
        print("load average %.2f %.2f %.2f" % os.getloadavg())
        reference = best_of(env_cmds, 3, work)
        rendered = best_of(render, 3, work)
        print("volume %d^3, %.0f MB" % (n, size / 1e6))
        print("info + cat:  %.3f s" % reference)
        print("render:      %.3f s" % rendered)
        print("ratio render / (info + cat) = %.2f (target < 1.5)" % (rendered / reference))


if __name__ == "__main__":
    main()
