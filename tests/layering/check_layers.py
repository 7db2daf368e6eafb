#!/usr/bin/env python3
"""Checks that the includes of src/ follow the folder order of src/CMakeLists.txt.

A file includes headers of its own folder and of the folders below it, never one above:

    platform < settings < history < formula < verify < tally < search < bets < session < {gui, cli}

gui/ and cli/ are the two front ends; neither includes the other. Inside gui/ the same rule holds again:

    gui/widgets < gui/settings < gui/history < gui/formula < gui/verify < gui/tally < gui/search < gui/bets < gui/

so a subsystem's window never includes the main window or a window of a subsystem above it (it is handed
what it needs). Only gui/ includes QtWidgets. Each folder is its own static library linked in this order,
so what this check refuses would also leave a symbol the linker cannot resolve in that order.

Usage: check_layers.py SRC [--widgets-dir DIR]   (DIR: Qt's QtWidgets include folder, to know its headers)
"""
import argparse
import os
import re
import sys

CORE = ["platform", "settings", "history", "formula", "verify", "tally", "search", "bets", "session"]
FRONT_ENDS = ["gui", "cli"]
GUI = ["widgets", "settings", "history", "formula", "verify", "tally", "search", "bets"]
INCLUDE = re.compile(r'\s*#\s*include\s+([<"])([^">]+)[">]')
# The QtWidgets classes a core file could plausibly reach for, when Qt's own folder is not given.
KNOWN_WIDGETS = {
    "QApplication", "QWidget", "QDialog", "QMainWindow", "QMessageBox", "QFileDialog", "QLabel",
    "QPushButton", "QTableView", "QTreeView", "QListView", "QHeaderView", "QLineEdit", "QComboBox",
    "QCheckBox", "QSpinBox", "QMenu", "QMenuBar", "QAction", "QStatusBar", "QProgressBar", "QLayout",
    "QVBoxLayout", "QHBoxLayout", "QGridLayout", "QAbstractItemView", "QStyle", "QScrollBar",
}


def rank(parts):
    """(front end or None, order) of a path relative to src/, or None for a file outside the folders."""
    if len(parts) < 2:
        return None
    top = parts[0]
    if top in CORE:
        return (None, CORE.index(top))
    if top == "cli":
        return ("cli", len(CORE))
    if top == "gui":
        sub = parts[1] if len(parts) > 2 and parts[1] in GUI else None
        return ("gui", len(CORE) + (GUI.index(sub) if sub else len(GUI)))
    return None


def name(parts):
    if parts[0] == "gui" and len(parts) > 2 and parts[1] in GUI:
        return "gui/" + parts[1]
    return parts[0]


def widget_headers(widgets_dir):
    if widgets_dir and os.path.isdir(widgets_dir):
        return {f for f in os.listdir(widgets_dir) if f.startswith("Q") and "." not in f}
    return set(KNOWN_WIDGETS)


def check(src, widgets):
    faults = []
    for folder, _, files in os.walk(src):
        for file in sorted(files):
            if not file.endswith((".h", ".cpp", ".inc")):
                continue
            path = os.path.join(folder, file)
            parts = os.path.relpath(path, src).split(os.sep)
            own = rank(parts)
            if own is None:
                continue
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    target = m.group(2)
                    if m.group(1) == "<":
                        first = target.split("/")[0]
                        if own[0] != "gui" and (first == "QtWidgets" or first in widgets):
                            faults.append((path, number, target, "only gui/ includes QtWidgets"))
                        continue
                    tparts = target.split("/")
                    theirs = rank(tparts)
                    if theirs is None:
                        continue
                    if own[0] and theirs[0] and own[0] != theirs[0]:
                        faults.append((path, number, target, f"{own[0]}/ and {theirs[0]}/ are two front ends"))
                    elif theirs[1] > own[1]:
                        faults.append((path, number, target, f"{name(parts)} is below {name(tparts)}"))
    return sorted(faults)


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("src", nargs="?", default=os.path.join(os.path.dirname(__file__), "../../src"))
    parser.add_argument("--widgets-dir")
    args = parser.parse_args(argv)
    faults = check(args.src, widget_headers(args.widgets_dir))
    for path, number, target, why in faults:
        print(f"{path}:{number}: includes {target}: {why}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
