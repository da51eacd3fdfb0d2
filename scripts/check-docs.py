#!/usr/bin/env python3
"""Fails when README.md or a page of docs/ refers to something that is not there.

   check-docs.py [REPOSITORY]

Checked: every link [text](file#anchor), [text](#anchor) and image (the file exists, the anchor
is a heading of it by GitHub's rules); every prose reference, see "Heading" or README, "Heading"
(a heading of some page); and every test a page names in backticks. A test is named as GoogleTest prints it,
`Suite.Test`, or `Instance/Suite.Test/Case` for one case of a table, each part a name or `*`;
each named part must be in the sources under tests/.
"""

import pathlib
import re
import sys

FENCE = re.compile(r"^\s*(```|~~~)")
HEADING = re.compile(r"^(#{1,6})\s+(.*?)\s*#*\s*$")
CODE_SPAN = re.compile(r"(`+)(.+?)\1")
LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)")
PROSE_REFERENCE = re.compile(r"\b(?:see|README,)\s+\"([^\"]+)\"", re.IGNORECASE)
TEST_NAME = re.compile(r"^(?:(\w+|\*)/)?([A-Z]\w*|\*)\.([A-Z]\w*|\*)(?:/(\w+|\*))?$")
# Two names joined by a slash and no dot: a table's case named the way GoogleTest never prints it.
NOT_A_TEST_NAME = re.compile(r"^[A-Z]\w*(?:/[A-Z]\w*)+$")


def anchor_of(heading):
    """GitHub's anchor: the heading's text, lower case, without punctuation, blanks as hyphens."""
    text = re.sub(r"\[([^\]]*)\]\([^)]*\)", r"\1", heading).replace("`", "")
    return re.sub(r"[^\w\- ]", "", text.lower()).replace(" ", "-")


class Page:
    def __init__(self, path):
        self.path = path
        self.lines = []  # (line number, text outside code spans, code spans)
        self.headings = []
        self.anchors = set()
        seen = {}
        fenced = False
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            if FENCE.match(line):
                fenced = not fenced
                continue
            if fenced:
                continue
            heading = HEADING.match(line)
            if heading:
                self.headings.append(heading.group(2))
                anchor = anchor_of(heading.group(2))
                # A heading's second namesake gets "-1", its third "-2".
                self.anchors.add(f"{anchor}-{seen[anchor]}" if anchor in seen else anchor)
                seen[anchor] = seen.get(anchor, 0) + 1
            spans = [match.group(2).strip() for match in CODE_SPAN.finditer(line)]
            self.lines.append((number, CODE_SPAN.sub("", line), spans))


class TestSources:
    def __init__(self, tests):
        text = "\n".join(p.read_text(encoding="utf-8", errors="replace")
                         for p in sorted(tests.rglob("*")) if p.suffix in (".cpp", ".h"))
        self.tests = set(re.findall(
            r"\b(?:TEST|TEST_F|TEST_P|TYPED_TEST|TYPED_TEST_P)\(\s*(\w+)\s*,\s*(\w+)\s*\)", text))
        self.instances = set(re.findall(r"\bINSTANTIATE_TEST_SUITE_P\(\s*(\w+)\s*,\s*(\w+)", text))
        self.literals = set(re.findall(r"\"(\w+)\"", text))

    def missing(self, instance, suite, test, case):
        """What of the name is not in the sources, or None."""
        def matches(pattern, value):
            return pattern == "*" or pattern == value
        if not any(matches(suite, s) and matches(test, t) for s, t in self.tests):
            return f"no TEST({suite}, {test})"
        if instance and not any(matches(instance, i) and matches(suite, s)
                                for i, s in self.instances):
            return f"no INSTANTIATE_TEST_SUITE_P({instance}, {suite}, ...)"
        if case and case != "*" and not case.isdigit() and case not in self.literals:
            return f"no case named \"{case}\""
        return None


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    pages = {path: Page(path) for path in [root / "README.md", *sorted((root / "docs").glob("*.md"))]}
    headings = {heading for page in pages.values() for heading in page.headings}
    sources = TestSources(root / "tests")
    problems = []
    counts = {"links": 0, "prose references": 0, "test names": 0}
    for page in pages.values():
        where = page.path.relative_to(root)
        # Links and prose references may be wrapped onto the next line.
        text = "\n".join(text for _, text, _ in page.lines)
        def line_of(match):
            return page.lines[text.count("\n", 0, match.start())][0]
        for link in LINK.finditer(text):
            target = link.group(1)
            if re.match(r"^[a-z]+:", target):
                continue
            counts["links"] += 1
            file_part, _, anchor = target.partition("#")
            linked = (page.path.parent / file_part).resolve() if file_part else page.path
            if not linked.exists():
                problems.append(f"{where}:{line_of(link)}: {target}: no file {file_part}")
            elif anchor and (linked not in pages or anchor not in pages[linked].anchors):
                problems.append(f"{where}:{line_of(link)}: {target}: no heading #{anchor} there")
        for reference in PROSE_REFERENCE.finditer(text):
            counts["prose references"] += 1
            title = " ".join(reference.group(1).split())
            if title not in headings:
                problems.append(f"{where}:{line_of(reference)}: \"{title}\": no such heading")
        for number, _, spans in page.lines:
            for span in spans:
                name = TEST_NAME.match(span)
                if name:
                    counts["test names"] += 1
                    missing = sources.missing(*name.groups())
                    if missing:
                        problems.append(f"{where}:{number}: test `{span}`: {missing} in tests/")
                elif NOT_A_TEST_NAME.match(span):
                    problems.append(f"{where}:{number}: `{span}`: name a test as GoogleTest "
                                    "prints it, Suite.Test or Instance/Suite.Test/Case")
    for problem in problems:
        print(problem, file=sys.stderr)
    print("docs: " + ", ".join(f"{n} {what}" for what, n in counts.items()) +
          (f"; {len(problems)} do not resolve" if problems else ", all resolve"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
