#!/usr/bin/env python3
"""Checks the naming rule of HACKING.md ("Names") on the sources and names every line that breaks
it. Exit status 0 when all names follow the rule, 1 otherwise.

    tools/check-names.py [FOLDER...]     (default: src sim)

It reads declarations line by line, as they are written here (one declaration a line, the
project's clang-format style), so it is quick and needs no compiler.
"""
import re
import sys
from pathlib import Path

PASCAL = re.compile(r"^[A-Z][A-Za-z0-9]*$")
CAMEL = re.compile(r"^[a-z][A-Za-z0-9]*$")
CONSTANT = re.compile(r"^k[A-Z][A-Za-z0-9]*$")

TYPE = re.compile(r"^\s*(?:template\s*<[^>]*>\s*)?(class|struct|enum class|enum struct|enum)\s+"
                  r"(?:\[\[\w+\]\]\s*)?([A-Za-z_]\w*)\s*(?:final\s*)?[:{;]")
RAW_OPEN = re.compile(r'R"([^()\\ ]{0,16})\(')
USING = re.compile(r"^\s*using\s+([A-Za-z_]\w*)\s*=")
# A function declared or defined in a class body: return type, name, parameters.
METHOD = re.compile(r"^\s*(?:(?:virtual|static|inline|explicit|constexpr|consteval|friend)\s+)*"
                    r"([A-Za-z_][\w:<>,\*& ]*?[\w>\*&])\s+[\*&]?([A-Za-z_]\w*)\s*\(([^()]*(?:\([^()]*\)[^()]*)*)\)"
                    r"\s*(const)?\s*(noexcept)?\s*(override|final)?")
MEMBER = re.compile(r"^\s*(?:(?:static|mutable|inline|constexpr)\s+)*[A-Za-z_][\w:<>,\*& ]*?[\w>\*&]\s+"
                    r"([A-Za-z_]\w*)(?:\s*\[[^\]]*\])?\s*(?:=[^;]*|\{[^;]*\})?;\s*(//.*)?$")
CONSTEXPR = re.compile(r"^\s*(?:inline\s+|static\s+)*constexpr\s+[\w:<>,\*& ]+?\s+([A-Za-z_]\w*)\s*(?:\[[^\]]*\])?\s*[={]")
ENUM_ITEM = re.compile(r"^\s*([A-Za-z_]\w*)\s*(?:=\s*[^,]+)?,?\s*(//.*)?$")
# Names the module's program gave, kept as they are.
GIVEN = {"waterVapourPressure"}
KEYWORDS = {"return", "else", "delete", "new", "case", "goto", "throw", "co_return", "operator",
            "sizeof", "if", "for", "while", "switch"}


