#!/usr/bin/env python3
"""Turns the key-tree tables (config/keys/*.txt) into C++.

Usage: gen_keys.py OUTPUT_DIR TABLE...

The tables are read in file-name order as one table; see config/keys/README.md for the
format. Writes OUTPUT_DIR/key_tree.h and OUTPUT_DIR/key_tree.cpp, and only rewrites a
file whose text changed, so that an unchanged tree does not rebuild its users.

Every error names the file and line it comes from and ends the run with status 1.
"""

import json
import os
import re
import sys

KINDS = ("bank", "shared", "hidden", "shared_hidden", "volatile", "action", "node")
STORED_KINDS = ("bank", "shared", "hidden", "shared_hidden")

# (C++ type, size, alignment, lowest, highest, widest text)
INTEGERS = {
    "bool": ("bool", 1, 1, 0, 1, 5),
    "u8": ("std::uint8_t", 1, 1, 0, 0xFF, 3),
    "u16": ("std::uint16_t", 2, 2, 0, 0xFFFF, 5),
    "u32": ("std::uint32_t", 4, 4, 0, 0xFFFFFFFF, 10),
    "u64": ("std::uint64_t", 8, 8, 0, 0xFFFFFFFFFFFFFFFF, 20),
    "i8": ("std::int8_t", 1, 1, -0x80, 0x7F, 4),
    "i16": ("std::int16_t", 2, 2, -0x8000, 0x7FFF, 6),
    "i32": ("std::int32_t", 4, 4, -0x80000000, 0x7FFFFFFF, 11),
}

# Codes shared with config/key_info.h (ValueType).
TYPE_CODES = {
    "bool": "kBool", "u8": "kU8", "u16": "kU16", "u32": "kU32", "u64": "kU64",
    "i8": "kI8", "i16": "kI16", "i32": "kI32", "enum": "kEnum", "string": "kString",
    "array": "kArray", "fixed_length": "kFixedLength", "void": "kVoid",
}
KIND_CODES = {
    "bank": "kBank", "shared": "kShared", "hidden": "kHidden", "shared_hidden": "kSharedHidden",
    "volatile": "kVolatile", "action": "kAction", "node": "kNode",
}
HANDLE_TEMPLATES = {
    "bank": "PropertyHandle", "shared": "NoBankPropertyHandle", "hidden": "HiddenPropertyHandle",
    "shared_hidden": "NoBankHiddenPropertyHandle", "volatile": "VolatilityPropertyHandle",
    "action": "VolatilityPropertyHandle",
}

FIXED_LENGTH_COUNT = 16
SCRIPT_CELLS = 512

CPP_KEYWORDS = set("""
alignas alignof and and_eq asm auto bitand bitor bool break case catch char char8_t char16_t
char32_t class compl concept const consteval constexpr constinit const_cast continue co_await
co_return co_yield decltype default delete do double dynamic_cast else enum explicit export
extern false float for friend goto if inline int long mutable namespace new noexcept not not_eq
nullptr operator or or_eq private protected public register reinterpret_cast requires return
short signed sizeof static static_assert static_cast struct switch template this thread_local
throw true try typedef typeid typename union unsigned using virtual void volatile wchar_t while
xor xor_eq final override import module
""".split())

# Names that the generated code itself uses inside a node's namespace or class.
RESERVED_MEMBERS = {"Struct", "AbstractHandle", "Handle", "Enum"}

# Macros of the C library and the kernel headers that an enumeration value might meet.
KNOWN_MACROS = set("""
TRUE FALSE NULL EOF DOMAIN SING OVERFLOW UNDERFLOW TLOSS PLOSS HUGE INFINITY NAN ECHO BUFSIZ
EXIT_SUCCESS EXIT_FAILURE CR0 CR1 CR2 CR3 NL0 NL1 TAB0 TAB1 TAB2 TAB3 BS0 BS1 FF0 FF1 VT0 VT1
CS5 CS6 CS7 CS8 PARENB PARODD CREAD CLOCAL HUPCL CSTOPB ISIG ICANON IEXTEN NOFLSH TOSTOP OPOST
B0 B50 B75 B110 B134 B150 B200 B300 B600 B1200 B1800 B2400 B4800 B9600 B19200 B38400 B57600
B115200 B230400 MINSIGSTKSZ SIGSTKSZ
""".split())


