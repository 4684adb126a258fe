#!/usr/bin/env python3
"""Do the links of a document still work once Quillmark has cut it into a CHM?

Converts a copy of every sample (Word documents and Word-saved pages) with
`quillmark -q` in a temporary folder and reports, per sample:
  rc       exit status of quillmark ("T/O" after the timeout)
  src      internal #fragment links of the uncut page (the page itself, or the
           <name>.htm LibreOffice wrote for a .doc) whose anchor exists / all
  chm      links of the CHM's topic pages to a local page#fragment whose page
           is in the CHM and holds the anchor / all
  miss     href= and src= of the topic pages to local files the CHM lacks
           (pictures inside Word's <!--[if gte vml 1]> blocks included)
  blank    topic pages a browser shows empty (unclosed <title>, or no text and
           no <img>) / topic pages ([FILES] entries of the .hhp in the CHM)
  titled   topic pages whose <title> has text and starts with it (no blank
           first) / topic pages
  glued    contents entries whose leading number runs into the text
           ("1.1编写目的", not "1.1 编写目的") / entries of the .hhc
  topics   [FILES] entries of the .hhp that the CHM lacks / all entries
"-" means there was nothing to measure (no page, no CHM, no project).
"""
import argparse, html, html.parser, os, posixpath, re, shutil, signal, subprocess
import sys, tempfile, unicodedata, urllib.parse
from concurrent.futures import ThreadPoolExecutor

# ---------------------------------------------------------------- decoding

GBK_NAMES = {"gb2312", "gbk", "x-gbk", "gb18030", "cp936", "windows-936", "euc-cn"}


def decode_page(data):
    """Text of a page: BOM first, then its declared charset, else GBK."""
    for bom, enc in ((b"\xef\xbb\xbf", "utf-8"), (b"\xff\xfe", "utf-16-le"),
                     (b"\xfe\xff", "utf-16-be")):
        if data.startswith(bom):
            return data[len(bom):].decode(enc, "replace")
    m = re.search(rb"""charset\s*=\s*["']?([-\w.:]+)""", data[:4096], re.I)
    enc = m.group(1).decode("ascii").lower() if m else "gb18030"
    if enc in GBK_NAMES:
        enc = "gb18030"
    try:
        return data.decode(enc, "replace")
    except LookupError:
        return data.decode("gb18030", "replace")


def unquote(s):
    """Percent-decoding as a browser does: UTF-8, else the page's GBK bytes."""
    try:
        return urllib.parse.unquote(s, "utf-8", "strict")
    except UnicodeDecodeError:
        return urllib.parse.unquote(s, "gb18030", "replace")


SCHEME = re.compile(r"^[a-zA-Z][a-zA-Z0-9+.-]*:")


def split_href(href):
    """(path, fragment) of a local href, or None for external ones.
    The parser has already decoded entities; fragment is None when absent."""
    href = href.strip().replace("\\", "/")
    if SCHEME.match(href) and not re.match(r"^[a-zA-Z]:/", href):
        return None
    path, sep, frag = href.partition("#")
    path = unquote(path.split("?", 1)[0])
    return path, (frag if sep else None)


def has_anchor(anchors, frag):
    return frag in anchors or unquote(frag) in anchors

# ----------------------------------------------------------------- parsing


class Page(html.parser.HTMLParser):
    """Anchors, links, referenced files and visible content of one page."""
    HIDDEN = {"script", "style", "title"}

    def __init__(self, text=None):
        super().__init__(convert_charrefs=True)
        self.anchors, self.links, self.refs = set(), [], []
        self.hidden, self.text, self.imgs = 0, False, 0
        if text is not None:
            self.feed(text)
            self.close()

    def handle_starttag(self, tag, attrs):
        a = {k: v for k, v in attrs if v is not None}
        if "id" in a:
            self.anchors.add(a["id"])
        if tag == "a" and "name" in a:
            self.anchors.add(a["name"])
        if tag in ("a", "area") and "href" in a:
            self.links.append(a["href"])
        if tag in ("a", "area") and "href" in a or (
                tag == "link" and "stylesheet" in a.get("rel", "").lower()):
            self.refs.append(a.get("href", ""))
        if "src" in a:
            self.refs.append(a["src"])
        if tag == "img":
            self.imgs += 1
        if tag in self.HIDDEN:
            self.hidden += 1

    def handle_endtag(self, tag):
        if tag in self.HIDDEN and self.hidden:
            self.hidden -= 1

    def handle_data(self, data):
        if not self.hidden and data.strip():
            self.text = True

    def handle_comment(self, data):
        # Word hides VML pictures in <!--[if gte vml 1]>...<![endif]-->, which
        # the browser inside the help viewer still reads: keep their anchors
        # and files, but not their text.
        if data.startswith("[if") and "]>" in data:
            inner = Page(data.split("]>", 1)[1])
            self.anchors |= inner.anchors
            self.links += inner.links
            self.refs += inner.refs


