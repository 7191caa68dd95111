#!/usr/bin/env python3
"""Writes the bundled sample site, data/sample-site/: a small invented site that exercises a
capture end to end (pictures, a background, a frame set, sub-folders, relative and absolute
links, a BASE tag, single-quoted attributes, fragments, a server-side image map, a redirection,
a missing page and an external link). The redirection and the map program are rules of the
server's configuration, not files. Run again after changing it; the output is deterministic."""
import os
import shutil
import struct
import sys
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "sample-site")


def gif(rgb):
    """A valid 1x1 GIF of one colour."""
    r, g, b = rgb
    return (b"GIF89a\x01\x00\x01\x00\x80\x00\x00" + bytes([r, g, b, 0, 0, 0]) +
            b"\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b")


def png(width, height, rgb):
    """A valid RGB PNG of one colour."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    row = b"\x00" + bytes(rgb) * width
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(row * height, 9)) + chunk(b"IEND", b""))


def jpeg(comment):
    """A valid baseline 8x8 grey JPEG: one block whose coefficients are all zero, coded with
    one-symbol Huffman tables. The comment tells the pictures apart."""
    def segment(marker, data):
        return b"\xff" + bytes([marker]) + struct.pack(">H", len(data) + 2) + data
    com = comment.encode("ascii")
    dqt = b"\x00" + b"\x01" * 64
    sof = b"\x08" + struct.pack(">HH", 8, 8) + b"\x01" + b"\x01\x11\x00"
    dht_dc = b"\x00" + b"\x01" + b"\x00" * 15 + b"\x00"
    dht_ac = b"\x10" + b"\x01" + b"\x00" * 15 + b"\x00"
    sos = b"\x01" + b"\x01\x00" + b"\x00\x3f\x00"
    # DC difference 0 (code "0"), end of block (code "0"), padded with ones.
    return (b"\xff\xd8" + segment(0xFE, com) + segment(0xDB, dqt) + segment(0xC0, sof) +
            segment(0xC4, dht_dc) + segment(0xC4, dht_ac) + segment(0xDA, sos) + b"\x3f" +
            b"\xff\xd9")


def page(title, body, head_extra="", body_attrs=""):
    return ("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n"
            "<HTML>\n<HEAD>\n<TITLE>%s</TITLE>\n%s</HEAD>\n<BODY%s>\n%s\n</BODY>\n</HTML>\n"
            % (title, head_extra, body_attrs, body))


NAV = ('<P><A HREF="/index.htm">Home</A> | <A HREF="/about.htm#team">Team</A> | '
       "<A HREF='/products/index.htm'>Products</A> | <a href=/gallery/index.htm>Gallery</a> | "
       '<A HREF="/news/index.htm">News</A></P>')

PRODUCTS = ["Kettle", "Lamp", "Chair", "Table", "Clock", "Radio", "Bicycle", "Umbrella"]
NEWS = ["Spring opening", "A new workshop", "Summer hours", "The autumn fair", "Winter sale"]


def files():
    out = {}
    out["images/bg.gif"] = gif((0xF4, 0xF0, 0xE0))
    out["images/nav.gif"] = gif((0x20, 0x40, 0x80))
    out["images/logo.png"] = png(32, 16, (0x80, 0x20, 0x20))
    out["images/dot.gif"] = gif((0x00, 0x80, 0x00))
    for i, name in enumerate(PRODUCTS, 1):
        out["products/p%d.png" % i] = png(16, 16, (30 * i, 200 - 20 * i, 100))
    for i in range(1, 5):
        out["gallery/photo%d.jpg" % i] = jpeg("sample photo %d" % i)

    out["index.htm"] = page(
        "Korvane sample site &amp; its home",
        "<A NAME=\"top\"></A><IMG SRC=\"images/logo.png\" ALT=\"Logo\" WIDTH=32 HEIGHT=16>\n"
        "<H1>The sample workshop</H1>\n" + NAV + "\n"
        "<P>A small site to capture: <A HREF=\"about.htm\">about us</A>, "
        "<A HREF='frames.htm'>the framed catalogue</A>, "
        "<A HREF=\"docs/guide/index.htm\">the guide</A>, "
        "<A HREF=\"/old-page.htm\">the old news page</A> (moved), "
        "<A HREF=\"missing.htm\">a page that is gone</A>, "
        "<A HREF=\"http://www.elsewhere.test/friends.htm\">a friend's site</A>, "
        "<A HREF=\"mailto:workshop@sample.test\">write to us</A>.</P>\n"
        "<P>Find your way with the map:\n"
        "<A HREF=\"/cgi-bin/map\"><IMG SRC=\"images/nav.gif\" ISMAP BORDER=0 ALT=\"Map\"></A></P>\n"
        "<P><A HREF=\"#top\">Back to the top</A></P>",
        body_attrs=' BACKGROUND="images/bg.gif"')
    out["about.htm"] = page(
        "About the workshop",
        NAV + "\n<H2>Who we are</H2>\n<P>We make things by hand since 1996.</P>\n"
        "<A NAME=\"team\"><H2>The team</H2></A>\n"
        "<P>Six people, one dog. <IMG SRC='images/dot.gif' ALT='dot'> "
        "<A HREF=\"index.htm#top\">Home</A></P>",
        body_attrs=" BACKGROUND='images/bg.gif'")
    out["frames.htm"] = (
        "<HTML><HEAD><TITLE>Framed catalogue</TITLE></HEAD>\n"
        "<FRAMESET COLS=\"30%,70%\">\n<FRAME SRC=\"menu.htm\" NAME=\"menu\">\n"
        "<FRAME SRC=\"products/index.htm#list\" NAME=\"main\">\n"
        "<NOFRAMES><A HREF=\"products/index.htm\">Products</A></NOFRAMES>\n"
        "</FRAMESET></HTML>\n")
    out["menu.htm"] = page(
        "Menu", "\n".join("<A HREF=\"products/p%d.htm\" TARGET=\"main\">%s</A><BR>" % (i, n)
                         for i, n in enumerate(PRODUCTS, 1)))

    items = "\n".join("<LI><A HREF=\"p%d.htm\"><IMG SRC=\"p%d.png\" ALT=\"%s\"></A> %s</LI>"
                      % (i, i, n, n) for i, n in enumerate(PRODUCTS, 1))
    out["products/index.htm"] = page(
        "Products", NAV + "\n<A NAME=\"list\"></A><UL>\n" + items + "\n</UL>",
        body_attrs=" BACKGROUND=\"../images/bg.gif\"")
    for i, name in enumerate(PRODUCTS, 1):
        prev_link = "<A HREF=\"p%d.htm\">Previous</A> " % (i - 1) if i > 1 else ""
        next_link = "<A HREF='p%d.htm'>Next</A>" % (i + 1) if i < len(PRODUCTS) else ""
        out["products/p%d.htm" % i] = page(
            "%s &eacute;dition %d" % (name, i),
            NAV + "\n<H2>%s</H2>\n<IMG SRC=\"p%d.png\" WIDTH=64 HEIGHT=64 ALT=\"%s\">\n"
            "<P>Our %s, made in the workshop.</P>\n<P>%s%s</P>\n"
            "<P><A HREF=\"../index.htm\">Home</A> <A HREF=\"./index.htm#list\">All products</A></P>"
            % (name, i, name, name.lower(), prev_link, next_link))

    photos = "\n".join("<A HREF=\"photo%d.htm\"><IMG SRC=\"photo%d.jpg\" WIDTH=64 HEIGHT=64 "
                       "ALT=\"Photo %d\"></A>" % (i, i, i) for i in range(1, 5))
    out["gallery/index.htm"] = page("Gallery", NAV + "\n<P>\n" + photos + "\n</P>")
    for i in range(1, 5):
        out["gallery/photo%d.htm" % i] = page(
            "Photo %d" % i,
            NAV + "\n<IMG SRC='photo%d.jpg' WIDTH=256 HEIGHT=256 ALT='Photo %d'>\n"
            "<P><A HREF=\"index.htm\">Back to the gallery</A></P>" % (i, i))

    news = "\n".join("<LI><A HREF=\"item%d.htm\">%s</A></LI>" % (i, t)
                     for i, t in enumerate(NEWS, 1))
    out["news/index.htm"] = page("News", NAV + "\n<UL>\n" + news + "\n</UL>")
    for i, t in enumerate(NEWS, 1):
        out["news/item%d.htm" % i] = page(
            t, NAV + "\n<H2>%s</H2>\n<P>Read all about it. <A HREF=\"../products/p%d.htm\">"
            "See the product</A>.</P>" % (t, i))

    chapters = ["Getting started", "Caring for wood", "Repairs"]
    toc = "\n".join("<LI><A HREF=\"chapter%d.htm\">%s</A></LI>" % (i, c)
                    for i, c in enumerate(chapters, 1))
    out["docs/guide/index.htm"] = page("The guide", NAV + "\n<OL>\n" + toc + "\n</OL>")
    for i, c in enumerate(chapters, 1):
        # The BASE tag makes the relative links below resolve against the guide's folder.
        out["docs/guide/chapter%d.htm" % i] = page(
            c, NAV + "\n<H2>%s</H2>\n<P>Text of the chapter.</P>\n"
            "<P><A HREF=\"index.htm\">Contents</A> <A HREF=\"../../about.htm\">About</A></P>" % c,
            head_extra="<BASE HREF=\"/docs/guide/\">\n")
    return out


def main():
    root = os.path.abspath(ROOT)
    if os.path.isdir(root):
        shutil.rmtree(root)
    for name, content in sorted(files().items()):
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content if isinstance(content, bytes) else content.encode("cp1252"))
    print("wrote", root, file=sys.stderr)


if __name__ == "__main__":
    main()