class TableError(Exception):
    def __init__(self, where, message):
        super().__init__(f"{where}: error: {message}")


class Type:
    """A value type of the table."""

    def __init__(self, base, size=0, align=1, capacity=0, element=None, enum=None, items_offset=0):
        self.base = base          # bool u8 ... enum string array fixed_length void
        self.size = size
        self.align = align
        self.capacity = capacity  # string / array capacity
        self.element = element    # Type of array items
        self.enum = enum          # list of (name, value) for enum and enum arrays
        self.items_offset = items_offset


def split_top(text, sep):
    """Splits at `sep` outside (), <>, [] and quotes."""
    parts, depth, quote, cur = [], 0, False, ""
    for ch in text:
        if quote:
            cur += ch
            if ch == '"':
                quote = False
            continue
        if ch == '"':
            quote = True
        elif ch in "(<[":
            depth += 1
        elif ch in ")>]":
            depth -= 1
        elif ch == sep and depth == 0:
            parts.append(cur)
            cur = ""
            continue
        cur += ch
    parts.append(cur)
    return parts


def parse_enum(text, where):
    m = re.fullmatch(r"enum\((.*)\)", text, re.S)
    if not m:
        raise TableError(where, f"malformed enumeration '{text}'")
    items, names, values = [], set(), set()
    for part in m.group(1).split(","):
        part = part.strip()
        im = re.fullmatch(r"([A-Z][A-Z0-9_]*)\s*=\s*(\d+)", part)
        if not im:
            raise TableError(where, f"enumeration item '{part}' is not NAME=number (NAME in upper case)")
        name, value = im.group(1), int(im.group(2))
        if value > 0xFFFFFFFF:
            raise TableError(where, f"enumeration value {value} of {name} does not fit 32 bits")
        if name in names:
            raise TableError(where, f"enumeration name {name} given twice")
        if value in values:
            raise TableError(where, f"enumeration value {value} given twice")
        names.add(name)
        values.add(value)
        items.append((name, value))
    if not items:
        raise TableError(where, "enumeration without values")
    return items


def parse_type(text, where):
    text = text.strip()
    if text in INTEGERS:
        _, size, align, _, _, _ = INTEGERS[text]
        return Type(text, size, align)
    if text.startswith("enum("):
        return Type("enum", 4, 4, enum=parse_enum(text, where))
    if text == "void":
        return Type("void", 0, 1)
    if text == "fixed_length":
        # u32 count, 16 x u16 lengths, u16 minimum, u16 maximum
        return Type("fixed_length", 4 + 2 * FIXED_LENGTH_COUNT + 4, 4)
    if text == "script":
        return array_type(Type("u32", 4, 4), SCRIPT_CELLS)
    m = re.fullmatch(r"string<\s*(\d+)\s*>", text)
    if m:
        n = int(m.group(1))
        if n < 1 or n > 65535:
            raise TableError(where, f"string capacity {n} outside 1..65535")
        return Type("string", 4 + 4 * n, 4, capacity=n)
    m = re.fullmatch(r"array<(.*)>", text, re.S)
    if m:
        parts = split_top(m.group(1), ",")
        if len(parts) != 2:
            raise TableError(where, f"array type '{text}' needs an item type and a capacity")
        element = parse_type(parts[0], where)
        if element.base not in INTEGERS and element.base != "enum" or element.base == "bool":
            raise TableError(where, f"array items must be an integer type or an enumeration, not '{parts[0].strip()}'")
        if not re.fullmatch(r"\s*\d+\s*", parts[1]):
            raise TableError(where, f"array capacity '{parts[1].strip()}' is not a number")
        n = int(parts[1])
        if n < 1 or n > 65535:
            raise TableError(where, f"array capacity {n} outside 1..65535")
        return array_type(element, n)
    raise TableError(where, f"unknown type '{text}'")


def array_type(element, n):
    align = max(4, element.align)
    items_offset = align  # the u32 count, padded to the items' alignment
    size = items_offset + element.size * n
    size = (size + align - 1) // align * align
    return Type("array", size, align, capacity=n, element=element, enum=element.enum, items_offset=items_offset)


