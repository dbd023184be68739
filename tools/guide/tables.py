#!/usr/bin/env python3
"""The name tables of the user guide, made from the table sources the
program is built from (resources/keytable.txt, resources/mousetable.txt), so
that the guide lists exactly the names the program knows.

The guide marks each generated block with a pair of comments:

    <!-- tabelle: NAME -->
    ... made by this script ...
    <!-- ende: NAME -->

Inside a block, and only there, every name the program accepts stands in
backticks, and nothing else does: the test of the guide reads them back.

    tables.py update GUIDE.md    rewrite the generated blocks in place
    tables.py check GUIDE.md     exit 1 when a block is missing or stale
"""
import os
import re
import sys

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
KEY_TABLE = os.path.join(TOP, "resources", "keytable.txt")
MOUSE_TABLE = os.path.join(TOP, "resources", "mousetable.txt")

UNAVAILABLE, MODIFIER, DIGIT, LETTER, CHAR = 0x01, 0x02, 0x08, 0x10, 0x20

# What the German keyboard shows on a key, by virtual-key code.
KEY_LABELS = {
    0x08: "Rücktaste", 0x09: "Tab", 0x0D: "Eingabe", 0x10: "Umschalt", 0x11: "Strg", 0x12: "Alt",
    0x14: "Feststelltaste", 0x1B: "Esc", 0x20: "Leertaste", 0x21: "Bild auf", 0x22: "Bild ab",
    0x23: "Ende", 0x24: "Pos 1", 0x25: "Pfeil links", 0x26: "Pfeil oben", 0x27: "Pfeil rechts",
    0x28: "Pfeil unten", 0x2C: "Druck", 0x2D: "Einfg", 0x2E: "Entf", 0x5B: "Windows-Taste links",
    0x5C: "Windows-Taste rechts", 0x5D: "Kontextmenü-Taste", 0x6A: "Ziffernblock &#42;",
    0x6B: "Ziffernblock &#43;", 0x6D: "Ziffernblock &#45;", 0x6E: "Ziffernblock Komma",
    0x6F: "Ziffernblock &#47;", 0x90: "Num", 0xA0: "Umschalt links", 0xA1: "Umschalt rechts",
    0xA2: "Strg links", 0xA3: "Strg rechts", 0xA4: "Alt links", 0xA5: "Alt rechts",
    0xBA: "Ü", 0xBB: "Plus", 0xBC: "Komma", 0xBD: "Minus", 0xBE: "Punkt", 0xBF: "Raute",
    0xC0: "Ö", 0xDB: "ß", 0xDC: "Zirkumflex", 0xDD: "Akzent", 0xDE: "Ä", 0xE2: "Kleiner-als",
}
# Codes of keys whose labels count up (digits, letters, keypad digits,
# function keys): a run of them becomes one row of the table.
COUNTING_KEYS = [range(0x30, 0x3A), range(0x41, 0x5B), range(0x60, 0x6A), range(0x70, 0x88)]
KEY_LABELS.update({vk: chr(vk) for vk in range(0x30, 0x3A)})
KEY_LABELS.update({vk: chr(vk) for vk in range(0x41, 0x5B)})
KEY_LABELS.update({vk: "Ziffernblock %d" % (vk - 0x60) for vk in range(0x60, 0x6A)})
KEY_LABELS.update({vk: "F%d" % (vk - 0x6F) for vk in range(0x70, 0x88)})

# The mouse buttons by the SendInput flag that presses them.
BUTTON_LABELS = {0x0002: "linke Maustaste", 0x0008: "rechte Maustaste", 0x0020: "mittlere Maustaste"}


class TableError(Exception):
    pass


def data_lines(path):
    with open(path, encoding="ascii") as source:
        for number, line in enumerate(source, 1):
            words = line.split()
            if words and not words[0].startswith("#"):
                yield "%s:%d" % (os.path.basename(path), number), words


def hex_value(word, where):
    try:
        return int(word, 16)
    except ValueError:
        raise TableError("%s: not a hexadecimal number: %s" % (where, word)) from None


