#!/usr/bin/python3
"""Checks a batch's tidy tables against the results.csv of every picture folder.

Usage: check_tidy_tables.py OUTDIR

teeth.csv and pictures.csv must load with pandas.read_csv and no option; every tooth value,
mean, standard deviation and deepest notch must equal what results.csv shows (NaN where results.csv
shows nothing or nan); failed pictures must have no tooth row and no result; the warnings must be
those of the picture's stderr.txt; the tables that leaf-margin --tidy left in each picture folder
must hold the same rows in their own columns. A whole-leaf picture must have one tooth row per
row of its whole_leaf_teeth.csv. Prints each mismatch and exits 1 when there is one.
"""
import math
import os
import sys

import pandas as pd

MEASURES = ["tooth_width_mm", "tooth_height_mm", "sinus_width_mm", "sinus_height_mm",
            "height_width_ratio_pct", "tooth_angle_deg", "sinus_angle_deg", "apical_angle_deg",
            "symmetry_centre_pct", "symmetry_perpendicular_pct"]
problems = []


def number(cell):
    """A results.csv cell as a float, NaN for an empty or nan cell."""
    try:
        value = float(cell.replace(",", ".", 1) if "e" not in cell.split(",")[0] else cell.split(",")[0])
    except ValueError:
        return math.nan
    return value if math.isfinite(value) else math.nan


def same(a, b):
    a, b = float(a), float(b)
    return (math.isnan(a) and math.isnan(b)) or a == b


def same_row(a, b):
    """Two table rows hold the same fields (numbers compared as numbers, NaN equal to NaN)."""
    if list(a.index) != list(b.index):
        return False
    for x, y in zip(a, b):
        if isinstance(x, str) or isinstance(y, str):
            if x != y:
                return False
        elif not same(x, y):
            return False
    return True


def check(what, got, want):
    if not same(got, want):
        problems.append(f"{what}: {got!r} in the tidy table, {want!r} in results.csv")


def results_table(path):
    lines = open(path, encoding="utf-8", newline="").read().split("\r\n")
    empty = lines.index("")
    rows = [line.split(";") for line in lines[1:empty]]
    stats = {line.split(";")[0]: line.split(";")[1:11] for line in lines[empty + 1:empty + 6]}
    notch = lines[empty + 6].split(";")[1]
    return rows, stats, notch


def warnings_of(folder):
    """The warning lines of a picture folder's stderr.txt, without their prefix."""
    path = os.path.join(folder, "stderr.txt")
    lines = open(path, encoding="utf-8").read().splitlines() if os.path.exists(path) else []
    return [line[len("warning: "):] for line in lines if line.startswith("warning: ")]


def main(outdir):
    teeth = pd.read_csv(os.path.join(outdir, "teeth.csv"))
    pictures = pd.read_csv(os.path.join(outdir, "pictures.csv"))
    results = ["dpi", "leaves", "teeth", "max_notch_depth_mm"] + [m + s for m in MEASURES for s in ("_mean", "_sd")]
    for _, p in pictures.iterrows():
        folder = os.path.join(outdir, p["folder"])
        status = open(os.path.join(folder, "status.txt")).read().strip()
        mine = teeth[teeth["folder"] == p["folder"]]
        warnings = warnings_of(folder)
        shown = [] if pd.isna(p["warnings"]) else p["warnings"].split(" | ")
        if p["warning_count"] != len(warnings) or shown != warnings:
            problems.append(f"{p['folder']}: warnings {shown!r}, stderr.txt has {warnings!r}")
        path = open(os.path.join(folder, "picture_path.txt"), encoding="utf-8").read().rstrip("\n")
        if p["path"] != path or p["picture"] != os.path.basename(path):
            problems.append(f"{p['folder']}: picture {p['picture']!r}, path {p['path']!r}, recorded {path!r}")
        if p["status"] == "failed":
            code = math.nan if status.startswith("signal") else int(status)
            check(f"{p['folder']} exit_code", p["exit_code"], code)
            if len(mine) or not all(pd.isna(p[c]) for c in results):
                problems.append(f"{p['folder']}: a failed picture with results")
            continue
        if os.path.exists(os.path.join(folder, "whole_leaf_teeth.csv")):
            own = pd.read_csv(os.path.join(folder, "whole_leaf_teeth.csv"))
            if len(own) != len(mine) or list(mine["leaf"]) != list(own["leaf"]):
                problems.append(f"{p['folder']}: {len(mine)} tooth rows, whole_leaf_teeth.csv has {len(own)}")
            continue
        rows, stats, notch = results_table(os.path.join(folder, "results.csv"))
        check(f"{p['folder']} teeth", p["teeth"], len(rows))
        check(f"{p['folder']} exit_code", p["exit_code"], 0)
        check(f"{p['folder']} max_notch_depth_mm", p["max_notch_depth_mm"], number(notch))
        for k, m in enumerate(MEASURES):
            check(f"{p['folder']} {m}_mean", p[m + "_mean"], number(stats["Moyenne"][k]))
            check(f"{p['folder']} {m}_sd", p[m + "_sd"], number(stats["Ecart-type"][k]))
        if list(mine["tooth"]) != [int(r[0]) for r in rows]:
            problems.append(f"{p['folder']}: tooth rows {list(mine['tooth'])}, results.csv has {len(rows)}")
            continue
        for (_, t), r in zip(mine.iterrows(), rows):
            check(f"{p['folder']} dpi", t["dpi"], p["dpi"])
            for k, m in enumerate(MEASURES):
                check(f"{p['folder']} tooth {r[0]} {m}", t[m], number(r[k + 1]))
        # leaf-margin --tidy's own tables: the same rows, with "." for the folder.
        own_teeth = pd.read_csv(os.path.join(folder, "teeth.csv"))
        own_picture = pd.read_csv(os.path.join(folder, "picture.csv"))
        expected = [t[own_teeth.columns].copy() for _, t in mine.iterrows()] + [p[own_picture.columns].copy()]
        for row in expected:
            row["folder"] = "."
        own = [t for _, t in own_teeth.iterrows()] + [own_picture.iloc[0]]
        if len(own) != len(expected) or not all(map(same_row, own, expected)):
            problems.append(f"{p['folder']}: the picture's own teeth.csv or picture.csv differs")
    for problem in problems:
        print(problem)
    print(f"{len(pictures)} pictures, {len(teeth)} teeth, {len(problems)} mismatches")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
