#!/usr/bin/env python3
"""Checks that the code's includes follow the layer order of src/CMakeLists.txt.

Core code of a subsystem may include its own headers and those of the subsystems below it, never a window
(a `ui/` folder) or the command line; windows may include any core header; the command line may include
the core but no window; only the app's own windows assemble the main window, so a window of another
subsystem never includes it (it is handed the controls it needs). Each subsystem is its own static library linked in this order, so what this check
refuses would also leave a symbol the linker cannot resolve in that order.
"""
import os
import re
import sys

LAYERS = ["platform", "settings", "history", "formula", "verify", "tally", "search", "app"]
RANK = {name: i for i, name in enumerate(LAYERS)}
# The main window and its assembly: included by the app's windows and main.cpp alone.
MAIN_WINDOW = {"app/ui/MainWindow.h", "app/ui/MainAssembly.h"}
INCLUDE = re.compile(r'\s*#\s*include\s+"([^"]+)"')


def where(parts):
    """(subsystem, is_ui) of a path relative to src/."""
    return parts[0], len(parts) > 2 and parts[1] == "ui"


def main(src):
    faults = []
    for folder, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            parts = os.path.relpath(path, src).split(os.sep)
            if len(parts) < 2:
                continue  # main.cpp sits above every layer
            sub, ui = where(parts)
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    target = m.group(1).split("/")
                    if len(target) < 2:
                        continue
                    tsub, tui = where(target)
                    if tsub == "cli" and sub != "cli":
                        faults.append((path, number, m.group(1), "the command line is above every layer"))
                    elif m.group(1) in MAIN_WINDOW and sub != "app":
                        faults.append((path, number, m.group(1), "only the app assembles the main window"))
                    elif sub == "cli" and tui:
                        faults.append((path, number, m.group(1), "the command line links no window"))
                    elif sub in RANK and tsub in RANK and not ui:
                        if tui:
                            faults.append((path, number, m.group(1), "core code includes a window"))
                        elif RANK[tsub] > RANK[sub]:
                            faults.append((path, number, m.group(1), f"{sub} is below {tsub}"))
    for path, number, target, why in faults:
        print(f"{path}:{number}: includes {target}: {why}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../../src")))
