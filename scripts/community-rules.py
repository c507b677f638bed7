#!/usr/bin/env python3
"""A community rules file of the main file's size and shape, and a machine it is partly for.

Usage: community-rules.py <rules.ini> <root> <plant.reg> <remove.reg>

Writes 4,067 rules the way the community's main file writes them (its header with "; Version:" and
the count, "Default=False", numbered Detect/DetectFile keys, a rule in 28 giving both a key and a
file, HKU and Classes detections, programs found through %ProgramFiles% in both the 64-bit and the
32-bit folder, SpecialDetect, DetectOS, FileKeys with '*' steps, RegKeys, ExcludeKeys, Warnings).
Below <root> it plants the program folders of about 1,550 of them (Profile\\AppData\\Roaming and
Local, Program Files, Program Files (x86)) among folders of other programs; plant.reg creates their
keys and remove.reg takes them away again. The machine is the process's own once USERPROFILE,
APPDATA, ProgramFiles, ProgramFiles(x86) and CommonProgramFiles point below <root>.
"""
import os
import random
import sys

RULES = 4067
out_path, root, plant_reg, remove_reg = sys.argv[1:5]
rng = random.Random(34)
profile = os.path.join(root, "Profile")
roaming = os.path.join(profile, "AppData", "Roaming")
local = os.path.join(profile, "AppData", "Local")
program_files = os.path.join(root, "Program Files")
program_files_x86 = os.path.join(root, "Program Files (x86)")
planted_keys = []


def plant_folder(path):
    os.makedirs(path, exist_ok=True)


def vendor(n):
    return "BenchVendor%04d" % n


# What each rule is detected by, weighted as the main file's rules are.
FORMS = [("key", 44), ("file", 30), ("programfiles", 8), ("both", 4), ("special", 2), ("none", 12)]
GROUPS = [3021] * 30 + [3022] * 5 + [3023] * 10 + [3024] * 25 + [3025] * 12 + [3026, 3027, 3028, 3029, 3030, 3031] * 3


def pick_form():
    total = rng.randrange(sum(w for _, w in FORMS))
    for form, weight in FORMS:
        if total < weight:
            return form
        total -= weight
    return FORMS[-1][0]


def detect_keys(n, present):
    app = "HKCU\\Software\\%s\\App%d" % (vendor(n), n)
    keys = [app]
    if rng.random() < 0.35:
        keys.append("HKLM\\Software\\%s\\App%d" % (vendor(n), n))
    if rng.random() < 0.08:
        keys.append("HKU\\.DEFAULT\\Software\\%s" % vendor(n))
    if rng.random() < 0.05:
        keys.append("HKCR\\%s.Document" % vendor(n))
    if rng.random() < 0.03:
        keys.append("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer")
    if present:
        hive = "HKEY_LOCAL_MACHINE" if keys[-1].startswith("HKLM") and rng.random() < 0.5 else "HKEY_CURRENT_USER"
        planted_keys.append("%s\\Software\\%s\\App%d" % (hive, vendor(n), n))
    return keys


def detect_files(n, present, x86):
    if x86 is not None:
        folder = "%%ProgramFiles%%\\%s\\App%d" % (vendor(n), n)
        if present:
            plant_folder(os.path.join(program_files_x86 if x86 else program_files, vendor(n), "App%d" % n))
        return [folder]
    base, where = rng.choice([("%AppData%", roaming), ("%LocalAppData%", local), ("%LocalAppData%", local)])
    files = ["%s\\%s\\App%d" % (base, vendor(n), n)]
    if rng.random() < 0.2:
        files.append("%s\\%s\\App%d*" % (base, vendor(n), n))
    if present:
        plant_folder(os.path.join(where, vendor(n), "App%d" % n))
    return files


def numbered(name, values):
    if len(values) == 1:
        return ["%s=%s" % (name, values[0])]
    return ["%s%d=%s" % (name, i + 1, value) for i, value in enumerate(values)]


