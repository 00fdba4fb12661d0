#!/usr/bin/env python3
"""Exports every mailbox of a folder of samples with `ostrel export` and
`ostrel export --mbox` and judges what was written: every .eml with
check_eml.py (Python's email package, no defects), every mbox with
check_mbox.py (Python's mailbox module, one message per .eml of the folder).

  check_samples.py OSTREL SAMPLES_DIR

Exit 0 when every file is valid, 1 on any fault, 77 (skipped) when the
folder holds no samples.
"""
import glob
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import check_mbox  # noqa: E402


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    ostrel, samples = argv[1], argv[2]
    files = sorted(glob.glob(os.path.join(samples, "*.pst")) +
                   glob.glob(os.path.join(samples, "*.ost")) +
                   glob.glob(os.path.join(samples, "ost4k", "*.ost")))
    if not files:
        print(f"no samples in {samples}: skipped")
        return 77
    faults = 0
    for path in files:
        with tempfile.TemporaryDirectory() as work:
            eml, mbox = os.path.join(work, "eml"), os.path.join(work, "mbox")
            os.mkdir(eml)
            os.mkdir(mbox)
            a = subprocess.run([ostrel, "export", path, eml], capture_output=True)
            b = subprocess.run([ostrel, "export", "--mbox", path, mbox], capture_output=True)
            if a.returncode != b.returncode:
                print(f"{path}: export {a.returncode}, export --mbox {b.returncode}")
                faults += 1
            if a.returncode != 0:
                continue  # no mailbox at all: both refused it
            emls = subprocess.run([sys.executable, os.path.join(HERE, "check_eml.py"), eml],
                                  capture_output=True, text=True)
            mboxes = subprocess.run([sys.executable, os.path.join(HERE, "check_mbox.py"), mbox,
                                     eml], capture_output=True, text=True)
            print(f"{os.path.basename(path)}: eml {emls.stdout.splitlines()[0]}; "
                  f"mbox {mboxes.stdout.splitlines()[0]}")
            for result in (emls, mboxes):
                if result.returncode != 0:
                    faults += 1
                    print(result.stdout + result.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
