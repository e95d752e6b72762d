#!/usr/bin/env python3
"""Check that every key path named in some text documents is in the key tables.

Usage:
    check_keys.py [-k KEYDIR] [-x PATH]... [--loose] [--list] DOCUMENT...

Reads the key tables KEYDIR/*.txt (default: config/keys next to this tool's folder), checks
their lines (column count, kind, duplicate paths, a path that is both a value and a node), then
collects the key-like paths of the documents: words joined by "/" between backticks, and with
--loose also bare ones whose first word is a top-level node of the tables. A path counts as
known when it is a key, a node, the tail of a key or node path (documents often shorten a path
once its node is clear: `for_standard/format`), or a field of a fixed_length record (`fix`,
`range/min`, `range/max`). Paths given with -x are not reported (file paths, JSON members).

Prints the unknown paths with the place of their first mention and exits with 1 when there is
any unknown path or a bad table line; --list also prints every path found and what it matched,
--unnamed the table keys that no document names in full.
"""

import argparse
import os
import re
import sys

KINDS = {"bank", "shared", "hidden", "shared_hidden", "volatile", "action", "node"}
RECORD_FIELDS = ("fix", "range", "range/min", "range/max")

BACKTICKED = re.compile(r"`([a-z0-9_][a-z0-9_.-]*(?:/[a-z0-9_.-]+)+/?(?:\.\.\.)?)`")
BARE = re.compile(r"(?<![\w/.\"'$\\-])([a-z][a-z0-9_-]*(?:/[a-z0-9_][a-z0-9_-]*)+)(?![\w/-])")


def split_columns(line):
    """Columns of a table line; the type column may hold no spaces, the comment is dropped."""
    text = line.split("#", 1)[0].strip()
    return text.split() if text else []


def read_tables(keydir):
    """Returns (leaves: path -> (kind, type), nodes: set of inner paths, errors: list)."""
    leaves, declared_nodes, errors = {}, set(), []
    files = sorted(f for f in os.listdir(keydir) if f.endswith(".txt"))
    if not files:
        errors.append(f"{keydir}: no key tables")
    for name in files:
        path = os.path.join(keydir, name)
        with open(path, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                cols = split_columns(line)
                if not cols:
                    continue
                where = f"{name}:{number}"
                key, kind = cols[0], cols[1] if len(cols) > 1 else ""
                if kind not in KINDS:
                    errors.append(f"{where}: unknown kind {kind!r}")
                    continue
                if kind == "node":
                    if len(cols) != 2:
                        errors.append(f"{where}: a node line holds no type or default")
                    declared_nodes.add(key)
                    continue
                if len(cols) < 3:
                    errors.append(f"{where}: no type")
                    continue
                if kind == "action" and cols[2] != "void":
                    errors.append(f"{where}: an action has type void")
                if key in leaves:
                    errors.append(f"{where}: {key} listed twice")
                leaves[key] = (kind, cols[2])
    nodes = set(declared_nodes)
    for key in leaves:
        parts = key.split("/")
        for i in range(1, len(parts)):
            nodes.add("/".join(parts[:i]))
    for key in sorted(set(leaves) & nodes):
        errors.append(f"{key}: both a value and a node")
    return leaves, nodes, errors


def find_paths(documents, loose, roots):
    """Returns path -> first place ("file:line") of every key-like path in the documents."""
    found = {}
    for doc in documents:
        with open(doc, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                hits = [m.group(1) for m in BACKTICKED.finditer(line)]
                if loose:
                    hits += [m.group(1) for m in BARE.finditer(line)
                             if m.group(1).split("/", 1)[0] in roots]
                for hit in hits:
                    path = hit[:-3] if hit.endswith("...") else hit
                    path = path.rstrip("/")
                    if path:
                        found.setdefault(path, f"{doc}:{number}")
    return found


def classify(path, leaves, nodes):
    """What a path matches, or None when it matches nothing."""
    if path in leaves:
        return "key"
    if path in nodes:
        return "node"
    tail = "/" + path
    if any(k.endswith(tail) for k in leaves):
        return "key tail"
    if any(n.endswith(tail) for n in nodes):
        return "node tail"
    for field in RECORD_FIELDS:
        if path == field or path.endswith("/" + field):
            owner = path[: -len(field)].rstrip("/")
            for key, (_, type_) in leaves.items():
                if type_ == "fixed_length" and (not owner or key == owner or key.endswith("/" + owner)):
                    return "record field"
    return None


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Report key paths missing from the key tables.")
    parser.add_argument("documents", nargs="+", help="text files to search for key paths")
    parser.add_argument("-k", "--keys", default=os.path.join(here, "..", "config", "keys"),
                        help="folder of the key tables")
    parser.add_argument("-x", "--exclude", action="append", default=[],
                        help="a path that is not a setting (may be repeated)")
    parser.add_argument("--loose", action="store_true",
                        help="also take bare paths that start with a top-level node")
    parser.add_argument("--list", action="store_true", help="print every path found")
    parser.add_argument("--unnamed", action="store_true",
                        help="also print the table keys that no document names in full")
    args = parser.parse_args(argv)

    leaves, nodes, errors = read_tables(args.keys)
    for error in errors:
        print(f"table: {error}")
    roots = {p.split("/", 1)[0] for p in leaves} | {p.split("/", 1)[0] for p in nodes}
    found = find_paths(args.documents, args.loose, roots)
    excluded = {p.rstrip("/") for p in args.exclude}

    missing = []
    for path in sorted(found):
        match = "excluded" if path in excluded else classify(path, leaves, nodes)
        if args.list:
            print(f"{match or 'MISSING':12}  {path}")
        if match is None:
            missing.append(path)
    for path in missing:
        print(f"missing: {path}  ({found[path]})")
    if args.unnamed:
        for key in sorted(set(leaves) - set(found)):
            print(f"unnamed: {key}")
    print(f"{len(leaves)} keys in the tables, {len(found)} paths in the documents, "
          f"{len(missing)} missing, {len(errors)} table errors")
    return 1 if missing or errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