def rule(n):
    form = pick_form()
    present = rng.random() < 0.32
    lines = ["[%s App%d *]" % (vendor(n), n)]
    if rng.random() < 0.05:
        lines.append("Section=%s Tools" % vendor(n))
    else:
        lines.append("LangSecRef=%d" % rng.choice(GROUPS))
    if form in ("key", "both"):
        lines += numbered("Detect", detect_keys(n, present))
    if form in ("file", "both"):
        lines += numbered("DetectFile", detect_files(n, present and form == "file", None))
    if form == "programfiles":
        lines += numbered("DetectFile", detect_files(n, present, rng.random() < 0.6))
    if form == "special":
        lines.append("SpecialDetect=%s" % rng.choice(["DET_CHROME", "DET_MOZILLA", "DET_THUNDERBIRD", "DET_OPERA"]))
    if rng.random() < 0.05:
        lines.append("DetectOS=%s" % rng.choice(["6.2|", "|6.1", "10.0|"]))
    lines.append("Default=False")
    if rng.random() < 0.02:
        lines.append("Warning=This also removes the settings of App%d." % n)
    files = []
    for k in range(rng.choice([0, 1, 1, 2, 3, 4, 5, 6, 8, 12])):
        base = rng.choice(["%LocalAppData%", "%AppData%", "%LocalAppData%", "%CommonAppData%", "%Documents%"])
        shape = rng.randrange(5)
        if shape == 0:
            files.append("%s\\%s\\App%d\\Cache|*.*|RECURSE" % (base, vendor(n), n))
        elif shape == 1:
            files.append("%s\\%s\\App%d|*.log;*.tmp" % (base, vendor(n), n))
        elif shape == 2:
            files.append("%s\\%s\\App%d\\*\\Logs|*.*|REMOVESELF" % (base, vendor(n), n))
        elif shape == 3:
            files.append("%s\\%s\\App%d\\User Data\\*\\GPUCache|*.*" % (base, vendor(n), n))
        else:
            files.append("%s\\%s\\App%d\\Crash Reports%d|*.dmp" % (base, vendor(n), n, k))
    lines += ["FileKey%d=%s" % (i + 1, f) for i, f in enumerate(files)]
    keys = ["HKCU\\Software\\%s\\App%d\\Recent%s" % (vendor(n), n, "|" + "File%d" % k if k % 2 else "")
            for k in range(rng.choice([0, 0, 1, 1, 1, 2, 3]))]
    if not files and not keys:
        keys.append("HKCU\\Software\\%s\\App%d\\MRU" % (vendor(n), n))
    lines += ["RegKey%d=%s" % (i + 1, k) for i, k in enumerate(keys)]
    if files and rng.random() < 0.03:
        lines.append("ExcludeKey1=FILE|%s\\%s\\App%d\\|settings.ini" % ("%LocalAppData%", vendor(n), n))
    return lines


# Other programs' folders and keys, which no rule names, as a used machine has them.
for where in (roaming, local, program_files, program_files_x86):
    for other in range(150):
        plant_folder(os.path.join(where, "Other Program %d" % other))
with open(out_path, "w", newline="\r\n", encoding="utf-8") as out:
    out.write("; Version: 250321\n; # of entries: {:,}\n;\n".format(RULES))
    out.write("; This file was generated for a benchmark and holds no real rules.\n\n")
    for n in range(RULES):
        out.write("\n".join(rule(n)) + "\n\n")
with open(plant_reg, "w", newline="\r\n") as out:
    out.write("REGEDIT4\n\n" + "".join("[%s]\n\"Version\"=\"1\"\n\n" % key for key in planted_keys))
with open(remove_reg, "w", newline="\r\n") as out:
    vendors = sorted({key.rsplit("\\", 1)[0] for key in planted_keys})
    out.write("REGEDIT4\n\n" + "".join("[-%s]\n\n" % key for key in vendors))
