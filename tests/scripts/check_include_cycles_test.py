#!/usr/bin/env python3
"""Tests of scripts/check-include-cycles on small source trees."""

import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SCRIPT = Path(sys.argv.pop(1) if len(sys.argv) > 1 else
              Path(__file__).resolve().parents[2] / "scripts" / "check-include-cycles")


def run(files):
    """Writes the files ({path: text}) into a fresh tree and checks it."""
    with tempfile.TemporaryDirectory() as folder:
        for name, text in files.items():
            path = Path(folder) / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text)
        result = subprocess.run([sys.executable, str(SCRIPT), folder],
                                capture_output=True, text=True)
        return result.returncode, result.stdout + result.stderr


class IncludeCycles(unittest.TestCase):
    def test_a_class_including_its_own_header_and_lower_ones_passes(self):
        status, out = run({"ui/a.h": '#include "model/b.h"\n', "ui/a.cpp": '#include "ui/a.h"\n',
                           "model/b.h": "#include <vector>\n", "model/b.cpp": '#include "model/b.h"\n'})
        self.assertEqual(status, 0, out)
        self.assertIn("among 2 units", out)

    def test_an_implementation_that_includes_a_header_that_includes_its_own_is_a_cycle(self):
        # Neither header includes the other: the cycle closes through a .cpp file.
        status, out = run({"ui/a.h": "", "ui/a.cpp": '#include "ui/b.h"\n',
                           "ui/b.h": '#include "ui/a.h"\n', "ui/b.cpp": ""})
        self.assertEqual(status, 1, out)
        self.assertIn("ui/a -> ui/b -> ui/a", out)

    def test_a_longer_cycle_is_named_once_with_every_unit(self):
        status, out = run({"x/a.h": '#include "x/b.h"\n', "x/b.h": '#include "x/c.h"\n',
                           "x/c.h": "", "x/c.cpp": '#include "x/a.h"\n', "x/d.h": '#include "x/a.h"\n'})
        self.assertEqual(status, 1, out)
        self.assertEqual(out.count(" -> "), 3, out)
        self.assertNotIn("x/d", out)

    def test_headers_from_outside_the_tree_and_system_headers_do_not_count(self):
        status, out = run({"a.h": '#include <QWidget>\n#include "gtest/gtest.h"\n',
                           "a.cpp": '#include "a.h"\n#include "missing.h"\n'})
        self.assertEqual(status, 0, out)


if __name__ == "__main__":
    unittest.main()
