#!/usr/bin/env python3
"""The CSV of `zarvik-tool report` read back with Python's csv module: one row per measurement,
whose numbers are those `zarvik-tool dump` gives, with the decimal point and with the decimal
comma (';' between the fields); the sample's fast and long pulls are flagged.

usage: check_report_csv.py ZARVIK_TOOL DIR   (DIR as zv_report_sample made it)
"""
import csv
import json
import os
import subprocess
import sys
import tempfile

tool, sample_dir = sys.argv[1], sys.argv[2]
config = os.path.join(sample_dir, "ZARVIK.INI")
data = os.path.join(sample_dir, "SAMPLE.BIN")


def run(*args):
    return subprocess.run([tool, "--config", config, *args], check=True,
                          capture_output=True, text=True).stdout


dump = json.loads(run("dump", data))
expected = []
for sample in dump["samples"]:
    for storage in sample["storages"]:
        for m in storage["measurements"]:
            expected.append((sample["name"], storage["name"], m["measurementIndex"] + 1,
                             m["area"], m["speed"], m["force"], m["bondTension"]))
assert len(expected) == 9, expected

with tempfile.TemporaryDirectory() as tmp:
    for comma in (False, True):
        out = os.path.join(tmp, "r.csv")
        run("report", data, "--csv", out, *(["--comma"] if comma else []))
        with open(out, newline="", encoding="utf-8") as f:
            rows = list(csv.reader(f, delimiter=";" if comma else ","))
        header, rows = rows[0], rows[1:]
        assert len(header) == 13 and header[0] == "Probe", header  # the configuration is German
        assert len(rows) == len(expected), rows

        def number(text):
            return float(text.replace(",", ".") if comma else text)

        for row, want in zip(rows, expected):
            got = (row[0], row[1], int(row[2]), number(row[3]), number(row[4]), number(row[5]),
                   number(row[6]))
            assert got == want, (got, want)
            assert row[10] and row[11], row  # time to failure and loading rate
        flags = [row[12] for row in rows]
        assert flags == [""] * 3 + ["zu schnell"] * 3 + ["zu lang"] * 3, flags
        rates = [number(row[11]) for row in rows]
        assert all(abs(r - 100 / 1963.5) < 0.01 * 100 / 1963.5 for r in rates[:3]), rates
print("CSV matches the dump")