class Key:
    def __init__(self, name, flags, codes, char):
        self.names = [name]
        self.flags = flags
        self.codes = codes
        self.char = char

    def same_key(self, other):
        return (self.flags, self.codes, self.char) == (other.flags, other.codes, other.char)


def read_keys(path=KEY_TABLE):
    """Available keys, synonyms merged into one entry, in table order; and
    the names of the unavailable entries."""
    keys, unavailable = [], []
    for where, words in data_lines(path):
        if words[0] == "languages":
            continue
        if len(words) < 4:
            raise TableError("%s: expected name, flags, key codes and character" % where)
        name, flags = words[0], hex_value(words[1], where)
        if flags & UNAVAILABLE:
            unavailable.append(name)
            continue
        codes = tuple(hex_value(w, where) for w in words[2:-1])
        char = None if words[-1] == "-" else hex_value(words[-1], where)
        key = Key(name, flags, codes, char)
        twin = next((k for k in keys if k.same_key(key)), None)
        if twin:
            twin.names.append(name)
        else:
            keys.append(key)
    return keys, unavailable


def read_mouse(path=MOUSE_TABLE):
    """Buttons as (names, down flags), directions as (name, x, y), and the
    anchor names."""
    flags, aliases, directions, anchors = {}, {}, [], []
    for where, words in data_lines(path):
        if words[0] == "direction":
            directions.append((words[1], int(words[2]), int(words[3])))
        elif words[0] == "anchors":
            anchors.extend(words[1:])
        elif len(words) == 4:
            button = hex_value(words[0], where)
            flags[button] = hex_value(words[1], where)
            if words[3] != "-":
                aliases[button] = words[3]
        else:
            raise TableError("%s: not a line of the mouse table" % where)
    # Every button 1 to 5 is named by its number and by "but" and its number.
    buttons = []
    for button in sorted(set(range(1, 6)) | set(flags)):
        names = [aliases[button]] if button in aliases else []
        if 1 <= button <= 5:
            names += [str(button), "but%d" % button]
        if names:
            buttons.append((names, flags.get(button, 0)))
    return buttons, directions, anchors


def text_of(code):
    """A character as text that Markdown and HTML show as it is."""
    char = chr(code)
    return char if char.isalnum() else "&#%d;" % code


def key_label(codes):
    """The keys a code list presses, as the keyboard names them; control
    with alt is the AltGr key of German keyboards."""
    labels = []
    rest = list(codes)
    if rest[:2] == [0x11, 0x12]:
        labels.append("AltGr" if len(rest) > 2 else "AltGr (Strg &#43; Alt)")
        rest = rest[2:]
    labels += [KEY_LABELS.get(code, "Taste 0x%02X" % code) for code in rest]
    return " &#43; ".join(labels)


def names_cell(names):
    return ", ".join("`%s`" % name for name in names)


def collapse_runs(keys):
    """Rows of a table: runs of three or more digit, letter or function keys
    with one name each whose codes (and characters) count up become one row."""
    rows, run = [], []

    def follows(previous, key):
        if len(key.names) != 1 or len(key.codes) != 1 or len(previous.codes) != 1:
            return False
        if key.codes[0] != previous.codes[0] + 1:
            return False
        if not any(previous.codes[0] in keys and key.codes[0] in keys for keys in COUNTING_KEYS):
            return False
        if (key.char is None) != (previous.char is None):
            return False
        return key.char is None or key.char == previous.char + 1

    def flush():
        if len(run) >= 3:
            first, last = run[0], run[-1]
            char = "—" if first.char is None else "%s bis %s" % (text_of(first.char), text_of(last.char))
            rows.append((names_cell([k.names[0] for k in run]),
                         "%s bis %s" % (key_label(first.codes), key_label(last.codes)), char))
        else:
            rows.extend(key_row(k) for k in run)
        run.clear()

    for key in keys:
        if run and not (len(run[0].names) == 1 and follows(run[-1], key)):
            flush()
        run.append(key)
    flush()
    return rows


