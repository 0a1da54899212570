#!/usr/bin/python3
"""Reads every mail file under the given folders with our decoder (ricorne-mailtool decode) and
with Python's email package (policy default), and lists the files whose subject, sender or body
disagree. White space is compared loosely (runs collapse to one space), our attachment lines are
left out of the body, and an HTML-only body is compared as its text.

  bench/mime/compare_python_email.py --tool build/bin/ricorne-mailtool [--judged FILE] DIR [DIR ...]

A file named in the judged list (one "name<TAB>why" a line, name being the file's base name; the
default is judged.tsv beside this script) differs because Python's reading is the wrong one: it
counts as "ours right". Every other difference counts as "ours wrong".
"""
import argparse
import email
import email.policy
import html.parser
import json
import os
import re
import subprocess
import sys


def loose(text):
    # NUL reads as a space in our body (nothing downstream may cut the text there).
    return re.sub(r"[\s\x00]+", " ", text or "").strip()


def first_difference(a, b):
    i = 0
    while i < len(a) and i < len(b) and a[i] == b[i]:
        i += 1
    return i


def looks_like_mail(raw):
    """Pictures and sounds in the same folders are not mail; a mail starts with a header line."""
    first = raw.split(b"\n", 1)[0]
    return first.startswith(b"From ") or re.match(rb"^[\x21-\x39\x3b-\x7e]+[ \t]*:", first) is not None


class _HtmlText(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts, self.skip = [], 0

    def handle_starttag(self, tag, attrs):
        self.skip += tag in ("style", "script", "head")

    def handle_endtag(self, tag):
        self.skip -= tag in ("style", "script", "head") and self.skip > 0

    def handle_data(self, data):
        if not self.skip:
            self.parts.append(data)


def html_text(markup):
    p = _HtmlText()
    try:
        p.feed(markup)
        p.close()
    except Exception:  # noqa: BLE001 - a broken page still yields what was read
        pass
    return " ".join(p.parts)


def theirs(raw):
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    out = {}
    try:
        out["subject"] = str(msg["subject"] or "")
    except Exception as e:  # noqa: BLE001
        out["subject"] = f"<error {type(e).__name__}>"
    try:
        header = msg["from"] or msg["sender"]
        addrs = getattr(header, "addresses", ()) if header is not None else ()
        if addrs:
            a = addrs[0]
            name, address = a.display_name, a.addr_spec
            out["from"] = f"{name} <{address}>" if name and name != address else address
        else:
            out["from"] = str(header or "")
    except Exception as e:  # noqa: BLE001
        out["from"] = f"<error {type(e).__name__}>"
    try:
        part = msg.get_body(preferencelist=("plain", "html"))
        if part is None:
            # No body part: a broken multipart keeps its text in the preamble (or, with no boundary
            # found at all, as the payload); a lone attachment has no body.
            body = ""
            if msg.is_multipart():
                body = msg.preamble or ""
            elif isinstance(msg.get_payload(), str) and msg.get_content_maintype() in ("text", "multipart") \
                    and not msg.is_attachment():
                body = msg.get_payload()
        else:
            body = part.get_content()
            if part.get_content_subtype() == "html":
                body = html_text(body)
        out["body"] = body
    except Exception as e:  # noqa: BLE001
        out["body"] = f"<error {type(e).__name__}>"
    return out


def ours(tool, path):
    run = subprocess.run([tool, "decode", path], capture_output=True, timeout=60)
    data = json.loads(run.stdout.decode("utf-8"))
    lines = data["body"].replace("\r\n", "\n").split("\n")
    while lines and re.match(r"^\[(attachment|partial)\] ", lines[-1]):
        lines.pop()
    data["body"] = "\n".join(lines)
    return data


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tool", required=True)
    ap.add_argument("--judged", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "judged.tsv"))
    ap.add_argument("dirs", nargs="+")
    args = ap.parse_args()
    judged = {}
    if os.path.exists(args.judged):
        with open(args.judged, encoding="utf-8") as f:
            for line in f:
                if line.strip() and not line.startswith("#"):
                    name, _, why = line.rstrip("\n").partition("\t")
                    judged[name] = why
    files = []
    for d in args.dirs:
        for root, _, names in os.walk(d):
            files += [os.path.join(root, n) for n in names if not n.endswith(".md")]
    files.sort()
    differing = skipped = right = 0
    for path in files:
        with open(path, "rb") as f:
            raw = f.read()
        if not looks_like_mail(raw):
            skipped += 1
            continue
        a, b = ours(args.tool, path), theirs(raw)
        fields = []
        for field in ("subject", "from", "body"):
            ao, bo = loose(a[field]), loose(b[field])
            if field == "body" and a.get("body", "").strip() and ao != bo and loose(html_text(a[field])) == bo:
                continue
            if ao != bo:
                fields.append((field, ao, bo))
        if fields and os.path.basename(path) in judged:
            right += 1
            print(f"== {path} (ours right: {judged[os.path.basename(path)]})")
        elif fields:
            differing += 1
            print(f"== {path}")
            for field, ao, bo in fields:
                at = max(0, first_difference(ao, bo) - 40)
                print(f"  {field} (from character {at}):\n    ours:   {ao[at:at + 160]!r}\n"
                      f"    theirs: {bo[at:at + 160]!r}")
    total = len(files) - skipped
    print(f"\n{total} mail files ({skipped} other files skipped): agree {total - right - differing}, "
          f"ours right {right}, ours wrong {differing}")
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main())