def check_integer(value, base, where, what="value"):
    if isinstance(value, bool) or not isinstance(value, int):
        raise TableError(where, f"{what} {json.dumps(value)} is not an integer")
    _, _, _, lo, hi, _ = INTEGERS[base]
    if value < lo or value > hi:
        raise TableError(where, f"{what} {value} is outside {lo}..{hi} of {base}")


def check_enum(value, enum, where):
    if isinstance(value, str):
        if value not in dict(enum):
            raise TableError(where, f"'{value}' is not one of {', '.join(n for n, _ in enum)}")
        return
    if isinstance(value, int) and not isinstance(value, bool) and value in {v for _, v in enum}:
        return
    raise TableError(where, f"{json.dumps(value)} is not a value of the enumeration")


def check_default(value, t, where):
    """Checks a default the way the store's JSON reader will."""
    if t.base == "bool":
        if not isinstance(value, bool):
            raise TableError(where, f"default {json.dumps(value)} of a bool is not true or false")
    elif t.base in INTEGERS:
        check_integer(value, t.base, where, "default")
    elif t.base == "enum":
        check_enum(value, t.enum, where)
    elif t.base == "string":
        if not isinstance(value, str):
            raise TableError(where, f"default {json.dumps(value)} of a string is not a JSON string")
        units = len(value.encode("utf-32-le")) // 4
        if units > t.capacity:
            raise TableError(where, f"default string of {units} characters exceeds the capacity {t.capacity}")
        if any(0xD800 <= ord(c) <= 0xDFFF for c in value):
            raise TableError(where, "default string holds a lone surrogate")
    elif t.base == "array":
        if not isinstance(value, list):
            raise TableError(where, f"default {json.dumps(value)} of an array is not a JSON array")
        if len(value) > t.capacity:
            raise TableError(where, f"default array of {len(value)} items exceeds the capacity {t.capacity}")
        for item in value:
            if t.element.base == "enum":
                check_enum(item, t.enum, where)
            else:
                check_integer(item, t.element.base, where, "array item")
    elif t.base == "fixed_length":
        if not isinstance(value, dict):
            raise TableError(where, "default of a fixed_length record must be a JSON object")
        for name, item in value.items():
            if name == "lengths":
                if not isinstance(item, list) or len(item) > FIXED_LENGTH_COUNT:
                    raise TableError(where, f"'lengths' must be an array of at most {FIXED_LENGTH_COUNT} numbers")
                for length in item:
                    check_integer(length, "u16", where, "length")
            elif name in ("minimum", "maximum"):
                check_integer(item, "u16", where, name)
            else:
                raise TableError(where, f"fixed_length record has no member '{name}'")
    else:
        raise TableError(where, f"a {t.base} key takes no default")


def parse_default(text, t, where):
    try:
        value = json.loads(text)
    except ValueError:
        if t.base == "enum" and re.fullmatch(r"[A-Z][A-Z0-9_]*", text):
            value = text
        else:
            raise TableError(where, f"default '{text}' is not a JSON value")
    check_default(value, t, where)
    return value


def split_line(line):
    """Returns (fields, default text) of a table line without its comment."""
    # Cut the comment: a '#' outside a JSON string.
    quote, escape, cut = False, False, len(line)
    for i, ch in enumerate(line):
        if quote:
            if escape:
                escape = False
            elif ch == "\\":
                escape = True
            elif ch == '"':
                quote = False
        elif ch == '"':
            quote = True
        elif ch == "#":
            cut = i
            break
    body = line[:cut].strip()
    # path and kind are plain words; the type may hold spaces inside brackets.
    m = re.match(r"(\S+)\s+(\S+)\s*(.*)", body, re.S)
    if not m:
        return body.split(), None, None
    path, kind, rest = m.group(1), m.group(2), m.group(3)
    if not rest:
        return [path, kind], None, None
    depth, i = 0, 0
    while i < len(rest):
        ch = rest[i]
        if ch in "(<":
            depth += 1
        elif ch in ")>":
            depth -= 1
        elif ch.isspace() and depth == 0:
            break
        i += 1
    type_text = rest[:i]
    default_text = rest[i:].strip() or None
    return [path, kind], type_text, default_text


