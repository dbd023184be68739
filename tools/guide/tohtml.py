#!/usr/bin/python3
"""Turns the user guide into one HTML file for the packages: the name tables
made anew from the table sources, Markdown converted by Debian's
Python-Markdown (package python3-markdown; hence Debian's own interpreter),
and the screenshots put into the file, so that it can be copied anywhere.

    tohtml.py GUIDE.md OUT.html VERSION

Screenshots the guide names but that do not exist are named on standard
error; the page then shows each picture's description instead. A picture
taken at 144 DPI beside one (NAME-144dpi.png) is offered to high-density
screens.
"""
import base64
import html
import os
import re
import sys

import markdown
from markdown.extensions.toc import slugify_unicode

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tables  # noqa: E402

STYLE = """
body { font-family: "Segoe UI", Arial, sans-serif; font-size: 1.1rem; line-height: 1.5;
       max-width: 50rem; margin: 0 auto; padding: 1rem 1.5rem; color: #111; background: #fff; }
h1, h2, h3, h4 { line-height: 1.25; }
h2 { border-bottom: 2px solid #444; margin-top: 2.5rem; }
table { border-collapse: collapse; margin: 1rem 0; }
th, td { border: 1px solid #666; padding: 0.3rem 0.6rem; text-align: left; vertical-align: top; }
th { background: #e8e8e8; }
code { font-family: Consolas, "Courier New", monospace; background: #f0f0f0; padding: 0 0.2rem; }
pre { background: #f0f0f0; padding: 0.6rem; overflow-x: auto; }
img { max-width: 100%; border: 1px solid #999; }
blockquote { border: 3px solid #b00; background: #fff4f0; margin: 1rem 0; padding: 0.2rem 1rem; }
.version { color: #333; }
.toc ul { list-style: none; padding-left: 1.2rem; }
a { color: #0033aa; }
"""

PAGE = """<!DOCTYPE html>
<html lang="de">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Vemu Keys {version} – Anleitung</title>
<style>{style}</style>
</head>
<body>
<p class="version">Vemu Keys, Version {version}</p>
{body}
</body>
</html>
"""

IMAGE = re.compile(r'<img alt="([^"]*)" src="([^"]+)"\s*/?>')
LINK = re.compile(r'href="#([^"]*)"')
ANCHOR = re.compile(r' id="([^"]*)"')


def broken_links(body):
    """The page's own links that lead nowhere."""
    anchors = set(ANCHOR.findall(body))
    return sorted({html.unescape(target) for target in LINK.findall(body)} - {html.unescape(a) for a in anchors})


def data_address(path):
    with open(path, "rb") as picture:
        return "data:image/png;base64," + base64.b64encode(picture.read()).decode("ascii")


def embed_images(body, folder):
    """Every picture of the page as a data address, with its 144-DPI twin
    for screens scaled to 150 %; missing ones become their description."""
    missing = []

    def embed(match):
        alt, src = match.group(1), html.unescape(match.group(2))
        path = os.path.join(folder, src)
        if not os.path.isfile(path):
            missing.append(src)
            return '<em>[Bild: %s]</em>' % alt
        plain = data_address(path)
        sharp = os.path.splitext(path)[0] + "-144dpi.png"
        if not os.path.isfile(sharp):
            return '<img alt="%s" src="%s">' % (alt, plain)
        # The plain picture serves as the 1x candidate.
        return '<img alt="%s" src="%s" srcset="%s 1.5x">' % (alt, plain, data_address(sharp))

    body = IMAGE.sub(embed, body)
    if missing:
        print("tohtml.py: missing screenshots, shown as their descriptions: " + ", ".join(missing), file=sys.stderr)
    return body


def main(args):
    if len(args) != 3:
        sys.exit(__doc__)
    source, target, version = args
    with open(source, encoding="utf-8") as guide:
        text = tables.fill(guide.read())
    # Heading ids keep their umlauts, as web views of Markdown make them.
    body = markdown.markdown(text, extensions=["tables", "toc", "sane_lists"], output_format="html",
                             extension_configs={"toc": {"title": "Inhalt", "toc_depth": "2-3",
                                                        "slugify": slugify_unicode}})
    broken = broken_links(body)
    if broken:
        sys.exit("tohtml.py: links to missing headings: " + ", ".join(broken))
    body = embed_images(body, os.path.dirname(os.path.abspath(source)))
    with open(target, "w", encoding="utf-8") as page:
        page.write(PAGE.format(version=html.escape(version), style=STYLE, body=body))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
