#!/usr/bin/env python3
"""Makes the bundled sample image that ./run.sh scans: a Code 128 label encoded by zint.

Run once by hand (needs the zint program); the PNG is committed and the build never runs
this. The camera centres the image on its 640 x 480 sensor and pads it with its own
border grey, so a small label image is all it takes.
"""
import pathlib
import subprocess
import sys

DATA = "SCANNER-0001"
OUTPUT = pathlib.Path(__file__).resolve().parent.parent / "samples" / "code128-scanner-0001.png"


def main() -> int:
    OUTPUT.parent.mkdir(exist_ok=True)
    command = [
        "zint",
        "--barcode=20",  # Code 128
        f"--data={DATA}",
        "--notext",
        "--scale=1",  # 2 pixels per module
        "--whitesp=10",  # quiet zones of 10 modules
        "--vwhitesp=4",
        "--height=40",
        f"--output={OUTPUT}",
    ]
    result = subprocess.run(command, check=False)
    if result.returncode != 0:
        print(f"zint failed with status {result.returncode}", file=sys.stderr)
        return 1
    print(f"{OUTPUT}: Code 128 {DATA!r}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