class Node:
    def __init__(self, word, path, parent, where):
        self.word = word
        self.path = path
        self.parent = parent
        self.where = where
        self.children = []   # Node or Leaf in key order
        self.by_word = {}
        self.explicit = False
        # layout
        self.size = 0
        self.align = 1
        self.offset = 0
        self.stored = False  # holds stored values in its subtree


class Leaf:
    def __init__(self, word, path, parent, kind, t, default, where):
        self.word = word
        self.path = path
        self.parent = parent
        self.kind = kind
        self.type = t
        self.default = default
        self.where = where
        self.offset = 0


WORD_RE = re.compile(r"[a-z0-9][a-z0-9_-]*")


def read_tables(files):
    root = Node("", "", None, "root")
    seen_leaves = {}
    for file in sorted(files, key=os.path.basename):
        with open(file, encoding="utf-8") as f:
            lines = f.read().split("\n")
        rel = os.path.relpath(file)
        for number, line in enumerate(lines, 1):
            where = f"{rel}:{number}"
            stripped = line.strip()
            if not stripped or stripped.startswith("#"):
                continue
            fields, type_text, default_text = split_line(line)
            if len(fields) < 2:
                raise TableError(where, "a line needs at least a path and a kind")
            path, kind = fields
            if kind not in KINDS:
                raise TableError(where, f"unknown kind '{kind}' (one of {', '.join(KINDS)})")
            words = path.split("/")
            for word in words:
                if not WORD_RE.fullmatch(word):
                    raise TableError(where, f"key path '{path}' has the malformed word '{word}'"
                                     " (lower-case letters, digits, '_' and '-')")
            if kind == "node":
                if type_text or default_text:
                    raise TableError(where, "a node line takes no type and no default")
            elif not type_text:
                raise TableError(where, f"a {kind} key needs a type")
            t = None
            default = None
            if kind != "node":
                t = parse_type(type_text, where)
                if (kind == "action") != (t.base == "void"):
                    raise TableError(where, "an action key has the type void, and only an action key has it")
                if default_text is not None:
                    if kind == "action":
                        raise TableError(where, "an action key takes no default")
                    default = parse_default(default_text, t, where)
                if t.base == "fixed_length":
                    # A maximum left out means no restriction, which is 65535, not 0.
                    default = {"maximum": 65535, **(default or {})}
            # Walk or create the inner nodes.
            node = root
            for depth, word in enumerate(words[:-1]):
                sub = node.by_word.get(word)
                sub_path = "/".join(words[:depth + 1])
                if sub is None:
                    sub = Node(word, sub_path, node, where)
                    node.by_word[word] = sub
                    node.children.append(sub)
                elif isinstance(sub, Leaf):
                    raise TableError(where, f"'{sub_path}' is a key ({sub.where}) and cannot hold '{path}'")
                node = sub
            last = words[-1]
            existing = node.by_word.get(last)
            if kind == "node":
                if existing is None:
                    sub = Node(last, path, node, where)
                    sub.explicit = True
                    node.by_word[last] = sub
                    node.children.append(sub)
                elif isinstance(existing, Leaf):
                    raise TableError(where, f"'{path}' is already a key ({existing.where})")
                elif existing.explicit:
                    raise TableError(where, f"node '{path}' declared twice (first at {existing.where})")
                else:
                    existing.explicit = True
                continue
            if existing is not None:
                what = "key" if isinstance(existing, Leaf) else "node"
                raise TableError(where, f"'{path}' is already a {what} ({existing.where})")
            leaf = Leaf(last, path, node, kind, t, default, where)
            node.by_word[last] = leaf
            node.children.append(leaf)
            seen_leaves[path] = leaf
    if not seen_leaves:
        raise TableError(files[0] if files else "tables", "the tables hold no key")
    return root


def identifier(word):
    ident = word.replace("-", "_")
    if ident[0].isdigit():
        ident = "_" + ident
    if ident in CPP_KEYWORDS or ident in RESERVED_MEMBERS:
        ident += "_"
    return ident


def enum_identifier(name):
    return name + "_" if name in KNOWN_MACROS else name


