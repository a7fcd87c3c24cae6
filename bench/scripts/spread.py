#!/usr/bin/env python3
"""Median and spread of repeated measurements.

usage: spread.py LABEL UNIT VALUE...   prints "LABEL: median (min-max, N runs) UNIT"
"""
import statistics
import sys

if len(sys.argv) < 4:
    sys.exit(__doc__)
values = [float(v) for v in sys.argv[3:]]
print(f"{sys.argv[1]}: {statistics.median(values):.3f} {sys.argv[2]} "
      f"({min(values):.3f}-{max(values):.3f}, {len(values)} runs)")
