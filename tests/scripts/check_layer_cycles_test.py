#!/usr/bin/env python3
"""Tests of scripts/check-layer-cycles on small target graphs written the way
`cmake --graphviz` writes them."""

import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SCRIPT = Path(sys.argv.pop(1) if len(sys.argv) > 1 else
              Path(__file__).resolve().parents[2] / "scripts" / "check-layer-cycles")


def dot(nodes, edges):
    """A graph in CMake's form: nodes are (name, shape), edges (from, to) by name."""
    ids = {name: f"node{i}" for i, (name, _) in enumerate(nodes)}
    lines = ['digraph "CorvaneLibrarian" {', 'node [', '  fontsize = "12"', '];']
    for name, shape in nodes:
        lines.append(f'    "{ids[name]}" [ label = "{name}", shape = {shape} ];')
    for a, b in edges:
        lines.append(f'    "{ids[a]}" -> "{ids[b]}" [ style = dotted ] // {a} -> {b}')
    lines.append("}")
    return "\n".join(lines) + "\n"


def run(text):
    with tempfile.TemporaryDirectory() as folder:
        path = Path(folder) / "targets.dot"
        path.write_text(text)
        result = subprocess.run([sys.executable, str(SCRIPT), "--dot", str(path)],
                                capture_output=True, text=True)
        return result.returncode, result.stdout + result.stderr


LIBS = [("corv_model", "octagon"), ("corv_storage", "octagon"), ("corv_edit", "octagon"),
        ("corv_ui", "octagon"), ("corv_app", "octagon"), ("corvane-librarian", "egg"),
        ("Qt6::Widgets", "octagon"), ("GTest::gtest", "octagon")]
LAYERED = [("corv_storage", "corv_model"), ("corv_edit", "corv_storage"),
           ("corv_edit", "corv_model"), ("corv_ui", "corv_edit"), ("corv_ui", "Qt6::Widgets"),
           ("corv_app", "corv_ui"), ("corvane-librarian", "corv_app")]


class CheckLayerCycles(unittest.TestCase):
    def test_layered_graph_passes_and_prints_the_order(self):
        code, out = run(dot(LIBS, LAYERED))
        self.assertEqual(code, 0, out)
        self.assertIn("corv_model -> corv_storage -> corv_edit -> corv_ui -> corv_app", out)

    def test_cycles_fail_naming_every_target_on_them(self):
        cases = {
            "two libraries": ([("corv_storage", "corv_edit")],
                              "corv_edit -> corv_storage -> corv_edit"),
            "three libraries": ([("corv_model", "corv_ui")],
                                "corv_edit -> corv_model -> corv_ui -> corv_edit"),
            "program and library": ([("corv_app", "corvane-librarian")],
                                    "corv_app -> corvane-librarian -> corv_app"),
        }
        for name, (extra, cycle) in cases.items():
            with self.subTest(name):
                code, out = run(dot(LIBS, LAYERED + extra))
                self.assertEqual(code, 1, out)
                self.assertIn(cycle, out)

    def test_two_separate_cycles_are_both_named(self):
        code, out = run(dot(LIBS, LAYERED + [("corv_storage", "corv_edit"), ("corv_ui", "corv_app")]))
        self.assertEqual(code, 1, out)
        self.assertIn("corv_edit -> corv_storage -> corv_edit", out)
        self.assertIn("corv_app -> corv_ui -> corv_app", out)

    def test_targets_outside_the_project_are_left_out(self):
        # A loop through namespaced targets cannot be mended here and is not ours.
        code, out = run(dot(LIBS, LAYERED + [("Qt6::Widgets", "GTest::gtest"),
                                             ("GTest::gtest", "Qt6::Widgets")]))
        self.assertEqual(code, 0, out)

    def test_an_edge_of_a_target_to_itself_is_no_cycle(self):
        # CMake draws one for every program whose tests are discovered after the build.
        code, out = run(dot(LIBS, LAYERED + [("corvane-librarian", "corvane-librarian")]))
        self.assertEqual(code, 0, out)

    def test_a_graph_without_project_targets_is_an_error(self):
        code, out = run(dot([("Qt6::Widgets", "octagon")], []))
        self.assertNotEqual(code, 0, out)
        self.assertIn("no target of the project", out)


if __name__ == "__main__":
    unittest.main()