def check_identifiers(node):
    seen = {}
    for child in node.children:
        ident = identifier(child.word)
        if ident in seen:
            raise TableError(child.where, f"'{child.path}' and '{seen[ident].path}' give the same C++ name '{ident}'")
        seen[ident] = child
        if isinstance(child, Node):
            check_identifiers(child)


def layout(node):
    """C layout of the node's value structure: stored leaves and nodes in key order."""
    offset, align = 0, 1
    for child in node.children:
        if isinstance(child, Node):
            layout(child)
            if not child.stored:
                continue
            size, a = child.size, child.align
        elif child.kind in STORED_KINDS:
            size, a = child.type.size, child.type.align
        else:
            continue
        offset = (offset + a - 1) // a * a
        child.offset = offset  # relative for now
        offset += size
        align = max(align, a)
    node.stored = offset > 0
    node.size = (offset + align - 1) // align * align if offset else 0
    node.align = align


def absolute(node, base):
    node.offset = base
    for child in node.children:
        if isinstance(child, Node):
            absolute(child, base + child.offset if child.stored else base)
        elif child.kind in STORED_KINDS:
            child.offset += base


def walk(node):
    yield node
    for child in node.children:
        if isinstance(child, Node):
            yield from walk(child)
        else:
            yield child


def namespace(path):
    return "::ivra_configuration::configuration" + "".join("::" + identifier(w) for w in path.split("/") if w)


def cpp_value_type(leaf):
    t = leaf.type
    if t.base in INTEGERS:
        return INTEGERS[t.base][0]
    if t.base == "enum":
        return namespace(leaf.path) + "::Enum"
    if t.base == "string":
        return f"::ivra_configuration::string_t<{t.capacity}>"
    if t.base == "array":
        item = namespace(leaf.path) + "::Enum" if t.element.base == "enum" else INTEGERS[t.element.base][0]
        return f"::ivra_configuration::Array<{item}, {t.capacity}>"
    if t.base == "fixed_length":
        return "::ivra_configuration::FixedLength"
    return "void"


def value_text_bound(t):
    """Longest JSON text the writer can make of a value of this type."""
    if t.base in INTEGERS:
        return INTEGERS[t.base][5]
    if t.base == "enum":
        return max(max(len(n) + 2 for n, _ in t.enum), 10)
    if t.base == "string":
        return 2 + 6 * t.capacity  # every unit escaped at worst
    if t.base == "array":
        return 2 + t.capacity * (value_text_bound(t.element) + 1)
    if t.base == "fixed_length":
        return len('{"lengths":[],"minimum":,"maximum":}') + FIXED_LENGTH_COUNT * 6 + 10
    return 0


def text_bound(node):
    total = 2
    for child in node.children:
        name = len(child.word) + 4  # quotes, colon, comma
        if isinstance(child, Node):
            total += name + text_bound(child)
        elif child.kind in STORED_KINDS or child.kind == "volatile":
            total += name + value_text_bound(child.type)
    return total


def c_string(text):
    return json.dumps(text)  # a JSON string is a valid C string literal for these characters


