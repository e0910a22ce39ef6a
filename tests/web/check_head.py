#!/usr/bin/env python3
"""Checks what a shared link and a browser tab read from the served page: check_head.py URL.

The head must carry a description, the Open Graph and Twitter-card tags with a preview picture,
and the icons; the preview picture and the icons must be served as PNGs of the sizes the tags give,
and the notices the page links (LICENSE.txt, THIRD_PARTY.txt and the licences/ files that names) as
text. Prints what it found; exit status 1 with the reasons otherwise.
"""
import html.parser
import re
import struct
import sys
import urllib.error
import urllib.parse
import urllib.request


class Head(html.parser.HTMLParser):
    """The page's <meta> contents by name or property, <link> targets by rel and <a> targets."""

    def __init__(self):
        super().__init__()
        self.meta, self.links, self.anchors = {}, {}, []

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "meta" and "content" in a:
            self.meta[a.get("name") or a.get("property")] = a["content"]
        elif tag == "link":
            self.links.setdefault(a.get("rel"), []).append(a)
        elif tag == "a" and "href" in a:
            self.anchors.append(a["href"])


def fetch(url):
    """Content type and bytes of URL, served from this machine: an absolute address elsewhere (the
    published site's) is asked of the local server by its path."""
    try:
        with urllib.request.urlopen(url, timeout=30) as response:
            return response.headers.get_content_type(), response.read()
    except urllib.error.HTTPError as error:
        return f"HTTP {error.code}", b""


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", data[16:24])


def main(page):
    problems = []
    head = Head()
    head.feed(fetch(page)[1].decode("utf-8"))
    local = urllib.parse.urlsplit(page)

    def served(href):
        parts = urllib.parse.urlsplit(urllib.parse.urljoin(page, href))
        return urllib.parse.urlunsplit((local.scheme, local.netloc, parts.path, "", ""))

    needed = ["description", "og:type", "og:title", "og:description", "og:image", "og:image:width",
              "og:image:height", "og:image:alt", "twitter:card", "twitter:title",
              "twitter:description", "twitter:image"]
    problems += [f"no <meta> {name}" for name in needed if not head.meta.get(name)]
    if head.meta.get("twitter:card") != "summary_large_image":
        problems.append("twitter:card is not summary_large_image")
    pictures = []
    if head.meta.get("og:image"):
        size = (int(head.meta.get("og:image:width", 0)), int(head.meta.get("og:image:height", 0)))
        pictures.append((head.meta["og:image"], size))
        if head.meta.get("twitter:image") != head.meta["og:image"]:
            problems.append("twitter:image and og:image differ")
    icons = head.links.get("icon", []) + head.links.get("apple-touch-icon", [])
    if not head.links.get("icon"):
        problems.append("no <link rel=icon>")
    for icon in icons:
        side = re.match(r"(\d+)", icon.get("sizes", ""))
        pictures.append((icon["href"], (int(side.group(1)),) * 2 if side else None))
    for href, size in pictures:
        kind, data = fetch(served(href))
        found = png_size(data)
        if kind != "image/png" or not found or (size and found != size):
            problems.append(f"{href}: {kind}, {found}, wanted a PNG of {size}")
        else:
            print(f"{href}: PNG {found[0]}x{found[1]}, {len(data)} bytes")

    notices = [href for href in head.anchors if href.endswith(".txt")]
    for name in ("LICENSE.txt", "THIRD_PARTY.txt"):
        if name not in notices:
            problems.append(f"the page does not link {name}")
    if "THIRD_PARTY.txt" in notices:
        listed = fetch(served("THIRD_PARTY.txt"))[1].decode("utf-8")
        section = listed[listed.find("## The web site"):]
        section = section[:section.find("\n## ", 1)]
        notices += sorted(set(re.findall(r"licences/[A-Za-z0-9.+-]+\.txt", section)))
    for href in notices:
        kind, data = fetch(served(href))
        if kind != "text/plain" or len(data) < 100:
            problems.append(f"{href}: {kind}, {len(data)} bytes")
    print(f"served notices: {' '.join(notices)}")
    print(f"description: {head.meta.get('description')}")
    for problem in problems:
        print(f"PROBLEM: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
