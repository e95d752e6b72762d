#!/usr/bin/env python3
"""The key-tree generator: every construct of the table format is accepted, and every
malformed line is refused with its file and line named."""

import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
GENERATOR = os.path.join(HERE, "..", "..", "tools", "gen_keys.py")


def generate(*tables):
    """Writes the tables (name, text) and runs the generator; returns (status, stderr, header)."""
    with tempfile.TemporaryDirectory() as tmp:
        paths = []
        for name, text in tables:
            path = os.path.join(tmp, name)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
            paths.append(path)
        out = os.path.join(tmp, "out")
        run = subprocess.run([sys.executable, GENERATOR, out] + paths, capture_output=True, text=True, cwd=tmp)
        header = ""
        if run.returncode == 0:
            with open(os.path.join(out, "key_tree.h"), encoding="utf-8") as f:
                header = f.read()
        return run.returncode, run.stderr, header


class Accepts(unittest.TestCase):
    def test_every_construct(self):
        status, err, header = generate(("10-b.txt", "\n".join([
            "# a comment line",
            "",
            "a/node                  node",
            "a/flag                  bank           bool         true     # chosen: on",
            "a/kind                  bank           enum(NONE=0, SOME=5)  SOME",
            "a/kind_by_text          shared         enum(X=1)    \"X\"",
            "a/list                  hidden         array<enum(P=1,Q=2),4>  [\"P\", 2]",
            "a/cells                 shared_hidden  array<u64,255>",
            "a/text                  bank           string<4>    \"a#b\"   # '#' inside a string",
            "a/length                bank           fixed_length {\"lengths\": [8], \"maximum\": 20}",
            "a/script                bank           script",
            "a/signed                bank           i16          -32768",
            "a/arg                   volatile       u32          3",
            "a/go                    action         void",
            "code/2of5/top-left-x    bank           u16",
            "code/default            bank           u8",
        ]) + "\n"), ("00-a.txt", "first shared u32 0\n"))
        self.assertEqual(status, 0, err)
        # Files are read in name order: 00-a.txt comes first.
        self.assertLess(header.index("first;"), header.index("::a::Struct a;"))
        for member in ("_2of5", "top_left_x", "default_", "VolatilityPropertyHandle<void> go",
                       "NoBankHiddenPropertyHandle<::ivra_configuration::Array<std::uint64_t, 255>> cells",
                       "enum class Enum : std::uint32_t { NONE = 0u, SOME = 5u };"):
            self.assertIn(member, header)


class Refuses(unittest.TestCase):
    CASES = [
        ("a/x bank", "needs a type"),
        ("a/x later u8", "unknown kind 'later'"),
        ("a/X bank u8", "malformed word 'X'"),
        ("a//x bank u8", "malformed word ''"),
        ("a/x bank u9", "unknown type 'u9'"),
        ("a/x bank u8 256", "outside 0..255"),
        ("a/x bank i8 -129", "outside -128..127"),
        ("a/x bank u8 1.5", "not an integer"),
        ("a/x bank bool 1", "not true or false"),
        ("a/x bank enum(A=0,B=1) C", "'C' is not one of A, B"),
        ("a/x bank enum(A=0,A=1)", "given twice"),
        ("a/x bank enum(a=0)", "NAME=number"),
        ("a/x bank string<2> \"abc\"", "exceeds the capacity 2"),
        ("a/x bank string<0>", "outside 1..65535"),
        ("a/x bank array<bool,2>", "array items must be"),
        ("a/x bank array<u8,3> [1,2,3,4]", "exceeds the capacity 3"),
        ("a/x bank array<u8,x>", "is not a number"),
        ("a/x bank fixed_length {\"lengths\": [70000]}", "outside 0..65535"),
        ("a/x bank fixed_length {\"min\": 1}", "no member 'min'"),
        ("a/x bank u8 {oops", "is not a JSON value"),
        ("a/x action void 1", "takes no default"),
        ("a/x action u8", "type void"),
        ("a/x bank void", "type void"),
        ("a/x node u8", "takes no type"),
    ]

    def test_malformed_lines_name_file_and_line(self):
        for line, message in self.CASES:
            with self.subTest(line=line):
                status, err, _ = generate(("20-t.txt", "# header\n\n" + line + "\n"))
                self.assertEqual(status, 1)
                self.assertIn("20-t.txt:3: error:", err)
                self.assertIn(message, err)

    def test_conflicts_name_both_places(self):
        status, err, _ = generate(("10-a.txt", "a/x bank u8\n"), ("20-b.txt", "\n\na/x bank u16\n"))
        self.assertEqual(status, 1)
        self.assertIn("20-b.txt:3: error: 'a/x' is already a key (10-a.txt:1)", err)

        status, err, _ = generate(("10-a.txt", "a bank u8\na/x bank u8\n"))
        self.assertIn("10-a.txt:2: error: 'a' is a key (10-a.txt:1)", err)

        status, err, _ = generate(("10-a.txt", "a/b-c bank u8\na/b_c bank u8\n"))
        self.assertIn("10-a.txt:2: error:", err)
        self.assertIn("same C++ name 'b_c'", err)

        status, err, _ = generate(("10-a.txt", "a node\na node\n"))
        self.assertIn("10-a.txt:2: error: node 'a' declared twice", err)


if __name__ == "__main__":
    unittest.main()