class Checker:
    def __init__(self):
        self.faults = []

    def fault(self, path, number, what, line):
        self.faults.append(f"{path}:{number}: {what}: {line.strip()}")

    def check(self, path, shown):
        depth = 0
        scopes = []  # (kind, depth at opening): "class", "enum", "enum class", "function", "namespace"
        section = "private"
        pending = None  # a type whose brace comes on a later line
        raw_end = None  # the closing delimiter of a raw string literal that spans lines
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            if raw_end is not None:  # inside a raw string literal: text, not declarations
                if raw_end in line:
                    raw_end = None
                continue
            code = line.split("//")[0]
            raw = RAW_OPEN.search(code)
            if raw and ')' + raw.group(1) + '"' not in code[raw.end():]:
                raw_end = ')' + raw.group(1) + '"'
                code = code[:raw.start()] + '"";'
            stripped = code.strip()
            top = scopes[-1][0] if scopes else "namespace"
            if stripped.startswith("#") or not stripped:
                pass
            elif top in ("enum", "enum class"):
                m = ENUM_ITEM.match(code)
                if m and not stripped.startswith("}"):
                    name = m.group(1)
                    rule = CONSTANT if top == "enum" else PASCAL
                    if not rule.match(name):
                        self.fault(shown, number, f"enumerator '{name}' is not "
                                   + ("kPascalCase" if top == "enum" else "PascalCase"), line)
            elif top in ("class", "namespace"):
                self.check_declaration(shown, number, line, code, top, section)
            m = TYPE.match(code)
            opened_type = None
            if m:
                kind, name = m.group(1), m.group(2)
                # A forward declaration of a C library's type (struct sqlite3;) keeps its name.
                foreign = stripped == f"{kind} {name};" and name[0].islower()
                if not PASCAL.match(name) and not foreign:
                    self.fault(shown, number, f"type '{name}' is not PascalCase", line)
                opened_type = "class" if kind in ("class", "struct") else (
                    "enum" if kind == "enum" else "enum class")
                body = re.search(r"\{([^}]*)\}", code)
                if body and opened_type != "class":
                    rule = CONSTANT if opened_type == "enum" else PASCAL
                    for item in body.group(1).split(","):
                        item = item.split("=")[0].strip()
                        if item and not rule.match(item):
                            self.fault(shown, number, f"enumerator '{item}' is not "
                                       + ("kPascalCase" if rule is CONSTANT else "PascalCase"), line)
                section = "private" if kind == "class" else "public"
            m = re.match(r"^\s*(public|protected|private|signals|public slots|private slots)\s*:", code)
            if m:
                section = m.group(1)
            # Braces open and close scopes.
            for ch in code:
                if ch == "{":
                    if opened_type and "{" in code and not code.rstrip().endswith(";"):
                        kind = opened_type
                        opened_type = None
                    elif pending:
                        kind, pending = pending, None
                    elif re.match(r"^\s*namespace\b", code):
                        kind = "namespace"
                    else:
                        kind = "function" if top in ("class", "namespace") else "block"
                    scopes.append((kind, depth))
                    depth += 1
                elif ch == "}":
                    depth -= 1
                    if scopes:
                        scopes.pop()
            if opened_type and "{" not in code and not code.rstrip().endswith(";"):
                pending = opened_type

    def check_declaration(self, shown, number, line, code, scope, section):
        stripped = code.strip()
        if stripped.startswith(("using namespace", "return", "friend class", "template")):
            return
        if TYPE.match(code) or "operator" in code:
            return
        m = USING.match(code)
        if m:
            if not PASCAL.match(m.group(1)):
                self.fault(shown, number, f"type alias '{m.group(1)}' is not PascalCase", line)
            return
        m = CONSTEXPR.match(code)
        if m and "(" not in code.split("=")[0]:
            if not CONSTANT.match(m.group(1)):
                self.fault(shown, number, f"constant '{m.group(1)}' is not kPascalCase", line)
            return
        m = METHOD.match(code)
        if m and m.group(2) not in KEYWORDS and not m.group(1).strip().endswith(("return", "new")):
            returns, name, params = m.group(1).strip(), m.group(2), m.group(3).strip()
            if name.startswith("operator") or name.startswith("~"):
                return
            if returns in ("Q_OBJECT", "Q_PROPERTY", "Q_DECLARE_METATYPE", "TEST", "TEST_F",
                           "TEST_P", "QL50_FUZZ_CHECK") or returns.startswith("Q_"):
                return
            if PASCAL.match(name) or name.startswith("LLVMFuzzer") or name in GIVEN:
                return
            if not CAMEL.match(name):
                self.fault(shown, number, f"function '{name}' is neither PascalCase nor camelCase", line)
                return
            # camelCase: an accessor (it returns a property, with no parameter or an index), a
            # signal, or the name of a framework function it overrides.
            if m.group(6) or scope == "class" and section == "signals":
                return
            if scope == "namespace" and name == "main":
                return
            index = params and "," not in params and re.match(r"^(std::size_t|int|unsigned)\b", params)
            if returns != "void" and (not params or index):
                return
            self.fault(shown, number, f"function '{name}' is camelCase but no accessor, signal or "
                       "override: name it in PascalCase", line)
            return
        if scope == "class":
            m = MEMBER.match(code)
            if m and "(" not in code.split("=")[0].split("{")[0]:
                name = m.group(1)
                if name.endswith("_"):
                    if not CAMEL.match(name[:-1]):
                        self.fault(shown, number, f"member '{name}' is not camelCase_", line)
                elif section in ("private", "protected") and not CONSTANT.match(name) and \
                        "static" not in code:
                    self.fault(shown, number, f"private member '{name}' lacks the trailing '_'", line)
                elif not (CAMEL.match(name) or CONSTANT.match(name)):
                    self.fault(shown, number, f"member '{name}' is not camelCase", line)


def main(argv):
    root = Path(__file__).resolve().parent.parent
    folders = argv[1:] or ["src", "sim"]
    checker = Checker()
    for folder in folders:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix in (".h", ".cpp"):
                checker.check(path, path.relative_to(root))
    for fault in checker.faults:
        print(fault)
    return 1 if checker.faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
