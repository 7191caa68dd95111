#!/usr/bin/env python3
"""Writes the bundled sample site, data/sample-site/: a small invented site that exercises a
capture end to end (pictures, a background, a frame set, sub-folders, relative and absolute
links, a BASE tag, single-quoted attributes, fragments, a server-side image map, a redirection,
a missing page and an external link), and a part of today's web in modern/: a stylesheet that
imports another and loads a web font, PNG, SVG and WebP pictures, a srcset, a script, an
iframe, a STYLE element and a STYLE attribute. The redirection and the map program are rules of
the server's configuration, not files. Run again after changing it, with Debian's own python3
(/usr/bin/python3) and its packages python3-fonttools, python3-brotli and python3-pil, which make
the font and the WebP picture; the output is deterministic."""
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


def sample_font():
    """A small WOFF2 font of our own, "Sample Sans": every letter is a bold block, so that a page
    shown in it is told at a glance from one shown in a fallback font."""
    try:
        from fontTools.fontBuilder import FontBuilder
        from fontTools.pens.ttGlyphPen import TTGlyphPen
    except ImportError:
        sys.exit("the font needs fontTools and brotli: run with /usr/bin/python3 after "
                 "apt-get install python3-fonttools python3-brotli python3-pil")
    import io

    def block(width, inset):
        pen = TTGlyphPen(None)
        pen.moveTo((inset, 0))
        pen.lineTo((inset, 700))
        pen.lineTo((width - inset, 700))
        pen.lineTo((width - inset, 0))
        pen.closePath()
        return pen.glyph()

    letters = [chr(c) for c in range(ord("A"), ord("Z") + 1)] + \
              [chr(c) for c in range(ord("a"), ord("z") + 1)]
    names = [".notdef", "space"] + ["g_" + c if c.islower() else c for c in letters]
    fb = FontBuilder(1000, isTTF=True)
    fb.setupGlyphOrder(names)
    cmap = {ord(" "): "space"}
    cmap.update({ord(c): ("g_" + c if c.islower() else c) for c in letters})
    fb.setupCharacterMap(cmap)
    glyphs = {name: block(600, 60) for name in names}
    glyphs["space"] = TTGlyphPen(None).glyph()
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics({name: (600, 0) for name in names})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    fb.setupNameTable({"familyName": "Sample Sans", "styleName": "Regular"})
    fb.setupOS2(sTypoAscender=800, sTypoDescender=-200, usWinAscent=800, usWinDescent=200)
    fb.setupPost()
    fb.font["head"].created = fb.font["head"].modified = 3755000000  # fixed: deterministic
    fb.font.flavor = "woff2"
    out = io.BytesIO()
    fb.font.save(out)
    return out.getvalue()


def webp(width, height, rgb):
    from PIL import Image
    import io
    out = io.BytesIO()
    Image.new("RGB", (width, height), rgb).save(out, "WEBP", lossless=True)
    return out.getvalue()


def svg(width, height, colour):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
            '<circle cx="%d" cy="%d" r="%d" fill="%s"/></svg>\n'
            % (width, height, width, height, width // 2, height // 2, min(width, height) // 2,
               colour))


# What the page's script reports, once the page and its font have loaded: whether each
# stylesheet applied, each picture decoded, the font is the page's own, and where every resource
# came from. The browser test reads it from the dumped page.
APP_JS = """// Reports what loaded, for the offline copy's check.
function korvaneReport() {
  var out = {};
  var h1 = document.querySelector("h1");
  out.importedSheet = getComputedStyle(h1).color;
  out.siteSheet = getComputedStyle(document.body).borderTopColor;
  out.styleElement = getComputedStyle(document.querySelector(".note")).borderTopColor;
  out.font = document.fonts.check("16px 'Sample Sans'") &&
      Array.from(document.fonts).some(function (f) { return f.status === "loaded"; });
  out.pictures = Array.from(document.images).map(function (img) {
    return img.currentSrc.split("/").pop() + " " + img.naturalWidth;
  });
  var frame = document.querySelector("iframe").contentDocument;
  out.frame = frame !== null && frame.querySelector("p") !== null;
  // Where each stylesheet, script, picture and frame was read from.
  var urls = Array.from(document.styleSheets).map(function (s) { return s.href; })
      .filter(function (h) { return h; });
  document.querySelectorAll("link[href]").forEach(function (l) { urls.push(l.href); });
  document.querySelectorAll("script[src], iframe[src]").forEach(function (e) { urls.push(e.src); });
  Array.from(document.images).forEach(function (img) { urls.push(img.currentSrc); });
  out.schemes = Array.from(new Set(urls.map(function (u) { return u.split(":")[0]; })));
  // Paths the page's own script builds from a list, as a search page or a sidebar does.
  out.built = ["intro", "setup"].map(function (name) {
    var request = new XMLHttpRequest();
    try {
      request.open("GET", "guide/" + name + ".htm", false);
      request.send();
      return request.responseText.indexOf("<h1>") >= 0;
    } catch (e) {
      return false;
    }
  });
  document.getElementById("report").textContent = JSON.stringify(out);
}
window.addEventListener("load", function () {
  document.fonts.ready.then(korvaneReport);
});
"""


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
        "<A HREF=\"mailto:workshop@sample.test\">write to us</A>, "
        "<A HREF=\"modern/index.htm\">today's web</A>.</P>\n"
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
    modern(out)
    return out


