"""Every relative link in the README and docs/ leads somewhere, and every
document in docs/ can be reached from the README by following links."""

import pathlib
import re

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
DOCUMENTS = [ROOT / "README.md", *sorted((ROOT / "docs").glob("*.md"))]
# [text](target) and ![alt](target); a target ends at the first blank or ')'.
LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")
EXTERNAL = re.compile(r"^[a-z][a-z0-9+.-]*:", re.IGNORECASE)


def code_free(text):
    """The text without fenced blocks, indented blocks and inline code, where
    brackets are shell or C++, not links."""
    kept = []
    fenced = False
    for line in text.splitlines():
        if line.startswith("```"):
            fenced = not fenced
            continue
        if fenced or line.startswith("    "):
            continue
        kept.append(re.sub(r"`[^`]*`", "", line))
    return "\n".join(kept)


def anchors(document):
    """The fragment names a Markdown renderer gives the document's headings."""
    names = set()
    for line in document.read_text(encoding="utf-8").splitlines():
        heading = re.match(r"#+\s+(.*)", line)
        if heading:
            name = heading.group(1).strip().lower()
            name = re.sub(r"[^\w\- ]", "", name).replace(" ", "-")
            names.add(name)
    return names


def links(document):
    text = code_free(document.read_text(encoding="utf-8"))
    return [t for t in LINK.findall(text) if not EXTERNAL.match(t)]


def resolve(document, target):
    path, _, fragment = target.partition("#")
    return (document.parent / path).resolve() if path else document, fragment


CASES = [
    pytest.param(doc, target, id=f"{doc.relative_to(ROOT)}->{target}")
    for doc in DOCUMENTS
    for target in links(doc)
]


def test_the_documents_have_links():
    assert len(CASES) > len(DOCUMENTS)


@pytest.mark.parametrize(("document", "target"), CASES)
def test_relative_link_leads_somewhere(document, target):
    path, fragment = resolve(document, target)
    assert path.exists(), f"{target}: no such file"
    assert ROOT in path.parents or path == ROOT, f"{target}: outside the repository"
    if fragment:
        assert path.suffix == ".md", f"{target}: a fragment of a file that is not Markdown"
        assert fragment in anchors(path), f"{target}: no such heading"


def test_every_document_is_reachable_from_the_readme():
    seen = set()
    todo = [ROOT / "README.md"]
    while todo:
        document = todo.pop()
        if document in seen:
            continue
        seen.add(document)
        for target in links(document):
            path, _ = resolve(document, target)
            if path.suffix == ".md" and path.exists():
                todo.append(path)
    unreached = [d.relative_to(ROOT).as_posix() for d in DOCUMENTS if d not in seen]
    assert not unreached, f"not reachable from README.md: {unreached}"
