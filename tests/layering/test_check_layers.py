#!/usr/bin/env python3
"""The layering check on planted trees: each planted fault is reported with its line, and a clean tree
passes. Run by ctest."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import check_layers  # noqa: E402


def plant(root, files):
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as f:
            f.write(text)


def faults(files):
    with tempfile.TemporaryDirectory() as root:
        plant(root, files)
        return [(os.path.relpath(p, root), n, t, why)
                for p, n, t, why in check_layers.check(root, check_layers.KNOWN_WIDGETS)]


class LayeringCheck(unittest.TestCase):
    def test_a_tree_that_follows_the_order_passes(self):
        self.assertEqual(faults({
            "platform/Database.h": '#include <QString>\n',
            "history/Param.h": '#include "platform/Database.h"\n',
            "formula/Formula.h": '#include "history/Param.h"\n#include "formula/Other.h"\n',
            "session/Session.h": '#include "search/SearchSession.h"\n',
            "gui/widgets/PngExport.h": '#include <QWidget>\n',
            "gui/tally/BacktestWindow.h": '#include "gui/widgets/PngExport.h"\n#include "session/Session.h"\n',
            "gui/MainWindow.h": '#include "gui/tally/BacktestWindow.h"\n',
            "cli/Cli.h": '#include "session/Session.h"\n',
            "bets/BetList.h": '#include "search/SearchSession.h"\n',
            "session/BetCommand.h": '#include "bets/BetList.h"\n',
            "gui/bets/BetListWindow.h": '#include "gui/search/SearchWindow.h"\n#include "bets/BetList.h"\n',
            "gui/MainAssembly.h": '#include "gui/bets/BetListWindow.h"\n',
        }), [])

    def test_bets_stand_between_search_and_session(self):
        found = faults({
            "bets/BetList.h": '#include "session/Session.h"\n',
            "search/Walk.h": '#include "bets/BetList.h"\n',
            "gui/search/SearchWindow.h": '#include "gui/bets/BetListWindow.h"\n',
        })
        self.assertEqual([(p, why) for p, _, _, why in found], [
            ("bets/BetList.h", "bets is below session"),
            ("gui/search/SearchWindow.h", "gui/search is below gui/bets"),
            ("search/Walk.h", "search is below bets"),
        ])

    def test_an_include_one_layer_up_is_refused(self):
        self.assertEqual(faults({"history/Draws.h": '#pragma once\n#include "formula/Formula.h"\n'}),
                         [("history/Draws.h", 2, "formula/Formula.h", "history is below formula")])

    def test_every_include_one_layer_up_is_refused(self):
        # Each folder of the order includes a header of the folder right above it, and only that; a check
        # that refused only includes jumping two layers, or that ranked two neighbours alike, lets one through.
        order = ([(f, f) for f in check_layers.CORE] + [("gui/" + g, "gui/" + g) for g in check_layers.GUI] +
                 [("gui", "gui")])
        pairs = list(zip(order, order[1:])) + [(("session", "session"), ("cli", "cli"))]
        self.assertEqual(len(pairs), len(check_layers.CORE) + len(check_layers.GUI) + 1)
        for (lower, lower_name), (upper, upper_name) in pairs:
            with self.subTest(lower=lower_name, upper=upper_name):
                found = faults({lower + "/Low.h": '#include "' + upper + '/High.h"\n',
                                upper + "/High.h": '#include "' + lower + '/Low.h"\n'})
                self.assertEqual(found, [(lower + "/Low.h", 1, upper + "/High.h",
                                          lower_name + " is below " + upper_name)])

    def test_several_upward_includes_are_each_named(self):
        found = faults({
            "platform/Upward.h": '#include "history/Param.h"\n',
            "history/Draws.h": '#include "formula/Formula.h"\n#include "session/Session.h"\n',
            "verify/List.h": '#include "gui/verify/ChoicePanel.h"\n',
        })
        self.assertEqual([(p, n, why) for p, n, _, why in found], [
            ("history/Draws.h", 1, "history is below formula"),
            ("history/Draws.h", 2, "history is below session"),
            ("platform/Upward.h", 1, "platform is below history"),
            ("verify/List.h", 1, "verify is below gui/verify"),
        ])

    def test_windows_follow_the_order_inside_gui(self):
        found = faults({
            "gui/tally/Reach.h": '#include "gui/MainWindow.h"\n',
            "gui/history/Trend.h": '#include "gui/search/SearchWindow.h"\n',
        })
        self.assertEqual([(p, why) for p, _, _, why in found], [
            ("gui/history/Trend.h", "gui/history is below gui/search"),
            ("gui/tally/Reach.h", "gui/tally is below gui"),
        ])

    def test_the_two_front_ends_never_include_each_other(self):
        found = faults({
            "cli/Cli.cpp": '#include "gui/widgets/QtDialogs.h"\n',
            "gui/MainWindow.cpp": '#include "cli/Cli.h"\n',
        })
        self.assertEqual([why for *_, why in found], ["cli/ and gui/ are two front ends", "gui/ and cli/ are two front ends"])

    def test_only_gui_includes_qt_widgets(self):
        found = faults({
            "tally/Run.cpp": '#include <QMessageBox>\n',
            "session/Session.cpp": '#include <QtWidgets/QDialog>\n',
            "gui/widgets/Fine.cpp": '#include <QMessageBox>\n',
            "verify/List.cpp": '#include <QString>\n',
        })
        self.assertEqual([p for p, *_ in found], ["session/Session.cpp", "tally/Run.cpp"])

    def test_the_command_line_exit_status_says_whether_the_tree_is_clean(self):
        with tempfile.TemporaryDirectory() as root:
            plant(root, {"platform/Up.h": '#include "tally/TallyRun.h"\n'})
            self.assertEqual(check_layers.main([root]), 1)
        with tempfile.TemporaryDirectory() as root:
            plant(root, {"tally/Down.h": '#include "platform/Database.h"\n'})
            self.assertEqual(check_layers.main([root]), 0)


if __name__ == "__main__":
    unittest.main()