def generate(root):
    check_identifiers(root)
    layout(root)
    absolute(root, 0)
    items = list(walk(root))
    index = {id(item): i for i, item in enumerate(items)}

    # Volatile values live outside the banks, in one area of their own.
    volatile_offset, volatile_align = 0, 1
    volatiles = [item for item in items if isinstance(item, Leaf) and item.kind == "volatile"]
    for leaf in volatiles:
        a = leaf.type.align
        volatile_offset = (volatile_offset + a - 1) // a * a
        leaf.offset = volatile_offset
        volatile_offset += leaf.type.size
        volatile_align = max(volatile_align, a)

    enums = []  # (leaf, items)
    for item in items:
        if isinstance(item, Leaf) and item.type.enum:
            enums.append(item)

    h = []
    h.append("// Generated by tools/gen_keys.py from the key tables; do not edit.")
    h.append("#pragma once")
    h.append("")
    h.append('#include "config/property_handle.h"')
    h.append("")
    h.append("#include <cstddef>")
    h.append("#include <cstdint>")
    h.append("")
    h.append("namespace ivra_configuration {")
    h.append("")
    h.append(f"inline constexpr unsigned kKeyCount = {len(items)};")
    h.append(f"inline constexpr unsigned kEnumCount = {len(enums)};")
    h.append(f"inline constexpr std::size_t kBankImageSize = {max(root.size, 1)};")
    h.append(f"inline constexpr std::size_t kVolatileImageSize = {max(volatile_offset, 1)};")
    h.append("// Longest JSON text of the whole tree, hidden values included.")
    h.append(f"inline constexpr std::size_t kTreeTextBound = {text_bound(root)};")
    h.append("extern KeyInfo const kKeyInfo[kKeyCount];")
    h.append("")
    h.append("} // namespace ivra_configuration")
    h.append("")

    # Enumerations, one namespace per key.
    for leaf in enums:
        h.append(f"namespace {namespace(leaf.path)[2:]} {{")
        body = ", ".join(f"{enum_identifier(n)} = {v}u" for n, v in leaf.type.enum)
        h.append(f"enum class Enum : std::uint32_t {{ {body} }};")
        h.append("}")
    if enums:
        h.append("")

    # Value structures, innermost first.
    def emit_struct(node):
        for child in node.children:
            if isinstance(child, Node):
                emit_struct(child)
        ns = namespace(node.path)[2:]
        h.append(f"namespace {ns} {{")
        h.append("struct Struct {")
        for child in node.children:
            if isinstance(child, Node):
                if child.stored:
                    h.append(f"  {namespace(child.path)}::Struct {identifier(child.word)};")
            elif child.kind in STORED_KINDS:
                h.append(f"  {cpp_value_type(child)} {identifier(child.word)};")
        h.append("};")
        h.append("}")

    emit_struct(root)
    h.append("")
    h.append("namespace ivra_configuration::configuration {")
    h.append("// Transient values, never stored in a bank.")
    h.append("struct VolatileStruct {")
    for i, leaf in enumerate(volatiles):
        h.append(f"  {cpp_value_type(leaf)} v{i};  // {leaf.path}")
    if not volatiles:
        h.append("  std::uint8_t unused;")
    h.append("};")
    h.append("}")
    h.append("")

    # Handle classes, innermost first.
    def emit_handles(node):
        for child in node.children:
            if isinstance(child, Node):
                emit_handles(child)
        ns = namespace(node.path)[2:]
        cls = "Handle" if node is root else "AbstractHandle"
        h.append(f"namespace {ns} {{")
        h.append(f"class {cls} : public ::ivra_configuration::CommonPropertyHandle {{")
        h.append(" public:")
        if node is root:
            h.append(f"  explicit {cls}(::ivra_configuration::ConfigurationManager& manager);")
        else:
            h.append(f"  {cls}(::ivra_configuration::ConfigurationManager& manager, "
                     "::ivra_configuration::CommonPropertyHandle& parent);")
        for child in node.children:
            if isinstance(child, Node):
                h.append(f"  {namespace(child.path)}::AbstractHandle {identifier(child.word)};")
            else:
                tmpl = HANDLE_TEMPLATES[child.kind]
                h.append(f"  ::ivra_configuration::{tmpl}<{cpp_value_type(child)}> {identifier(child.word)};")
        h.append("};")
        h.append("}")

    emit_handles(root)
    h.append("")

    c = []
    c.append("// Generated by tools/gen_keys.py from the key tables; do not edit.")
    c.append('#include "config/key_tree.h"')
    c.append("")
    c.append("#include <cstddef>")
    c.append("")
    c.append("namespace ivra_configuration {")
    c.append("namespace {")
    for i, leaf in enumerate(enums):
        c.append(f"constexpr EnumItem kEnum{i}[] = {{" +
                 ", ".join(f"{{{c_string(n)}, {v}u}}" for n, v in leaf.type.enum) + "};")
    c.append("} // namespace")
    c.append("")
    enum_index = {id(leaf): i for i, leaf in enumerate(enums)}

    def type_initializer(leaf):
        t = leaf.type
        element = t.element
        enum = f"kEnum{enum_index[id(leaf)]}" if t.enum else "nullptr"
        count = len(t.enum) if t.enum else 0
        return (f"{{ValueType::{TYPE_CODES[t.base]}, "
                f"ValueType::{TYPE_CODES[element.base] if element else 'kVoid'}, "
                f"{t.size}u, {t.capacity}u, {element.size if element else 0}u, {t.items_offset}u, "
                f"{enum}, {count}u}}")

    c.append("constinit KeyInfo const kKeyInfo[kKeyCount] = {")
    for item in items:
        parent = index[id(item.parent)] if item.parent is not None else -1
        if isinstance(item, Node):
            c.append(f"  {{{c_string(item.word)}, {c_string(item.path)}, KeyKind::kNode, {parent}, "
                     f"{item.offset}u, {item.size}u, {{ValueType::kVoid, ValueType::kVoid, 0u, 0u, 0u, 0u, nullptr, 0u}}, "
                     "nullptr},")
        else:
            default = "nullptr" if item.default is None else c_string(json.dumps(item.default, ensure_ascii=False))
            c.append(f"  {{{c_string(item.word)}, {c_string(item.path)}, KeyKind::{KIND_CODES[item.kind]}, "
                     f"{parent}, {item.offset}u, {item.type.size}u, {type_initializer(item)}, {default}}},")
    c.append("};")
    c.append("")
    c.append("} // namespace ivra_configuration")
    c.append("")

    # Layout checks: the generator's offsets must be the compiler's.
    c.append("namespace {")
    c.append(f"static_assert(sizeof(::ivra_configuration::configuration::Struct) == {max(root.size, 1) if root.stored else 1});")
    for item in items:
        if isinstance(item, Node):
            if item.stored:
                c.append(f"static_assert(sizeof({namespace(item.path)}::Struct) == {item.size});")
            continue
        if item.kind in STORED_KINDS:
            parent = item.parent
            rel = item.offset - parent.offset
            c.append(f"static_assert(offsetof({namespace(parent.path)}::Struct, {identifier(item.word)}) == {rel});")
            c.append(f"static_assert(sizeof({cpp_value_type(item)}) == {item.type.size});")
    for i, leaf in enumerate(volatiles):
        c.append(f"static_assert(offsetof(::ivra_configuration::configuration::VolatileStruct, v{i}) == {leaf.offset});")
    c.append("} // namespace")
    c.append("")

    # Constructors: every handle is built from its table row, children in key order.
    def emit_ctor(node):
        for child in node.children:
            if isinstance(child, Node):
                emit_ctor(child)
        ns = namespace(node.path)
        cls = "Handle" if node is root else "AbstractHandle"
        if node is root:
            c.append(f"{ns}::{cls}::{cls}(::ivra_configuration::ConfigurationManager& manager)")
            c.append(f"    : CommonPropertyHandle(manager, nullptr, ::ivra_configuration::kKeyInfo[{index[id(node)]}])")
        else:
            c.append(f"{ns}::{cls}::{cls}(::ivra_configuration::ConfigurationManager& manager, "
                     "::ivra_configuration::CommonPropertyHandle& parent)")
            c.append(f"    : CommonPropertyHandle(manager, &parent, ::ivra_configuration::kKeyInfo[{index[id(node)]}])")
        for child in node.children:
            if isinstance(child, Node):
                c.append(f"    , {identifier(child.word)}(manager, *this)")
            else:
                c.append(f"    , {identifier(child.word)}(manager, this, ::ivra_configuration::kKeyInfo[{index[id(child)]}])")
        c.append("{}")
        c.append("")

    emit_ctor(root)
    return "\n".join(h) + "\n", "\n".join(c) + "\n"


def write_if_changed(path, text):
    try:
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    except OSError:
        pass
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, path)


def main(argv):
    if len(argv) < 3:
        print("usage: gen_keys.py OUTPUT_DIR TABLE...", file=sys.stderr)
        return 2
    out_dir, files = argv[1], argv[2:]
    try:
        root = read_tables(files)
        header, source = generate(root)
    except TableError as e:
        print(e, file=sys.stderr)
        return 1
    except OSError as e:
        print(f"{e.filename}: error: {e.strerror}", file=sys.stderr)
        return 1
    os.makedirs(out_dir, exist_ok=True)
    write_if_changed(os.path.join(out_dir, "key_tree.h"), header)
    write_if_changed(os.path.join(out_dir, "key_tree.cpp"), source)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
