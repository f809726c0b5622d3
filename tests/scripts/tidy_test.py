#!/usr/bin/env python3
"""scripts/tidy.py on a small real Ninja build with a stand-in clang-tidy:
which files it checks again after which change, and what a finding does."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

TIDY = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../../scripts/tidy.py")

FAKE_TIDY = """#!/bin/sh
# Records the file it was asked about; a file holding FINDING has one.
for last; do :; done
echo "$last" >> "$(dirname "$0")/asked.log"
if grep -q FINDING "$last"; then
  echo "$last:1:1: warning: a finding [fake-check]"
  exit 1
fi
exit 0
"""

BUILD_NINJA = """rule cc
  command = c++ -MD -MF $out.d -c $in -o $out
  depfile = $out.d
  deps = gcc
build a.o: cc ../src/a.cpp
build b.o: cc ../src/b.cpp
"""


class Tidy(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.root)
        self.write("src/h.h", "inline int h() { return 1; }\n")
        self.write("src/a.cpp", '#include "h.h"\nint a() { return h(); }\n')
        self.write("src/b.cpp", "int b() { return 2; }\n")
        self.write(".clang-tidy", "Checks: '-*,bugprone-*'\n")
        self.write("build/build.ninja", BUILD_NINJA)
        self.write("fake/clang-tidy", FAKE_TIDY)
        os.chmod(self.path("fake/clang-tidy"), 0o755)
        self.database({"a": "c++ -c ../src/a.cpp -o a.o", "b": "c++ -c ../src/b.cpp -o b.o"})
        subprocess.run(["ninja", "-C", self.path("build")], check=True, capture_output=True)

    def path(self, name):
        return os.path.join(self.root, name)

    def write(self, name, text):
        os.makedirs(os.path.dirname(self.path(name)), exist_ok=True)
        with open(self.path(name), "w", encoding="utf-8") as f:
            f.write(text)

    def database(self, commands):
        entries = [{"directory": self.path("build"), "command": command, "file": f"../src/{name}.cpp"}
                   for name, command in commands.items()]
        self.write("build/compile_commands.json", json.dumps(entries))

    def tidy(self, *extra):
        """Runs the script; returns its exit code, output and the files asked about."""
        asked = self.path("fake/asked.log")
        if os.path.exists(asked):
            os.remove(asked)
        time.sleep(0.1)  # changes made before a run are older than its start
        result = subprocess.run([sys.executable, TIDY, self.path("build"), "--root", self.root, "-j", "2",
                                 "--clang-tidy", self.path("fake/clang-tidy"), *extra],
                                capture_output=True, text=True, check=False)
        names = []
        if os.path.exists(asked):
            with open(asked, encoding="utf-8") as f:
                names = sorted(os.path.basename(line.strip()) for line in f)
        return result.returncode, result.stdout + result.stderr, names

    def test_checks_only_what_changed_since_a_clean_check(self):
        self.assertEqual(self.tidy()[::2], (0, ["a.cpp", "b.cpp"]))
        self.assertEqual(self.tidy()[::2], (0, []))

        time.sleep(0.1)
        os.utime(self.path("src/h.h"))  # a header: the file that includes it
        self.assertEqual(self.tidy()[::2], (0, ["a.cpp"]))
        self.assertEqual(self.tidy()[::2], (0, []))

        self.database({"a": "c++ -c ../src/a.cpp -o a.o", "b": "c++ -DX -c ../src/b.cpp -o b.o"})
        self.assertEqual(self.tidy()[::2], (0, ["b.cpp"]))

        self.write(".clang-tidy", "Checks: '-*,performance-*'\n")  # other checks: everything again
        self.assertEqual(self.tidy()[::2], (0, ["a.cpp", "b.cpp"]))

        self.assertEqual(self.tidy("--all")[::2], (0, ["a.cpp", "b.cpp"]))

    def test_a_file_with_findings_is_checked_until_it_is_fixed(self):
        self.tidy()
        self.write("src/b.cpp", "int b() { return 2; } // FINDING\n")
        code, output, asked = self.tidy()
        self.assertEqual((code, asked), (1, ["b.cpp"]))
        self.assertIn("warning: a finding [fake-check]", output)
        self.assertEqual(self.tidy()[::2], (1, ["b.cpp"]))  # unchanged, still checked

        self.write("src/b.cpp", "int b() { return 2; }\n")
        self.assertEqual(self.tidy()[::2], (0, ["b.cpp"]))
        self.assertEqual(self.tidy()[::2], (0, []))

    def test_without_a_dependency_record_every_file_is_checked(self):
        os.remove(self.path("build/.ninja_deps"))
        self.assertEqual(self.tidy()[::2], (0, ["a.cpp", "b.cpp"]))
        self.assertEqual(self.tidy()[::2], (0, ["a.cpp", "b.cpp"]))


if __name__ == "__main__":
    unittest.main()