def modern(out):
    """Today's web: what a copy must bring along to look like the site."""
    out["fonts/sample.woff2"] = sample_font()
    out["styles/base.css"] = (
        "/* Imported by site.css. */\n"
        "h1 { color: rgb(10, 20, 30); }\n"
        ".stripe { background-image: url(\"../modern/pics/stripe.png\"); }\n")
    out["styles/site.css"] = (
        "@import url(\"base.css\");\n"
        "@font-face {\n  font-family: \"Sample Sans\";\n"
        "  src: url(\"../fonts/sample.woff2\") format(\"woff2\");\n}\n"
        "body { font-family: \"Sample Sans\", serif; border-top: 3px solid rgb(200, 100, 50);\n"
        "  background: url(../modern/pics/paper.png); }\n")
    out["scripts/app.js"] = APP_JS
    out["modern/pics/hero.png"] = png(40, 20, (0x30, 0x60, 0x90))
    out["modern/pics/hero2x.png"] = png(80, 40, (0x30, 0x60, 0x90))
    out["modern/pics/paper.png"] = png(4, 4, (0xFA, 0xF8, 0xF0))
    out["modern/pics/stripe.png"] = png(4, 2, (0xE0, 0xE0, 0xF0))
    out["modern/pics/note.gif"] = gif((0xFF, 0xF0, 0x80))
    out["modern/pics/badge.svg"] = svg(24, 24, "#2a6")
    out["modern/pics/photo.webp"] = webp(30, 20, (0x90, 0x60, 0x30))
    out["modern/pics/photo.png"] = png(30, 20, (0x90, 0x60, 0x30))
    out["modern/frame.htm"] = (
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>A framed note</title>"
        "<link rel=\"stylesheet\" href=\"../styles/site.css?v=2\"></head>\n"
        "<body><p>Shown in a frame.</p>\n"
        "<p><a href=\"guide/intro.htm\" target=\"_top\">Introduction</a> "
        "<a href=\"guide/setup.htm\" target=\"_top\">Setting up</a></p></body></html>\n")
    for name, title in (("intro", "Introduction"), ("setup", "Setting up")):
        out["modern/guide/" + name + ".htm"] = (
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
            "</title></head>\n<body><h1>" + title + "</h1>\n"
            "<p><a href=\"../index.htm\">Today's web</a></p></body></html>\n")
    out["modern/index.htm"] = (
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"windows-1252\">\n"
        "<title>Today's web</title>\n"
        "<link rel=\"icon\" href=\"pics/badge.svg\" type=\"image/svg+xml\">\n"
        "<link rel=\"stylesheet\" href=\"../styles/site.css?v=2\">\n"
        "<style>.note { border-top: 2px solid rgb(1, 2, 3); "
        "background: url(pics/note.gif) repeat; }</style>\n"
        "<script src=\"../scripts/app.js\" defer></script>\n"
        "</head>\n<body>\n<h1>Today's web</h1>\n"
        "<p class=\"note\">Stylesheets, a web font, scripts and modern pictures, all read "
        "from disk.</p>\n"
        "<p><img src=\"pics/hero.png\" srcset=\"pics/hero.png 1x, pics/hero2x.png 2x\" "
        "alt=\"Hero\" width=\"40\" height=\"20\">\n"
        "<img src=\"pics/badge.svg\" alt=\"Badge\" width=\"24\" height=\"24\">\n"
        "<picture><source srcset=\"pics/photo.webp\" type=\"image/webp\">"
        "<img src=\"pics/photo.png\" alt=\"Photo\" width=\"30\" height=\"20\"></picture></p>\n"
        "<div class=\"stripe\" style=\"background-color: #eef; "
        "background-image: url('pics/stripe.png')\">A striped box</div>\n"
        "<iframe src=\"frame.htm\" title=\"Note\" width=\"300\" height=\"60\"></iframe>\n"
        "<p><a href=\"../index.htm\">Home</a></p>\n"
        "<pre id=\"report\"></pre>\n</body>\n</html>\n")


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
