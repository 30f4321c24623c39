#!/usr/bin/env python3
"""Builds the user guide: each Markdown chapter of SOURCE to an HTML page of OUTPUT, with its
pictures. Fails, naming each one, on a link to a page or anchor that does not exist and on a
picture that is missing, so a guide with a hole in it is never installed."""
import argparse
import html
import pathlib
import re
import shutil
import subprocess
import sys

TEMPLATE = """<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>{title}</title>
<style>
body {{ font-family: sans-serif; max-width: 60em; margin: 1em auto; padding: 0 1em; line-height: 1.4; }}
nav {{ font-size: 90%; border-bottom: 1px solid #ccc; padding-bottom: 0.3em; margin-bottom: 1em; }}
img {{ max-width: 100%; border: 1px solid #bbb; }}
code, pre {{ background: #f4f4f4; }}
table {{ border-collapse: collapse; }}
td, th {{ border: 1px solid #ccc; padding: 0.2em 0.5em; }}
</style>
</head>
<body>
<nav>{nav}</nav>
{body}
<nav>{nav}</nav>
</body>
</html>
"""


def chapter_title(markdown):
    for line in markdown.splitlines():
        if line.startswith("# "):
            return line[2:].strip()
    return "Medical Social Service"


def convert(cmark, text):
    result = subprocess.run([cmark, "--unsafe", "--smart"], input=text.encode("utf-8"),
                            capture_output=True, check=True)
    body = result.stdout.decode("utf-8")
    # Links between chapters are written to the Markdown files, so they work where the sources
    # are read too; the pages link to each other's HTML.
    body = re.sub(r'href="([^":#]+)\.md(#[^"]*)?"', lambda m: f'href="{m.group(1)}.html{m.group(2) or ""}"', body)
    # Qt's text browser finds anchors by name, a browser by id: give both.
    body = re.sub(r'<a id="([^"]+)"></a>', r'<a id="\1" name="\1"></a>', body)
    return body


def png_width(path):
    with open(path, "rb") as picture:
        header = picture.read(24)
    return int.from_bytes(header[16:20], "big") if header[:8] == b"\x89PNG\r\n\x1a\n" else 0


def fit_pictures(body, output, widest=800):
    """Qt's text browser knows no max-width: a wide picture gets a width it can keep to."""
    def fit(match):
        source = output / match.group(2)
        if source.is_file() and png_width(source) > widest:
            return f'{match.group(1)} width="{widest}"'
        return match.group(1)
    return re.sub(r'(<img src="([^"]+)"[^>]*?)(?=\s*/?>)', fit, body)


def check(output):
    faults = []
    pages = {p.name: p.read_text(encoding="utf-8") for p in output.glob("*.html")}
    anchors = {name: set(re.findall(r'\bid="([^"]+)"', text)) for name, text in pages.items()}
    for name, text in sorted(pages.items()):
        for target in re.findall(r'href="([^"]+)"', text):
            if re.match(r"^[a-z]+:", target):
                continue
            page, _, anchor = target.partition("#")
            page = page or name
            if page not in pages:
                faults.append(f"{name}: link to a page that does not exist: {target}")
            elif anchor and anchor not in anchors[page]:
                faults.append(f"{name}: link to an anchor that does not exist: {target}")
        for source in re.findall(r'<img[^>]*\bsrc="([^"]+)"', text):
            if not (output / source).is_file():
                faults.append(f"{name}: missing picture: {source}")
    return faults


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cmark", default="cmark")
    parser.add_argument("source", type=pathlib.Path)
    parser.add_argument("output", type=pathlib.Path)
    args = parser.parse_args()

    chapters = sorted(args.source.glob("*.md"))
    if args.output.exists():
        shutil.rmtree(args.output)
    args.output.mkdir(parents=True)
    if (args.source / "images").is_dir():
        shutil.copytree(args.source / "images", args.output / "images")

    # index first, then the chapters in the order of their numbers.
    order = [c for c in chapters if c.stem == "index"] + [c for c in chapters if c.stem != "index"]
    for i, chapter in enumerate(order):
        text = chapter.read_text(encoding="utf-8")
        links = ['<a href="index.html">Contents</a>']
        if i > 1:
            links.append(f'<a href="{order[i - 1].stem}.html">Previous: {html.escape(chapter_title(order[i - 1].read_text(encoding="utf-8")))}</a>')
        if 0 < i < len(order) - 1:
            links.append(f'<a href="{order[i + 1].stem}.html">Next: {html.escape(chapter_title(order[i + 1].read_text(encoding="utf-8")))}</a>')
        page = TEMPLATE.format(title=html.escape(chapter_title(text)), nav=" | ".join(links),
                               body=fit_pictures(convert(args.cmark, text), args.output))
        (args.output / f"{chapter.stem}.html").write_text(page, encoding="utf-8")

    faults = check(args.output)
    for fault in faults:
        print(f"guide: {fault}", file=sys.stderr)
    if faults:
        shutil.rmtree(args.output)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