def key_row(key):
    char = "—" if key.char is None else text_of(key.char)
    return names_cell(key.names), key_label(key.codes), char


def table(header, rows):
    lines = ["| " + " | ".join(header) + " |", "|" + "|".join("---" for _ in header) + "|"]
    lines += ["| " + " | ".join(row) + " |" for row in rows]
    return "\n".join(lines)


def key_group(key):
    single = key.codes[0] if len(key.codes) == 1 else None
    if key.flags & (LETTER | DIGIT):
        return 0
    if key.flags & CHAR:
        return 1
    if key.flags & MODIFIER:
        return 5
    if single is not None and 0x70 <= single <= 0x87:
        return 3
    if single is not None and (0x60 <= single <= 0x6F or single == 0x90):
        return 4
    return 2


KEY_GROUPS = [
    "Buchstaben und Ziffern",
    "Satz- und Sonderzeichen",
    "Steuer- und Bewegungstasten",
    "Funktionstasten",
    "Ziffernblock",
    "Zusatztasten (für hold, lock, rel und combine)",
]


def keys_block():
    keys, _ = read_keys()
    sections = []
    for group, title in enumerate(KEY_GROUPS):
        members = [k for k in keys if key_group(k) == group]
        if members:
            sections.append("#### %s\n\n%s" % (title, table(["Name", "Taste", "Zeichen"], collapse_runs(members))))
    return "\n\n".join(sections)


def unavailable_block():
    _, unavailable = read_keys()
    return ", ".join("`%s`" % name for name in unavailable) + "."


def buttons_block():
    buttons, _, _ = read_mouse()
    rows = [(names_cell(names), BUTTON_LABELS.get(down, "Maustaste (Ereignis 0x%04X)" % down))
            for names, down in buttons if down]
    return table(["Name", "Maustaste"], rows)


def unsupported_buttons_block():
    buttons, _, _ = read_mouse()
    names = [name for names, down in buttons if not down for name in names]
    return ", ".join("`%s`" % name for name in names) + "."


def direction_text(x, y):
    words = [{-1: "links", 1: "rechts"}.get(x), {-1: "oben", 1: "unten"}.get(y)]
    return "nach " + " ".join(w for w in words if w)


def directions_block():
    _, directions, _ = read_mouse()
    return table(["Name", "Richtung"], [("`%s`" % name, direction_text(x, y)) for name, x, y in directions])


def anchors_block():
    _, _, anchors = read_mouse()
    return ", ".join("`%s`" % name for name in anchors) + "."


BLOCKS = {
    "tasten": keys_block,
    "tasten-nicht-verfuegbar": unavailable_block,
    "maustasten": buttons_block,
    "maustasten-ohne-funktion": unsupported_buttons_block,
    "richtungen": directions_block,
    "anker": anchors_block,
}

BLOCK = re.compile(r"(<!-- tabelle: ([a-z-]+) -->\n)(.*?)(<!-- ende: \2 -->)", re.S)


def fill(text):
    """The guide's text with every generated block made anew."""
    missing = set(BLOCKS) - {m.group(2) for m in BLOCK.finditer(text)}
    if missing:
        raise TableError("the guide lacks the blocks: " + ", ".join(sorted(missing)))

    def fresh(match):
        name = match.group(2)
        if name not in BLOCKS:
            raise TableError("the guide names an unknown block: " + name)
        return "%s\n%s\n\n%s" % (match.group(1), BLOCKS[name](), match.group(4))

    return BLOCK.sub(fresh, text)


def main(args):
    if len(args) != 2 or args[0] not in ("update", "check"):
        sys.exit(__doc__)
    with open(args[1], encoding="utf-8") as guide:
        text = guide.read()
    try:
        made = fill(text)
    except TableError as error:
        sys.exit("tables.py: %s" % error)
    if args[0] == "update":
        if made != text:
            with open(args[1], "w", encoding="utf-8") as guide:
                guide.write(made)
        return 0
    if made != text:
        print("tables.py: the name tables of %s are stale; run tools/guide/tables.py update %s"
              % (args[1], args[1]))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