def read_page(path):
    with open(path, "rb") as f:
        text = decode_page(f.read())
    page = Page(text)
    m = re.search(r"<title\b", text, re.I)
    page.unclosed_title = bool(m) and not re.search(r"</title\s*>", text[m.end():], re.I)
    page.blank = page.unclosed_title or (not page.text and not page.imgs)
    t = re.search(r"<title\b[^>]*>(.*?)</title\s*>", text, re.I | re.S)
    page.titled = bool(t) and t.group(1).strip() != "" and not t.group(1)[0].isspace()
    return page

# -------------------------------------------------------------- measuring


def source_links(path, detail):
    """(working, total) internal fragment links of the uncut page."""
    page, name = read_page(path), os.path.basename(path).lower()
    ok = total = 0
    for href in page.links:
        parts = split_href(href)
        if not parts or not parts[1] or parts[0].lower() not in ("", name):
            continue
        total += 1
        if has_anchor(page.anchors, parts[1]):
            ok += 1
        else:
            detail.append(f"source: broken {href}")
    return ok, total


def extract_chm(chm, out):
    """{lower-case name inside the CHM: extracted file} of every file in it."""
    cmd = (["extract_chmLib", chm, out] if shutil.which("extract_chmLib")
           else ["7zz", "x", "-y", "-o" + out, chm])
    subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    files = {}
    for d, _, names in os.walk(out):
        for n in names:
            rel = os.path.relpath(os.path.join(d, n), out).replace(os.sep, "/")
            files[rel.lower()] = os.path.join(d, n)
    return files


def chm_checks(files, topics, r, detail):
    """Links, missing files and blank pages of the CHM's topic pages."""
    parsed = {k: read_page(v) for k, v in files.items()
              if k[0] not in "#$" and k.endswith((".htm", ".html"))}
    pages = sorted(k for k in parsed if topics is None or k in topics)
    r.update(links=0, links_ok=0, miss=0, blank=0, pages=len(pages), titled=0)
    for key in pages:
        page = parsed[key]
        if page.titled:
            r["titled"] += 1
        else:
            detail.append(f"chm: untitled page {key}")
        if page.blank:
            r["blank"] += 1
            why = "unclosed <title>" if page.unclosed_title else "nothing visible"
            detail.append(f"chm: blank page {key} ({why})")
        here = posixpath.dirname(key)
        for ref in page.refs:
            parts = split_href(ref)
            if not parts or not parts[0]:
                continue
            target = resolve(here, parts[0])
            if target not in files:
                r["miss"] += 1
                detail.append(f"chm: {key}: missing file {ref}")
        for href in page.links:
            parts = split_href(href)
            if not parts or not parts[1]:
                continue
            target = resolve(here, parts[0]) if parts[0] else key
            r["links"] += 1
            if target in parsed and has_anchor(parsed[target].anchors, parts[1]):
                r["links_ok"] += 1
            else:
                detail.append(f"chm: {key}: broken {href}")


def resolve(here, path):
    """CHM key (lower case, as the CHM looks names up) of a relative path."""
    joined = path.lstrip("/") if path.startswith("/") else posixpath.join(here, path)
    return posixpath.normpath(joined).lower()


def hhp_files(hhp):
    with open(hhp, "rb") as f:
        text = f.read().decode("gb18030", "replace")
    entries, inside = [], False
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("["):
            inside = line.upper() == "[FILES]"
        elif inside and line and not line.startswith(";"):
            entries.append(line.replace("\\", "/"))
    return entries


GLUED = re.compile(r"^\d+(\.\d+)*\.?[^\s\d.)\]、，,:：]")


def hhc_names(hhc):
    """The Name of every contents entry."""
    with open(hhc, "rb") as f:
        text = f.read().decode("gb18030", "replace")
    return [html.unescape(m) for m in
            re.findall(r"""<param\s+name="Name"\s+value="([^"]*)">""", text, re.I)]


def convert(doc, args):
    """Runs quillmark on one copy; its exit status (or T/O) and last errors."""
    proc = subprocess.Popen([args.quillmark, "-q"] + args.arg + [doc], stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, start_new_session=True)
    try:
        rc, err = None, proc.communicate(timeout=args.timeout)[1]
    except subprocess.TimeoutExpired:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        rc, err = "T/O", proc.communicate()[1]
    rc = rc or str(proc.returncode)
    lines = err.decode("utf-8", "replace").splitlines()[-3:] if rc != "0" else []
    return rc, ["quillmark: " + l for l in lines]


def measure(sample, args):
    """Converts a copy of one sample and measures it; returns a row dict."""
    r = {"name": sample["name"], "rc": "?", "detail": []}
    work = tempfile.mkdtemp(prefix="help-links.", dir=args.tmp)
    try:
        if sample["dir"]:
            copy = os.path.join(work, os.path.basename(sample["dir"]))
            shutil.copytree(sample["dir"], copy)
            doc = os.path.join(copy, os.path.basename(sample["page"]))
        else:
            doc = os.path.join(work, os.path.basename(sample["page"]))
            shutil.copy(sample["page"], doc)
        r["rc"], r["detail"] = convert(doc, args)
        stem = os.path.splitext(doc)[0]
        source = doc if sample["dir"] else stem + ".htm"
        if os.path.exists(source):
            r["src_ok"], r["src"] = source_links(source, r["detail"])
        if os.path.exists(stem + ".chm"):
            files = extract_chm(stem + ".chm", os.path.join(work, "chm"))
            topics = None
            if os.path.exists(stem + ".hhp"):
                entries = hhp_files(stem + ".hhp")
                topics = {posixpath.normpath(e).lower() for e in entries}
                lost = [e for e in entries if posixpath.normpath(e).lower() not in files]
                r["topics"], r["lost"] = len(entries), len(lost)
                r["detail"] += [f"chm: topic missing {e}" for e in lost]
            if os.path.exists(stem + ".hhc"):
                names = hhc_names(stem + ".hhc")
                glued = [n for n in names if GLUED.match(n)]
                r["entries"], r["glued"] = len(names), len(glued)
                r["detail"] += [f"hhc: number runs into text: {n}" for n in glued]
            chm_checks(files, topics, r, r["detail"])
    except Exception as e:  # a fault of this tool: still a row
        r["detail"].append(f"help-links: {type(e).__name__}: {e}")
    if args.keep:
        print(f"{sample['name']}: kept in {work}", file=sys.stderr)
    else:
        shutil.rmtree(work, ignore_errors=True)
    print(f"help-links: {sample['name']} rc={r['rc']}", file=sys.stderr)
    return r

# ----------------------------------------------------------------- output


def width(s):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in s)


def clip(s, n):
    while width(s) > n:
        s = s[:-2] + "…"
    return s + " " * (n - width(s))


def frac(r, ok, total):
    return f"{r[ok]}/{r[total]}" if total in r else "-"


def print_table(rows, verbose):
    cols = [("rc", 4), ("src ok/all", 11), ("chm ok/all", 11), ("miss", 5),
            ("blank/pages", 12), ("titled/pages", 13), ("glued/entries", 14),
            ("topics lost/all", 16)]
    fails = sum(1 for r in rows if r["rc"] != "0")
    label = f"TOTAL {len(rows)} samples, {fails} rc!=0"
    namew = min(46, max([width(label)] + [width(r["name"]) for r in rows]))
    print(clip("sample", namew) + "".join(h.rjust(w + 1) for h, w in cols))
    print("-" * (namew + sum(w + 1 for _, w in cols)))
    keys = ("src_ok", "src", "links_ok", "links", "miss", "blank", "pages", "titled", "glued",
            "entries", "lost", "topics")
    total = {k: 0 for k in keys}
    for r in rows + [None]:
        if r is None:
            print("-" * (namew + sum(w + 1 for _, w in cols)))
            r = dict(total, name=label, rc="-")
        else:
            for k in keys:
                total[k] += r.get(k, 0)
        cells = [r["rc"], frac(r, "src_ok", "src"), frac(r, "links_ok", "links"),
                 str(r.get("miss", "-")), frac(r, "blank", "pages"), frac(r, "titled", "pages"),
                 frac(r, "glued", "entries"), frac(r, "lost", "topics")]
        print(clip(r["name"], namew) + "".join(c.rjust(w + 1) for c, (_, w) in zip(cells, cols)))
        if verbose and "detail" in r:
            for d in r["detail"]:
                print("    " + d)


def find_samples(root):
    samples = []
    for n in sorted(os.listdir(os.path.join(root, "doc"))):
        if n.lower().endswith(".doc"):
            samples.append({"name": "doc/" + n, "page": os.path.join(root, "doc", n), "dir": None})
    with open(os.path.join(root, "html", "MANIFEST.tsv"), encoding="utf-8") as f:
        for line in list(f)[1:]:
            page = line.split("\t")[0]
            if page.strip():
                d = os.path.join(root, "html", page.split("/")[0])
                samples.append({"name": "html/" + page.split("/")[0],
                                "page": os.path.join(root, "html", page), "dir": d})
    return samples


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--quillmark", required=True, help="the quillmark binary")
    ap.add_argument("--samples", required=True, help="the samples folder (doc/, html/)")
    ap.add_argument("--only", help="only samples whose name (doc/… or html/…) contains this")
    ap.add_argument("--jobs", type=int, default=2, help="conversions at once (2)")
    ap.add_argument("--timeout", type=int, default=180, help="seconds per conversion (180)")
    ap.add_argument("--tmp", help="folder for the working copies (system temp)")
    ap.add_argument("--keep", action="store_true", help="keep the working copies")
    ap.add_argument("--arg", action="append", default=[],
                    help="an option passed to quillmark, as --arg=--numbered-names (repeatable)")
    ap.add_argument("-v", "--verbose", action="store_true", help="list each broken thing")
    args = ap.parse_args()
    samples = [s for s in find_samples(args.samples)
               if not args.only or args.only.lower() in s["name"].lower()]
    if not samples:
        sys.exit(f"no sample matches {args.only!r}")
    with ThreadPoolExecutor(max(1, args.jobs)) as pool:
        rows = list(pool.map(lambda s: measure(s, args), samples))
    print_table(rows, args.verbose)


if __name__ == "__main__":
    main()
